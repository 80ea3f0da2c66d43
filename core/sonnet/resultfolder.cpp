#include "core/sonnet/resultfolder.h"

#include <QByteArrayList>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torvane {

namespace {
// Closes the descriptor it owns.
class Descriptor
{
public:
    explicit Descriptor(int descriptor) : descriptor(descriptor) {}
    ~Descriptor()
    {
        if (descriptor >= 0)
            ::close(descriptor);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    bool isValid() const { return descriptor >= 0; }
    int get() const { return descriptor; }

private:
    int descriptor;
};

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// "." and ".." would name sondata itself or the project folder.
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/'));
}

// The names in the folder, read before anything in it changes.
QByteArrayList entryNames(int folder)
{
    QByteArrayList names;
    const int listing = ::dup(folder);
    if (listing < 0)
        return names;
    DIR *directory = ::fdopendir(listing);
    if (!directory) {
        ::close(listing);
        return names;
    }
    while (const dirent *entry = ::readdir(directory))
        names.append(QByteArray(entry->d_name));
    ::closedir(directory);
    return names;
}

void removePlainFiles(int folder)
{
    for (const QByteArray &name : entryNames(folder)) {
        // Hidden files and "." / ".." stay, like sub-folders and links.
        if (name.startsWith('.'))
            continue;
        struct stat status
        {
        };
        if (::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode))
            continue;
        if (::unlinkat(folder, name.constData(), 0) == 0)
            continue;
        // A result that cannot be deleted must at least not be mistaken for a current one.
        const int stale = ::openat(folder, name.constData(),
                                   O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (stale >= 0)
            ::close(stale);
    }
}
} // namespace

QString resultFolderPath(const QString &projectFileName)
{
    const QFileInfo info(projectFileName);
    return info.absolutePath() + QStringLiteral("/sondata/") + info.completeBaseName();
}

void prepareResultFolder(const QString &projectFileName)
{
    const QFileInfo info(projectFileName);
    const QString base = info.completeBaseName();
    if (!isPlainName(base))
        return;
    const Descriptor project(::open(QFile::encodeName(info.absolutePath()).constData(),
                                    O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!project.isValid())
        return;
    ::mkdirat(project.get(), "sondata", 0777);
    const Descriptor sondata(::openat(project.get(), "sondata", folderFlags));
    if (!sondata.isValid())
        return;
    const QByteArray baseName = QFile::encodeName(base);
    if (::mkdirat(sondata.get(), baseName.constData(), 0777) == 0)
        return;
    const Descriptor folder(::openat(sondata.get(), baseName.constData(), folderFlags));
    if (folder.isValid())
        removePlainFiles(folder.get());
}

} // namespace torvane
