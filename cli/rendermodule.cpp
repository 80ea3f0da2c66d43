#include "cli/rendermodule.h"

#include "core/render/layoutpicture.h"

#include <QGuiApplication>

namespace {
std::unique_ptr<QCoreApplication> makeGuiApplication(int &argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

int writePicture(const QString &fileName, const DesignReview &review, QSize size,
                 QString *errorText)
{
    return writeLayoutPicture(fileName, review, size, errorText);
}
} // namespace

extern "C" Q_DECL_EXPORT const RenderModule *torvaneRenderModule()
{
    static const RenderModule module{&makeGuiApplication, &writePicture};
    return &module;
}
