// Speed of the inductance computed from the drawn geometry, per shape and size, up to the
// largest spirals the window allows. Run from a Release or RelWithDebInfo build:
//   bench_inductance [REPETITIONS [SHAPE [TURNS]]]
//   bench_inductance check [SHAPE [TURNS]]
// SHAPE picks the shapes whose name starts with it ("round", "n-sided d"), TURNS one size;
// with a repetition of 1 and both given, the run suits valgrind --tool=callgrind. Besides the
// median wall time it shows the process CPU time per call: on a shared machine the wall time
// swings with the load, and the pair sums may run on several threads. "check" holds the
// clustered sums against the pair-by-pair ones, with the time of each.
#include "core/inductance/currentpath.h"
#include "core/inductance/geometryinductance.h"
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

namespace {
SpiralParameters spiral(SpiralShape shape, double turns, int sides, double radius)
{
    SpiralParameters p;
    p.shape = shape;
    p.turns = turns;
    p.sides = sides;
    p.radius = radius;
    p.spiralWidth = 10;
    p.spacing = 5;
    p.bridgeWidth = 10;
    return p;
}

double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    const bool checking = argc > 1 && QByteArray(argv[1]) == "check";
    const int repetitions = argc > 1 && !checking ? std::max(1, std::atoi(argv[1])) : 11;
    const QString onlyShape = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
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

    const struct
    {
        const char *name;
        SpiralShape shape;
        int sides;
        double radius;
    } shapes[] = {
        {"round", SpiralShape::Round, 0, 50},
        {"n-sided, 8 sides", SpiralShape::NSided, 8, 50},
        {"n-sided, 16 sides", SpiralShape::NSided, 16, 50},
        {"round differential", SpiralShape::RoundDifferential, 0, 50},
        {"n-sided differential, 8 sides", SpiralShape::NSidedDifferential, 8, 50},
        {"n-sided differential, 16 sides", SpiralShape::NSidedDifferential, 16, 100},
    };
    for (const auto &shape : shapes) {
        if (!QString::fromLatin1(shape.name).startsWith(onlyShape))
            continue;
        const bool differential = isDifferential(shape.shape);
        for (const double turns : {2.0, 5.0, 10.0, differential ? 99.0 : 99.99}) {
            if (onlyTurns > 0 && turns != onlyTurns)
                continue;
            const SpiralParameters p = spiral(shape.shape, turns, shape.sides, shape.radius);
            if (checking) {
                check(shape.name, turns, p, document, layerSetup, functionSetup);
                continue;
            }
            std::vector<double> times;
            GeometryInductance result;
            const double cpuStart = cpuMilliseconds();
            for (int r = 0; r < repetitions; ++r) {
                QElapsedTimer timer;
                timer.start();
                result = geometryInductance(p, document, layerSetup, functionSetup);
                times.push_back(timer.nsecsElapsed() / 1e6);
            }
            const double cpu = (cpuMilliseconds() - cpuStart) / repetitions;
            if (!result.hasValues()) {
                std::printf("%-32s %6.2f turns: %s\n", shape.name, turns,
                            qPrintable(result.reason));
                return 1;
            }
            std::printf("%-32s %6.2f turns %9.2f ms %9.2f ms CPU   %.9g nH (%.9g nH at ref. "
                        "planes)\n",
                        shape.name, turns, median(times), cpu, *result.winding * 1e9,
                        *result.referencePlanes * 1e9);
        }
    }
    return 0;
}
