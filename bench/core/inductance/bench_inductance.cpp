// Speed of the inductance computed from the drawn geometry, per shape and size, up to the
// largest spirals the window allows, in free space and with the box. Run from a Release or
// RelWithDebInfo build:
//   bench_inductance [REPETITIONS [SHAPE [TURNS]]]
//   bench_inductance check [SHAPE [TURNS]]
//   bench_inductance boxcheck [SHAPE]
// SHAPE picks the shapes whose name starts with it ("round", "n-sided d"), TURNS one size;
// with a repetition of 1 and both given, the run suits valgrind --tool=callgrind. Besides the
// median wall time it shows the process CPU time per call: on a shared machine the wall time
// swings with the load, and the pair sums may run on several threads. "check" holds the
// clustered sums against the pair-by-pair ones, with the time of each; "boxcheck" the clustered
// box image sums against plain sums over the images (plainimagesum.h) on spirals in three boxes.
#include "bench/core/inductance/benchspirals.h"
#include "bench/core/inductance/plainimagesum.h"
#include "core/inductance/currentpath.h"
#include "core/inductance/geometryinductance.h"
#include "core/inductance/imagesum.h"
#include "core/inductance/spiralcurrentpath.h"
#include "core/spiral/roundspiral.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"

#include <QElapsedTimer>

#include <ctime>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace torvane;

namespace {
// The clustered sums against the pair-by-pair ones for one spiral.
void check(const char *name, double turns, const SpiralParameters &p,
           const ProjectDocument &document, const QStringList &layerSetup,
           const QStringList &functionSetup)
{
    const auto spiral = makeSpiral(p, &layerSetup, &functionSetup);
    const BoxSettings &box = document.geometry.box;
    const SpiralCurrentPaths paths =
        spiralCurrentPaths(spiral->drawnLayout(document), metalLevelHeights(document.geometry),
                           box.xWidth, box.yWidth);
    double start = cpuMilliseconds();
    const auto [winding, planes] = pathInductances(paths.winding, paths.outside);
    const double clustered = cpuMilliseconds() - start;
    start = cpuMilliseconds();
    const auto [pairWinding, pairPlanes] = pairwiseInductances(paths.winding, paths.outside);
    const double pairwise = cpuMilliseconds() - start;
    std::printf("%-32s %6.2f turns %6zu pieces %9.2f ms CPU (pairwise %9.2f ms)   "
                "%+.2e %+.2e  %.10g\n",
                name, turns, paths.winding.size() + paths.outside.size(), clustered, pairwise,
                winding / pairWinding - 1, planes / pairPlanes - 1, pairWinding);
}

// The clustered box image sums against the plain ones for one spiral, relative to L in free space.
bool boxCheck(const char *name, const SpiralParameters &p, const char *boxName,
              const ProjectDocument &document)
{
    QStringList layerSetup;
    QStringList functionSetup;
    readLayerSetup(document, layerSetup, functionSetup);
    const auto spiral = makeSpiral(p, &layerSetup, &functionSetup);
    const BoxSettings &size = document.geometry.box;
    const SpiralCurrentPaths paths =
        spiralCurrentPaths(spiral->drawnLayout(document), metalLevelHeights(document.geometry),
                           size.xWidth, size.yWidth);
    const ConductingBox box = *conductingBoxOf(document.geometry).box;
    const auto [winding, planes] = pathInductances(paths.winding, paths.outside);
    double start = cpuMilliseconds();
    BoxImageSettings settings;
    settings.tolerance = 1e-6;
    const BoxImageSums clustered =
        boxImageSums(paths.winding, paths.outside, box, winding, settings);
    const double clusteredTime = cpuMilliseconds() - start;
    start = cpuMilliseconds();
    const PlainImageSums plain = plainImageSums(paths.winding, paths.outside, box, winding, 1e-6);
    const double plainTime = cpuMilliseconds() - start;
    const double windingError = (clustered.first - plain.first) / (winding + plain.first);
    const double planesError = (clustered.all - plain.all) / (planes + plain.all);
    std::printf("%-22s %-10s %5.2f turns: box takes %5.2f %% (%6.2f %% at planes); clustered - "
                "plain %+.1e %+.1e of L in the box  %8.1f ms (%lld images) / %8.1f ms (%lld)\n",
                name, boxName, p.turns, -100 * plain.first / winding, -100 * plain.all / planes,
                windingError, planesError, clusteredTime, clustered.images, plainTime,
                plain.images);
    return std::fabs(windingError) < 3e-5 && std::fabs(planesError) < 3e-5;
}

int boxChecks(const QString &onlyShape)
{
    // The built-in stack in its 400 um box; in a 1000 um box under 30 um of air; and in that
    // box with free space above.
    const ProjectDocument builtIn = builtInTemplate();
    ProjectDocument low = builtIn;
    low.geometry.box.xWidth = low.geometry.box.yWidth = 1000;
    low.geometry.box.xCells2 = low.geometry.box.yCells2 = 2000;
    low.geometry.dielectricLayers.first().thickness = 30;
    ProjectDocument open = low;
    open.geometry.topMetal.model = QStringLiteral("FREESPACE");
    const struct
    {
        const char *name;
        SpiralShape shape;
        int sides;
        double turns;
        double radius;
    } spirals[] = {
        {"round", SpiralShape::Round, 0, 4.5, 30},
        {"n-sided, 5 sides", SpiralShape::NSided, 5, 3.75, 40},
        {"round differential", SpiralShape::RoundDifferential, 0, 4, 40},
        {"n-sided differential", SpiralShape::NSidedDifferential, 8, 3, 60},
    };
    bool good = true;
    for (const auto &s : spirals) {
        if (!QString::fromLatin1(s.name).startsWith(onlyShape))
            continue;
        SpiralParameters p = benchSpiral({s.name, s.shape, s.sides, s.radius}, s.turns);
        p.spiralWidth = 8;
        p.spacing = 4;
        p.bridgeWidth = 8;
        good = boxCheck(s.name, p, "built-in", builtIn) && good;
        good = boxCheck(s.name, p, "low cover", low) && good;
        good = boxCheck(s.name, p, "no cover", open) && good;
    }
    return good ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const bool checking = argc > 1 && QByteArray(argv[1]) == "check";
    const QString onlyShape = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (argc > 1 && QByteArray(argv[1]) == "boxcheck")
        return boxChecks(onlyShape);
    const int repetitions = argc > 1 && !checking ? std::max(1, std::atoi(argv[1])) : 11;
    const double onlyTurns = argc > 3 ? std::atof(argv[3]) : 0;
    // The built-in stack in a box large enough for 99.99 turns.
    ProjectDocument document = builtInTemplate();
    document.geometry.box.xWidth = 4000;
    document.geometry.box.yWidth = 4000;
    document.geometry.box.xCells2 = 8000;
    document.geometry.box.yCells2 = 8000;
    QStringList layerSetup;
    QStringList functionSetup;
    readLayerSetup(document, layerSetup, functionSetup);

    const std::vector<BenchShape> shapes{
        {"round", SpiralShape::Round, 0, 50},
        {"n-sided, 8 sides", SpiralShape::NSided, 8, 50},
        {"n-sided, 16 sides", SpiralShape::NSided, 16, 50},
        {"round differential", SpiralShape::RoundDifferential, 0, 50},
        {"n-sided differential, 8 sides", SpiralShape::NSidedDifferential, 8, 50},
        {"n-sided differential, 16 sides", SpiralShape::NSidedDifferential, 16, 100},
    };
    return forEachBenchSpiral(
        shapes, onlyShape, onlyTurns,
        [&](const BenchShape &shape, double turns, const SpiralParameters &p) {
            if (checking) {
                check(shape.name, turns, p, document, layerSetup, functionSetup);
                return 0;
            }
            GeometryInductance result;
            const auto timed = [&](BoxEffect box) {
                std::vector<double> times;
                const double cpuStart = cpuMilliseconds();
                for (int r = 0; r < repetitions; ++r) {
                    QElapsedTimer timer;
                    timer.start();
                    result = geometryInductance(p, document, layerSetup, functionSetup, {}, box);
                    times.push_back(timer.nsecsElapsed() / 1e6);
                }
                return std::pair(median(times), (cpuMilliseconds() - cpuStart) / repetitions);
            };
            const auto [freeWall, freeCpu] = timed(BoxEffect::Left);
            const auto [wall, cpu] = timed(BoxEffect::Included);
            if (!result.hasInBoxValues()) {
                std::printf("%-32s %6.2f turns: %s\n", shape.name, turns,
                            qPrintable(result.reason + result.inBoxReason));
                return 1;
            }
            std::printf("%-32s %6.2f turns %8.2f ms %8.2f ms CPU (free space %7.2f ms %7.2f "
                        "ms CPU)   %.6g nH (%.6g at ref. planes), in the box %.6g (%.6g)\n",
                        shape.name, turns, wall, cpu, freeWall, freeCpu, *result.winding * 1e9,
                        *result.referencePlanes * 1e9, *result.inBoxWinding * 1e9,
                        *result.inBoxReferencePlanes * 1e9);
            return 0;
        });
}
