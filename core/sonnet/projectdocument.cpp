#include "core/sonnet/projectdocument.h"

#include "core/sonnet/projectio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

ProjectDocument parseProject(const QByteArray &latin1Text)
{
    ProjectDocument document;
    SonTextReader in(latin1Text);
    readProject(in, document);
    return document;
}

QByteArray serializeProject(const ProjectDocument &document)
{
    QByteArray text;
    {
        SonTextWriter out(&text);
        writeProject(out, document);
        out << '\n';
    }
    return text;
}

int loadProject(const QString &fileName, ProjectDocument &document, QString *errorText)
{
    QFile file(fileName);
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly)) {
        if (errorText)
            *errorText =
                QFileInfo(fileName).isDir() ? QStringLiteral("it is a folder") : file.errorString();
        return 1;
    }
    ProjectDocument loaded;
    const qint64 size = file.size();
    // Mapping spares a copy of large files; pipes and empty files are read instead.
    const uchar *mapped = size > 0 ? file.map(0, size) : nullptr;
    if (mapped) {
        const auto *begin = reinterpret_cast<const char *>(mapped);
        SonTextReader in(begin, begin + size);
        readProject(in, loaded);
        file.unmap(const_cast<uchar *>(mapped));
    } else {
        const QByteArray text = file.readAll();
        SonTextReader in(text);
        readProject(in, loaded);
    }
    document = std::move(loaded);
    return 0;
}

int writeProjectFile(const QString &fileName, const ProjectDocument &document, QString *errorText)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (errorText)
            *errorText = file.errorString();
        return 1;
    }
    bool written = false;
    {
        SonTextWriter out(&file);
        writeProject(out, document);
        out << '\n';
        written = out.flush();
    }
    if (!written) {
        if (errorText)
            *errorText = file.errorString();
        file.cancelWriting();
        file.commit();
        return 1;
    }
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return 1;
    }
    return 0;
}

QString resultFolderPath(const QString &projectFileName)
{
    const QFileInfo info(projectFileName);
    return info.absolutePath() + QStringLiteral("/sondata/") + info.completeBaseName();
}

void prepareResultFolder(const QString &projectFileName)
{
    const QFileInfo info(projectFileName);
    const QString base = info.completeBaseName();
    // An empty base name would make "sondata" itself the result folder.
    if (base.isEmpty())
        return;
    const QFileInfo sondata(info.absolutePath() + QStringLiteral("/sondata"));
    const QFileInfo folder(resultFolderPath(projectFileName));
    // Never follow a link: the folder's contents could be anybody's files.
    if (sondata.isSymLink() || folder.isSymLink())
        return;
    if (!folder.exists()) {
        QDir(info.absolutePath()).mkpath(QStringLiteral("sondata/") + base);
        return;
    }
    if (!folder.isDir())
        return;
    const QFileInfoList entries =
        QDir(folder.filePath()).entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        const QString path = entry.filePath();
        if (QFile::remove(path))
            continue;
        // A result that cannot be deleted must at least not be mistaken for a current one.
        QFile stale(path);
        if (stale.open(QIODevice::WriteOnly | QIODevice::Truncate))
            stale.close();
    }
}

int saveProject(const QString &fileName, const ProjectDocument &document, QString *errorText)
{
    const int status = writeProjectFile(fileName, document, errorText);
    if (status != 0)
        return status;
    prepareResultFolder(fileName);
    return 0;
}
