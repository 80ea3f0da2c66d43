#include "cli/rendermodule.h"

#include "core/render/layoutpicture.h"

#include <QGuiApplication>

namespace {
std::unique_ptr<QCoreApplication> makeGuiApplication(int &argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}
} // namespace

extern "C" Q_DECL_EXPORT const RenderModule *torvaneRenderModule()
{
    static const RenderModule module{&makeGuiApplication, &writeLayoutPicture};
    return &module;
}
