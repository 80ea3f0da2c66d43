#include "core/files/regularfile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {

using torvane::failure;
using torvane::Status;

namespace {
QString systemErrorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString notRegularReason(mode_t mode)
{
    return S_ISDIR(mode) ? QStringLiteral("it is a folder")
                         : QStringLiteral("it is not a regular file");
}

QString notWritableReason(mode_t mode)
{
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a regular file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a FIFO, not a regular file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a regular file");
    return notRegularReason(mode);
}

// The standard stream that is the same file as `status`, if any.
const char *standardStreamOf(const struct stat &status)
{
    static const char *const names[] = {"input", "output", "error"};
    for (int descriptor = 0; descriptor < 3; ++descriptor) {
        struct stat stream
        {
        };
        if (::fstat(descriptor, &stream) == 0 && stream.st_dev == status.st_dev &&
            stream.st_ino == status.st_ino)
            return names[descriptor];
    }
    return nullptr;
}
} // namespace

Status openRegularFile(const QString &fileName, QFile &file)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat status
    {
    };
    if (::stat(path.constData(), &status) != 0)
        return failure(systemErrorText());
    if (!S_ISREG(status.st_mode))
        return failure(notRegularReason(status.st_mode));
    // Non-blocking, in case a FIFO took the file's place since the check.
    const int descriptor = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return failure(systemErrorText());
    const bool statted = ::fstat(descriptor, &status) == 0;
    if (!statted || !S_ISREG(status.st_mode)) {
        const QString reason = statted ? notRegularReason(status.st_mode) : systemErrorText();
        ::close(descriptor);
        return failure(reason);
    }
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return failure(file.errorString());
    return {};
}

Status checkOutputFile(const QString &fileName)
{
    if (fileName == QLatin1String("-"))
        return failure(QStringLiteral("'-' does not stand for the standard output here; "
                                      "name a file"));
    const QByteArray path = QFile::encodeName(fileName);
    struct stat status
    {
    };
    if (::stat(path.constData(), &status) == 0) {
        if (!S_ISREG(status.st_mode))
            return failure(notWritableReason(status.st_mode));
        if (const char *stream = standardStreamOf(status))
            return failure(QStringLiteral("it is this program's standard %1, not a file "
                                          "to replace")
                               .arg(QLatin1String(stream)));
        return {};
    }
    if (errno != ENOENT)
        return failure(systemErrorText());
    // A new name; a missing folder is left to the open, which names the system's cause.
    if (::lstat(path.constData(), &status) == 0)
        return failure(QStringLiteral("it is a link to a file that does not exist"));
    return {};
}

} // namespace torvane
