#pragma once

#include "charts/lqchartunits.h"
#include "core/design/designreview.h"
#include "core/design/result.h"
#include "core/inductance/frequencyresponse.h"

#include <QCoreApplication>
#include <QSize>
#include <QString>

#include <memory>

// What `render` needs from QtGui, in a module of its own that torvane-cli loads for that
// command only: every other command starts without loading QtGui and the libraries it pulls in,
// which took half of the tool's start-up time.
struct RenderModule
{
    // The application to run the command in: a GUI one on the offscreen platform, as drawing
    // text needs one and there may be no display; a widget one for --plot, whose charts are
    // graphics widgets.
    std::unique_ptr<QCoreApplication> (*makeApplication)(int &argc, char **argv);
    torvane::Status (*writeLayoutPicture)(const QString &fileName,
                                          const torvane::DesignReview &review, QSize size);
    // The plot of L and Q against frequency.
    torvane::Status (*writeFrequencyPlot)(const QString &fileName,
                                          const torvane::FrequencyResponse &response,
                                          const LqChartUnits &units, QSize size);
};

// The module's one exported function.
inline constexpr char renderModuleEntry[] = "torvaneRenderModule";
using RenderModuleEntry = const RenderModule *(*)();

// Loads the module from its place relative to the program; throws CliError when it cannot.
const RenderModule &loadRenderModule();
