#include "core/design/templatesession.h"

#include "core/template/layerroles.h"
#include "core/template/lengthconversion.h"
#include "core/template/templatecheck.h"
#include "core/template/units.h"

#include <QFileInfo>

namespace torvane {

Status TemplateSession::load(const QString &fileName)
{
    if (fileName.isEmpty())
        return failure(QStringLiteral("No file name given."));
    ProjectDocument document;
    if (loadProject(fileName, document) != 0)
        return failure(QString());
    if (const std::optional<QString> defect = templateDefect(document))
        return failure(*defect);
    asRead = document;
    loaded = std::move(document);
    filePath = fileName;
    layerSetup.clear();
    functionSetup.clear();
    readLayerSetup(*loaded, layerSetup, functionSetup);
    remember(fileName);
    return {};
}

bool TemplateSession::setLevels(const QStringList &metals, const QStringList &roles)
{
    bool changed = false;
    for (qsizetype level = 0; level < metals.size() && !changed; ++level)
        changed = metals[level] != layerSetup.value(level) ||
                  roles.value(level) != functionSetup.value(level);
    if (!changed)
        return false;
    layerSetup = metals;
    functionSetup = roles;
    return true;
}

Status TemplateSession::saveAs(const QString &fileName, bool staircase)
{
    if (!loaded)
        return failure(QStringLiteral("No technology template is loaded."));
    ProjectDocument technology = *loaded;
    technology.geometry.clearGeometry();
    QString reason;
    if (saveWithLayerSetup(technology, fileName, layerSetup, functionSetup, staircase, &reason) !=
        0)
        return failure(reason);
    asRead = technology;
    loaded = std::move(technology);
    filePath = fileName;
    remember(fileName);
    return {};
}

void TemplateSession::setLengthUnit(const QString &unit)
{
    if (!loaded)
        return;
    ProjectDocument document = *asRead;
    const double from = MetresPerLengthUnit(document.dimension.lengthUnit);
    const double to = MetresPerLengthUnit(unit);
    if (!(from > 0) || !(to > 0) || from == to || convertLengthUnit(document, unit))
        document.dimension.setLengthUnit(unit);
    document.dimension.setInductanceUnit(loaded->dimension.inductanceUnit);
    loaded = std::move(document);
}

void TemplateSession::setInductanceUnit(const QString &unit)
{
    if (loaded)
        loaded->dimension.setInductanceUnit(unit);
}

void TemplateSession::setRecentFiles(const QStringList &files)
{
    recent.clear();
    for (auto it = files.crbegin(); it != files.crend(); ++it) {
        if (!it->isEmpty())
            remember(*it);
    }
}

void TemplateSession::forgetRecentFile(const QString &fileName)
{
    recent.removeAll(fileName);
}

void TemplateSession::remember(const QString &fileName)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    recent.removeAll(path);
    recent.prepend(path);
    if (recent.size() > maxRecentFiles)
        recent.resize(maxRecentFiles);
}

} // namespace torvane
