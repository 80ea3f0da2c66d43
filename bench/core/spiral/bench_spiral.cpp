// Speed of the live estimate and of a full layout with text writing, for the largest spirals
// the form allows. Run from a Release or RelWithDebInfo build: bench_spiral [REPETITIONS]
#include "core/sonnet/projectdocument.h"
#include "core/spiral/differentialspiral.h"
#include "core/spiral/nsideddifferentialspiral.h"
#include "core/spiral/nsidedspiral.h"
#include "core/spiral/roundspiral.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

using namespace torvane;

namespace {
using Factory = std::function<std::unique_ptr<cRoundSpiral>()>;

const QStringList metalNames{QStringLiteral("Lossless"), QStringLiteral("Lossless")};
const QStringList roles{QStringLiteral("bridge"), QStringLiteral("spiral")};

ProjectDocument emptyProject()
{
    ProjectDocument document;
    document.fileTypeLine = QStringLiteral("FTYP SONPROJ 1 ! Sonnet Project File");
    document.versionLine = QStringLiteral("VER 10.52");
    GeometryBlock &geometry = document.geometry;
    geometry.box = BoxSettings{100000, 100000, 200000, 200000, 20, 0};
    for (int i = 0; i < 3; ++i)
        geometry.dielectricLayers.append(DielectricLayer{10, 1, 1, 0, 0, 0, 0, QString()});
    geometry.metalTypes.append(MetalType{QStringLiteral("MET"), QStringLiteral("Lossless"), 0,
                                         QStringLiteral("SUP"), QStringLiteral(" 0 0 0 0")});
    return document;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Microseconds per call, median over batches.
double estimateMicros(const Factory &make, int batches, qsizetype &sink)
{
    constexpr int perBatch = 1000;
    std::vector<double> times;
    for (int b = 0; b < batches; ++b) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < perBatch; ++i) {
            const auto spiral = make();
            sink += spiral->inductanceText(1e-6, 1e9).size();
            sink += qsizetype(spiral->sizeX() + spiral->sizeY());
        }
        times.push_back(timer.nsecsElapsed() / 1e3 / perBatch);
    }
    return median(times);
}

struct LayoutTimes
{
    double layoutMs = 0;
    double writeMs = 0;
    qsizetype points = 0;
    qsizetype bytes = 0;
};

LayoutTimes layoutMillis(const Factory &make, int repetitions)
{
    const ProjectDocument base = emptyProject();
    std::vector<double> layoutTimes;
    std::vector<double> writeTimes;
    LayoutTimes result;
    for (int r = 0; r < repetitions; ++r) {
        ProjectDocument document = base;
        QElapsedTimer timer;
        timer.start();
        make()->writeLayout(document);
        layoutTimes.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        const QByteArray text = serializeProject(document);
        writeTimes.push_back(timer.nsecsElapsed() / 1e6);
        result.bytes = text.size();
        result.points = 0;
        for (const Polygon &polygon : document.geometry.polygons)
            result.points += polygon.points.size();
    }
    result.layoutMs = median(layoutTimes);
    result.writeMs = median(writeTimes);
    return result;
}
} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 51;
    const struct
    {
        const char *name;
        Factory make;
    } cases[] = {
        {"round, 99.99 turns",
         [] {
             return std::make_unique<cRoundSpiral>(99.99, 100, 10, 5, 10, &metalNames, &roles);
         }},
        {"n-sided, 16 sides, 99.99 turns",
         [] {
             return std::make_unique<cNSidedSpiral>(16, 99.99, 100, 10, 5, 10, &metalNames, &roles);
         }},
        {"round differential, 99 turns",
         [] {
             return std::make_unique<cDifferentialSpiral>(99, 100, 10, 5, 10, true, 5, true,
                                                          &metalNames, &roles);
         }},
        {"n-sided differential, 16 sides, 99 turns",
         [] {
             return std::make_unique<cNSidedDifferentialSpiral>(99, 16, 100, 10, 5, 10, true, 5,
                                                                true, &metalNames, &roles);
         }},
    };

    qsizetype sink = 0;
    for (const auto &c : cases) {
        const double estimate = estimateMicros(c.make, repetitions, sink);
        const LayoutTimes layout = layoutMillis(c.make, repetitions);
        std::printf("%-42s estimate %7.3f us/call   layout %7.3f ms + write %7.3f ms = %7.3f ms"
                    "   (%lld points, %lld bytes)\n",
                    c.name, estimate, layout.layoutMs, layout.writeMs,
                    layout.layoutMs + layout.writeMs, static_cast<long long>(layout.points),
                    static_cast<long long>(layout.bytes));
    }
    return sink == 0 ? 1 : 0;
}
