#include "core/files/checkedsavefile.h"

#include "core/files/regularfile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace torvane {

namespace {
QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

CheckedSaveFile::CheckedSaveFile(const QString &fileName, SyncToDisk sync)
    : file(fileName), sync(sync)
{}

CheckedSaveFile::~CheckedSaveFile()
{
    if (file.isOpen()) {
        file.cancelWriting();
        file.commit();
    }
}

bool CheckedSaveFile::open()
{
    if (const torvane::Status allowed = checkOutputFile(file.fileName()); !allowed) {
        setErrorString(allowed.error());
        return false;
    }
    // Unbuffered: QFileDevice's own buffer would only be written inside QSaveFile::commit(),
    // which does not report a failure there.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setErrorString(file.errorString());
        return false;
    }
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

void CheckedSaveFile::failWithSystemError()
{
    failure = systemErrorText(errno);
    setErrorString(failure);
}

qint64 CheckedSaveFile::writeData(const char *data, qint64 size)
{
    if (!failure.isEmpty())
        return -1;
    // write() may take only part of the bytes (a file-size limit, a nearly full disk); the
    // next call then gives the cause.
    qint64 done = 0;
    while (done < size) {
        const ssize_t written =
            ::write(file.handle(), data + done, static_cast<std::size_t>(size - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            failWithSystemError();
            return -1;
        }
        done += written;
    }
    startWriteBack(done);
    return done;
}

void CheckedSaveFile::startWriteBack(qint64 bytes)
{
#ifdef __linux__
    // Large files go to the disk while the rest is still being written, so the final sync
    // waits only for the last stretch. Errors surface there, or in the sync itself.
    constexpr qint64 stretch = qint64(8) << 20;
    written += bytes;
    if (written - writtenBack >= stretch) {
        ::sync_file_range(file.handle(), writtenBack, written - writtenBack, SYNC_FILE_RANGE_WRITE);
        writtenBack = written;
    }
#else
    Q_UNUSED(bytes);
#endif
}

bool CheckedSaveFile::reserve(qint64 bytes)
{
#ifdef __linux__
    // The size stays that of what is written; a failure (no room, no support) changes nothing.
    if (file.isOpen() && bytes > 0 &&
        ::fallocate(file.handle(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes)) == 0) {
        reserved = bytes;
        return true;
    }
#else
    Q_UNUSED(bytes);
#endif
    return false;
}

bool CheckedSaveFile::finish()
{
    if (!file.isOpen())
        return false;
    if (finished)
        return failure.isEmpty();
    finished = true;
    // Room taken beyond the end would stay with the file.
    if (reserved > written && failure.isEmpty())
        ::ftruncate(file.handle(), static_cast<off_t>(written));
    // Some file systems report a full disk only when the data is synced.
    if (failure.isEmpty() && sync(file.handle()) != 0 && errno != EINVAL && errno != EROFS)
        failWithSystemError();
    return failure.isEmpty();
}

bool CheckedSaveFile::commit()
{
    if (!file.isOpen())
        return false;
    finish();
    QIODevice::close();
    if (!failure.isEmpty()) {
        file.cancelWriting();
        file.commit();
        setErrorString(failure);
        return false;
    }
    if (!file.commit()) {
        setErrorString(file.errorString());
        return false;
    }
    return true;
}

CheckedSaveFile *commitTogether(std::initializer_list<CheckedSaveFile *> files)
{
    for (CheckedSaveFile *file : files) {
        if (!file->finish())
            return file;
    }
    for (CheckedSaveFile *file : files) {
        if (!file->commit())
            return file;
    }
    return nullptr;
}

torvane::Status writeWholeFile(const QString &fileName, QByteArrayView contents)
{
    CheckedSaveFile file(fileName);
    const bool saved = file.open() &&
                       file.write(contents.data(), contents.size()) == contents.size() &&
                       file.commit();
    if (!saved)
        return torvane::failure(file.errorString());
    return {};
}

} // namespace torvane
