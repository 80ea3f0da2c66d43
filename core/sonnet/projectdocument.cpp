#include "core/sonnet/projectdocument.h"

#include "core/files/checkedsavefile.h"
#include "core/files/mappedfile.h"
#include "core/files/regularfile.h"
#include "core/sonnet/projectio.h"

#include <QFile>

#include <future>
#include <system_error>

namespace torvane {

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
    QFile file;
    if (const torvane::Status opened = openRegularFile(fileName, file); !opened) {
        if (errorText)
            *errorText = opened.error();
        return 1;
    }
    ProjectDocument loaded;
    // Mapping spares a copy of large files; empty files are read instead.
    if (MappedFile mapped; mapped.map(file)) {
        PageWindow window(mapped.begin(), mapped.end());
        SonTextReader in(window);
        readProject(in, loaded);
        if (!mapped.isUnchanged()) {
            if (errorText)
                *errorText = QStringLiteral("the file changed while it was read");
            return 1;
        }
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
    CheckedSaveFile file(fileName);
    return writeProjectFile(file, document, errorText);
}

namespace {
// About the least text the polygons take: a point's line holds two numbers of at least nine
// characters, a polygon's header and END line some 24 bytes.
qint64 leastPolygonTextBytes(const ProjectDocument &document)
{
    qint64 bytes = 0;
    for (const Polygon &polygon : document.geometry.polygons)
        bytes += 24 + 20 * polygon.points.size();
    return bytes;
}

// Opens `file` and writes the project into it; false when anything failed.
bool writeInto(CheckedSaveFile &file, const ProjectDocument &document)
{
    if (!file.open())
        return false;
    // Large projects take their room on the disk at once; reserving no more than their least
    // text, they rarely give any back.
    if (const qint64 least = leastPolygonTextBytes(document); least >= (qint64(8) << 20))
        file.reserve(least);
    SonTextWriter out(&file);
    writeProject(out, document);
    out << '\n';
    return out.flush();
}

// `written` runs once the text is out, before the final sync and the rename.
template <typename Written>
int writeAndCommit(CheckedSaveFile &file, const ProjectDocument &document, QString *errorText,
                   const Written &written)
{
    bool saved = writeInto(file, document);
    written();
    saved = saved && file.commit();
    if (!saved && errorText)
        *errorText = file.errorString();
    return saved ? 0 : 1;
}
} // namespace

int writeProjectFile(CheckedSaveFile &file, const ProjectDocument &document, QString *errorText)
{
    return writeAndCommit(file, document, errorText, [] {});
}

int prepareProjectFile(CheckedSaveFile &file, const ProjectDocument &document, QString *errorText)
{
    const bool ready = writeInto(file, document) && file.finish();
    if (!ready && errorText)
        *errorText = file.errorString();
    return ready ? 0 : 1;
}

int saveProject(const QString &fileName, const ProjectDocument &document, QString *errorText)
{
    const int status = writeProjectFile(fileName, document, errorText);
    if (status != 0)
        return status;
    prepareResultFolder(fileName);
    return 0;
}

int saveProject(const QString &fileName, ProjectDocument &&document, QString *errorText)
{
    CheckedSaveFile file(fileName);
    std::future<void> freed;
    const int status = writeAndCommit(file, document, errorText, [&] {
        // A large document takes a while to free; the disk's final sync and the rename,
        // which frees the old file, take longer.
        try {
            freed = std::async(std::launch::async, [dropped = std::move(document)]() mutable {
                const ProjectDocument gone = std::move(dropped);
            });
        } catch (const std::system_error &) {
            const ProjectDocument gone = std::move(document);
        }
    });
    if (status == 0)
        prepareResultFolder(fileName);
    return status;
}

bool ProjectDocument::isNetlistProject() const
{
    const QStringList words = fileTypeLine.simplified().split(QLatin1Char(' '));
    return words.value(1) == QLatin1String("SONNETPRJ") && geometry == GeometryBlock{};
}

} // namespace torvane
