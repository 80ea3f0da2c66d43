#include "core/files/mappedfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

namespace {
constexpr std::size_t stretch = std::size_t(4) << 20;

std::size_t pageSize()
{
    static const auto size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t pageStart(std::size_t offset)
{
    return offset - offset % pageSize();
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

const char *MappedFile::advance(const char *position)
{
    const auto offset = static_cast<std::size_t>(std::clamp(position, begin(), end()) - data);
    // Failures are harmless: pages not brought in fault in one by one, pages not handed back
    // only stay in memory longer.
    const std::size_t releaseEnd = offset > stretch ? pageStart(offset - stretch) : 0;
    if (releaseEnd > releasedTo) {
        ::madvise(data + releasedTo, releaseEnd - releasedTo, MADV_DONTNEED);
        releasedTo = releaseEnd;
    }
    const std::size_t populateStart = pageStart(std::max(populatedTo, offset));
    const std::size_t populateEnd = std::min(size, offset + stretch);
    if (populateEnd > populateStart) {
        ::madvise(data + populateStart, populateEnd - populateStart, MADV_POPULATE_READ);
        populatedTo = populateEnd;
    }
    return populateEnd == size ? end() : data + offset + stretch / 2;
}
