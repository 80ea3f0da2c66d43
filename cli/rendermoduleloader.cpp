#include "cli/clierror.h"
#include "cli/rendermodule.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

using namespace torvane;

const RenderModule &loadRenderModule()
{
    // Called before the application exists, so the program's folder comes from the system.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    const QString path =
        QDir::cleanPath(QFileInfo(program).dir().filePath(QStringLiteral(TORVANE_RENDER_MODULE)));
    // Kept loaded for the rest of the run: the application it makes lives in QtGui.
    QLibrary library(path);
    const auto entry = reinterpret_cast<RenderModuleEntry>(library.resolve(renderModuleEntry));
    if (!entry) {
        throw CliError(QStringLiteral("render cannot load its drawing module (%1): %2")
                           .arg(QDir::toNativeSeparators(path), library.errorString()));
    }
    return *entry();
}
