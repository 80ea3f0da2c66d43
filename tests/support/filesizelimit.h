#pragma once

#include <csignal>

#include <sys/resource.h>

// A full disk without root: past `bytes` a write fails with "File too large" (SIGXFSZ is
// ignored). Call it in a child between fork and exec; FileSizeLimit does it for this process.
inline rlimit limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit previous = limit;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
    return previous;
}

struct FileSizeLimit
{
    const rlimit previous;
    explicit FileSizeLimit(rlim_t bytes) : previous(limitFileSize(bytes)) {}
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &previous); }
};
