#include "cli/rendermodule.h"

#include "charts/chartpicture.h"
#include "charts/lqchart.h"
#include "core/render/layoutpicture.h"

#include <QApplication>
#include <QGuiApplication>

using namespace torvane;

namespace {
std::unique_ptr<QCoreApplication> makeGuiApplication(int &argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]).startsWith("--plot"))
            return std::make_unique<QApplication>(argc, argv);
    }
    return std::make_unique<QGuiApplication>(argc, argv);
}

torvane::Status writeFrequencyPlot(const QString &fileName, const FrequencyResponse &response,
                                   const LqChartUnits &units, QSize size)
{
    const std::unique_ptr<QChart> chart = makeLqChart(response, units);
    return writeChartPicture(fileName, *chart, size);
}
} // namespace

extern "C" Q_DECL_EXPORT const RenderModule *torvaneRenderModule()
{
    static const RenderModule module{&makeGuiApplication, &writeLayoutPicture, &writeFrequencyPlot};
    return &module;
}
