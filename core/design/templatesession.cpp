#include "core/design/templatesession.h"

#include "core/template/layerroles.h"
#include "core/template/templatecheck.h"

#include <QFileInfo>

namespace torvane {

namespace {
const QStringList noLevels;
} // namespace

const QStringList &TemplateSession::levelMetals() const
{
    return current ? current->layerSetup() : noLevels;
}

const QStringList &TemplateSession::levelRoles() const
{
    return current ? current->functionSetup() : noLevels;
}

Status TemplateSession::load(const QString &fileName)
{
    if (fileName.isEmpty())
        return failure(QStringLiteral("No file name given."));
    ProjectDocument document;
    if (loadProject(fileName, document) != 0)
        return failure(QString());
    if (const std::optional<QString> defect = templateDefect(document))
        return failure(*defect);
    asRead = Technology::fromTemplate(std::move(document));
    current = asRead;
    filePath = fileName;
    remember(fileName);
    return {};
}

bool TemplateSession::setLevels(const QStringList &metals, const QStringList &roles)
{
    if (!current || (metals == current->layerSetup() && roles == current->functionSetup()))
        return false;
    for (Technology *technology : {&*asRead, &*current}) {
        if (!technology->setMetals(metals) || !technology->setRoles(roles))
            return false;
    }
    return true;
}

Status TemplateSession::saveAs(const QString &fileName, bool staircase)
{
    if (!current)
        return failure(QStringLiteral("No technology template is loaded."));
    ProjectDocument document = current->document();
    QString reason;
    if (saveWithLayerSetup(document, fileName, current->layerSetup(), current->functionSetup(),
                           staircase, &reason) != 0)
        return failure(reason);
    asRead = current;
    filePath = fileName;
    remember(fileName);
    return {};
}

void TemplateSession::setLengthUnit(const QString &unit)
{
    if (!current)
        return;
    Technology technology = *asRead;
    technology.setInductanceUnit(current->document().dimension.inductanceUnit);
    // A file whose own unit is unknown keeps its numbers, as it did before it was converted.
    if (!technology.setLengthUnit(unit))
        technology.renameLengthUnit(unit);
    current = std::move(technology);
}

void TemplateSession::setInductanceUnit(const QString &unit)
{
    if (current)
        current->setInductanceUnit(unit);
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
