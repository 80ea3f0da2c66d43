#include "core/files/regularfile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool fail(QString *errorText, const QString &reason)
{
    if (errorText)
        *errorText = reason;
    return false;
}

QString systemErrorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString notRegularReason(mode_t mode)
{
    return S_ISDIR(mode) ? QStringLiteral("it is a folder")
                         : QStringLiteral("it is not a regular file");
}
} // namespace

bool openRegularFile(const QString &fileName, QFile &file, QString *errorText)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat status
    {
    };
    if (::stat(path.constData(), &status) != 0)
        return fail(errorText, systemErrorText());
    if (!S_ISREG(status.st_mode))
        return fail(errorText, notRegularReason(status.st_mode));
    // Non-blocking, in case a FIFO took the file's place since the check.
    const int descriptor = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return fail(errorText, systemErrorText());
    const bool statted = ::fstat(descriptor, &status) == 0;
    if (!statted || !S_ISREG(status.st_mode)) {
        const QString reason = statted ? notRegularReason(status.st_mode) : systemErrorText();
        ::close(descriptor);
        return fail(errorText, reason);
    }
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return fail(errorText, file.errorString());
    return true;
}
