#include "core/template/builtintemplate.h"

#include <QFile>

// Resources of a static library must be registered by name, outside any namespace.
static void registerTemplateResources()
{
    Q_INIT_RESOURCE(templates);
}

namespace torvane {

QByteArray builtInTemplateText()
{
    registerTemplateResources();
    QFile file(QStringLiteral(":/templates/builtin-rfic.son"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("built-in template resource missing");
    return file.readAll();
}

ProjectDocument builtInTemplate()
{
    return parseProject(builtInTemplateText());
}

QString builtInTemplateFileName()
{
    return QStringLiteral("builtin-rfic.son");
}

} // namespace torvane
