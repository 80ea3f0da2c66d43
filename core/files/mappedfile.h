#pragma once

#include "core/design/result.h"

#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace torvane {

// A regular file's bytes mapped read-only into memory. Should the file shrink while it is
// mapped, its pages past the new end read as zeros instead of stopping the program with SIGBUS,
// and isUnchanged() tells the reader that what it read is not the file.
class MappedFile
{
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    // Fails, with the reason, when the open file cannot be mapped (an empty one cannot).
    torvane::Status map(const QFile &file);
    const char *begin() const { return data; }
    const char *end() const { return data + size; }
    // Whether the file, still open, has kept its size and modification time since map() and
    // no page was found cut off.
    bool isUnchanged() const;

private:
    char *data = nullptr;
    std::size_t size = 0;
    int descriptor = -1;
    std::int64_t modified = 0; // nanoseconds
    int guardSlot = -1;        // its place among the mappings the SIGBUS handler knows
};

// One reader's way through a stretch of mapped bytes, front to back. Pages are brought in a
// stretch at a time ahead of the reader, which spares a page fault for every few pages, and
// handed back once the reader has left them behind, so that reading a large file costs little
// more memory than what is made of it. Bytes handed back stay readable: touching them again
// only reads them again.
class PageWindow
{
public:
    PageWindow(const char *begin, const char *end);
    const char *begin() const { return first; }
    const char *end() const { return last; }

    // Reading has reached `position`; returns the position at which to call again.
    const char *advance(const char *position);
    // Reading is done: every page of the stretch is handed back, also those brought in ahead.
    void handBack();

private:
    const char *first;
    const char *last;
    std::uintptr_t populatedTo;
    std::uintptr_t releasedTo;
};

} // namespace torvane
