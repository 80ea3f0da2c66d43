#include "core/files/mappedfile.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {

namespace {
constexpr std::uintptr_t stretch = std::uintptr_t(4) << 20;

std::uintptr_t pageStart(std::uintptr_t address)
{
    static const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    return address - address % pageSize;
}

std::uintptr_t addressOf(const char *position)
{
    return reinterpret_cast<std::uintptr_t>(position);
}

std::int64_t modificationTime(const struct stat &status)
{
    return std::int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

// A file that shrinks under its mapping raises SIGBUS at the first touch of a page past its new
// end, on whichever reading thread gets there. A signal handler can only reach global state, so
// the mappings being read are kept in a fixed table of atomics that it reads without locks.
struct GuardedMapping
{
    std::atomic<std::uintptr_t> begin{0}; // 0: a free slot
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> cut{false};
};
std::array<GuardedMapping, 64> guardedMappings;
struct sigaction earlierBusAction;
std::uintptr_t guardPageSize = 4096;

// Atomics and system calls only: nothing that could wait for a lock the interrupted thread holds.
void onBusError(int signal, siginfo_t *info, void *context)
{
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardedMapping &mapping : guardedMappings) {
        const std::uintptr_t begin = mapping.begin.load();
        const std::uintptr_t end = mapping.end.load();
        if (begin == 0 || address < begin || address >= end)
            continue;
        // The rest of the mapping reads as zeros from now on: the reader finishes on them
        // instead of dying, and its caller learns from isUnchanged() what happened.
        const std::uintptr_t from = address - address % guardPageSize;
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        if (::mmap(reinterpret_cast<void *>(from), end - from, PROT_READ,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            mapping.cut.store(true);
            return;
        }
    }
    // Not a mapping being read: whatever would have happened without this handler.
    if (earlierBusAction.sa_flags & SA_SIGINFO) {
        earlierBusAction.sa_sigaction(signal, info, context);
    } else if (earlierBusAction.sa_handler != SIG_DFL && earlierBusAction.sa_handler != SIG_IGN) {
        earlierBusAction.sa_handler(signal);
    } else {
        ::signal(SIGBUS, SIG_DFL); // the access repeats and ends the program as it would have
    }
}

void installBusHandler()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        guardPageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action
        {
        };
        action.sa_sigaction = &onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &earlierBusAction);
    });
}

// The slot taken, or -1 when all are in use.
int guardMapping(const char *data, std::size_t size)
{
    installBusHandler();
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    for (int slot = 0; slot < int(guardedMappings.size()); ++slot) {
        GuardedMapping &mapping = guardedMappings[std::size_t(slot)];
        std::uintptr_t free = 0;
        if (mapping.begin.compare_exchange_strong(free, begin)) {
            mapping.cut.store(false);
            mapping.end.store(begin + size);
            return slot;
        }
    }
    return -1;
}

void advise(std::uintptr_t from, std::uintptr_t to, int advice)
{
    // Page arithmetic is done on integers; the address goes back only for the system call.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    ::madvise(reinterpret_cast<void *>(from), to - from, advice);
}
} // namespace

MappedFile::~MappedFile()
{
    if (guardSlot >= 0) {
        GuardedMapping &mapping = guardedMappings[std::size_t(guardSlot)];
        mapping.end.store(0);
        mapping.begin.store(0);
    }
    if (data)
        ::munmap(data, size);
}

torvane::Status MappedFile::map(const QFile &file)
{
    using torvane::failure;
    struct stat status
    {
    };
    if (::fstat(file.handle(), &status) != 0)
        return failure(QString::fromLocal8Bit(std::strerror(errno)));
    if (status.st_size <= 0)
        return failure(QStringLiteral("the file is empty"));
    const auto fileSize = static_cast<std::size_t>(status.st_size);
    void *mapped = ::mmap(nullptr, fileSize, PROT_READ, MAP_PRIVATE, file.handle(), 0);
    if (mapped == MAP_FAILED)
        return failure(QString::fromLocal8Bit(std::strerror(errno)));
    // Without a guard a shrinking file would end the program: read it the other way.
    const int slot = guardMapping(static_cast<char *>(mapped), fileSize);
    if (slot < 0) {
        ::munmap(mapped, fileSize);
        return failure(QStringLiteral("too many files are mapped at once"));
    }
    data = static_cast<char *>(mapped);
    size = fileSize;
    descriptor = file.handle();
    modified = modificationTime(status);
    guardSlot = slot;
    return {};
}

bool MappedFile::isUnchanged() const
{
    if (!data)
        return true;
    struct stat status
    {
    };
    return !guardedMappings[std::size_t(guardSlot)].cut.load() &&
           ::fstat(descriptor, &status) == 0 && std::size_t(status.st_size) == size &&
           modificationTime(status) == modified;
}

PageWindow::PageWindow(const char *begin, const char *end)
    : first(begin), last(end), populatedTo(pageStart(addressOf(begin))), releasedTo(populatedTo)
{}

const char *PageWindow::advance(const char *position)
{
    const std::uintptr_t at = addressOf(std::clamp(position, first, last));
    const std::uintptr_t stop = addressOf(last);
    // Failures are harmless: pages not brought in fault in one by one, pages not handed back
    // only stay in memory longer.
    const std::uintptr_t releaseEnd = at - addressOf(first) > stretch ? pageStart(at - stretch) : 0;
    if (releaseEnd > releasedTo) {
        advise(releasedTo, releaseEnd, MADV_DONTNEED);
        releasedTo = releaseEnd;
    }
    const std::uintptr_t populateStart = pageStart(std::max(populatedTo, at));
    const std::uintptr_t populateEnd = std::min(stop, at + stretch);
    if (populateEnd > populateStart) {
#ifdef MADV_POPULATE_READ
        advise(populateStart, populateEnd, MADV_POPULATE_READ);
#endif
        populatedTo = populateEnd;
    }
    return populateEnd == stop ? last : position + stretch / 2;
}

void PageWindow::handBack()
{
    const std::uintptr_t stop = std::max(populatedTo, addressOf(last));
    if (stop > releasedTo) {
        advise(releasedTo, stop, MADV_DONTNEED);
        releasedTo = stop;
    }
}

} // namespace torvane
