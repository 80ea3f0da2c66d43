#include "core/files/mappedfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

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

void advise(std::uintptr_t from, std::uintptr_t to, int advice)
{
    // Page arithmetic is done on integers; the address goes back only for the system call.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    ::madvise(reinterpret_cast<void *>(from), to - from, advice);
}
} // namespace

MappedFile::~MappedFile()
{
    if (data)
        ::munmap(data, size);
}

bool MappedFile::map(const QFile &file, QString *errorText)
{
    const qint64 fileSize = file.size();
    if (fileSize <= 0) {
        if (errorText)
            *errorText = QStringLiteral("the file is empty");
        return false;
    }
    void *mapped = ::mmap(nullptr, static_cast<std::size_t>(fileSize), PROT_READ, MAP_PRIVATE,
                          file.handle(), 0);
    if (mapped == MAP_FAILED) {
        if (errorText)
            *errorText = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    data = static_cast<char *>(mapped);
    size = static_cast<std::size_t>(fileSize);
    return true;
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
