#include "core/template/layerroles.h"

namespace torvane {

namespace {
// The annotation must fill the whole line from its first character, case-sensitively.
bool isAnnotationOf(const QString &line, const QString &marker)
{
    return line.startsWith(marker);
}

qsizetype findAnnotation(const QStringList &headerLines, const QString &marker)
{
    for (qsizetype i = 0; i < headerLines.size(); ++i) {
        if (isAnnotationOf(headerLines[i], marker))
            return i;
    }
    return -1;
}
} // namespace

const QStringList &levelRoleNames()
{
    static const QStringList names{roleNone, roleSpiral, roleBridge};
    return names;
}

void readLayerAnnotation(const QStringList &headerLines, const QString &marker, QStringList &list,
                         const QString &defaultEntry, int levelCount)
{
    const qsizetype index = findAnnotation(headerLines, marker);
    if (index < 0)
        return;
    const QStringList parts = headerLines[index].split(QLatin1Char(','), Qt::SkipEmptyParts);
    list.clear();
    for (qsizetype i = 1; i < parts.size() && list.size() < levelCount; ++i)
        list.append(parts[i]);
    while (list.size() < levelCount)
        list.append(defaultEntry);
}

QString layerAnnotationLine(const QString &marker, const QStringList &list)
{
    return marker + QLatin1Char(',') + list.join(QLatin1Char(','));
}

void writeLayerAnnotation(QStringList &headerLines, const QString &marker, const QStringList &list)
{
    const QString line = layerAnnotationLine(marker, list);
    const qsizetype index = findAnnotation(headerLines, marker);
    if (index >= 0)
        headerLines[index] = line;
    else
        headerLines.append(line);
}

void readLayerSetup(const ProjectDocument &document, QStringList &layerSetup,
                    QStringList &functionSetup)
{
    const int levels = document.geometry.metalLevelCount();
    layerSetup = QStringList(levels, defaultLevelMetal);
    functionSetup = QStringList(levels, roleNone);
    readLayerAnnotation(document.headerLines, layerSetupMarker, layerSetup, defaultLevelMetal,
                        levels);
    readLayerAnnotation(document.headerLines, functionSetupMarker, functionSetup, roleNone, levels);
}

void applyLayerSetup(ProjectDocument &document, const QStringList &layerSetup,
                     const QStringList &functionSetup, bool staircase)
{
    if (staircase)
        document.geometry.setStaircaseFill();
    writeLayerAnnotation(document.headerLines, layerSetupMarker, layerSetup);
    writeLayerAnnotation(document.headerLines, functionSetupMarker, functionSetup);
}

int saveWithLayerSetup(ProjectDocument &document, const QString &fileName,
                       const QStringList &layerSetup, const QStringList &functionSetup,
                       bool staircase, QString *errorText)
{
    applyLayerSetup(document, layerSetup, functionSetup, staircase);
    return saveProject(fileName, document, errorText);
}

} // namespace torvane
