// Speed of the loss over frequency (the filament model) at 20 frequencies from 0.1 to 10 GHz,
// per shape and size, up to the largest spirals the window allows, in free space alone and with
// the box (the built-in stack's cover 100 um above the spiral, its ground plane, walls 4 mm
// apart); and how soon a computation returns once asked to stop. Run from a Release or
// RelWithDebInfo build:
//   bench_loss [REPETITIONS [SHAPE [TURNS]]]
//   bench_loss stop [SHAPE [TURNS]]
// SHAPE picks the shapes whose name starts with it, TURNS one size. The wall time is the median;
// the CPU time per call counts every thread (the frequencies run in parallel).
#include "bench/core/inductance/benchspirals.h"
#include "core/inductance/frequencyresponse.h"
#include "core/template/analysisfrequencies.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"

#include <QElapsedTimer>

#include <ctime>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace torvane;

namespace {
struct Technology
{
    ProjectDocument document = builtInTemplate();
    QStringList layerSetup;
    QStringList functionSetup;
    // The built-in stack in a box large enough for 99.99 turns.
    Technology()
    {
        document.geometry.box.xWidth = 4000;
        document.geometry.box.yWidth = 4000;
        document.geometry.box.xCells2 = 8000;
        document.geometry.box.yCells2 = 8000;
        readLayerSetup(document, layerSetup, functionSetup);
    }
};

struct Timing
{
    double wall = 0; // median
    double cpu = 0;  // mean
    FrequencyResponse result;
};

Timing timed(const SpiralParameters &p, const Technology &t, const std::vector<double> &frequencies,
             int runs, BoxEffect box)
{
    ResponseControl control;
    control.box = box;
    std::vector<double> times;
    Timing timing;
    const double cpuStart = cpuMilliseconds();
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        timing.result =
            frequencyResponse(p, t.document, t.layerSetup, t.functionSetup, frequencies, control);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    timing.cpu = (cpuMilliseconds() - cpuStart) / runs;
    timing.wall = median(times);
    return timing;
}

// From the stop request to the computation's return, with the request when a third of the
// time alone has passed.
void measureStop(const char *name, double turns, const SpiralParameters &p, const Technology &t,
                 const std::vector<double> &frequencies)
{
    QElapsedTimer whole;
    whole.start();
    frequencyResponse(p, t.document, t.layerSetup, t.functionSetup, frequencies);
    const double alone = whole.nsecsElapsed() / 1e6;
    std::atomic<bool> stop{false};
    ResponseControl control;
    control.stop = &stop;
    QElapsedTimer returned;
    std::thread worker([&] {
        frequencyResponse(p, t.document, t.layerSetup, t.functionSetup, frequencies, control);
    });
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long>(alone * 1000 / 3)));
    returned.start();
    stop = true;
    worker.join();
    std::printf("%-32s %6.2f turns %9.2f ms alone, back %7.2f ms after the stop\n", name, turns,
                alone, returned.nsecsElapsed() / 1e6);
}
} // namespace

int main(int argc, char **argv)
{
    const bool stopping = argc > 1 && QByteArray(argv[1]) == "stop";
    const int repetitions = argc > 1 && !stopping ? std::max(1, std::atoi(argv[1])) : 5;
    const QString onlyShape = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const double onlyTurns = argc > 3 ? std::atof(argv[3]) : 0;
    const Technology t;
    const std::vector<double> frequencies = logSpacedFrequencies(1e8, 1e10, 20);

    const std::vector<BenchShape> shapes{
        {"round", SpiralShape::Round, 0, 50},
        {"n-sided, 4 sides", SpiralShape::NSided, 4, 50},
        {"n-sided, 8 sides", SpiralShape::NSided, 8, 50},
        {"n-sided, 16 sides", SpiralShape::NSided, 16, 50},
        {"round differential", SpiralShape::RoundDifferential, 0, 50},
        {"n-sided differential, 8 sides", SpiralShape::NSidedDifferential, 8, 50},
    };
    return forEachBenchSpiral(
        shapes, onlyShape, onlyTurns,
        [&](const BenchShape &shape, double turns, const SpiralParameters &p) {
            if (stopping) {
                measureStop(shape.name, turns, p, t, frequencies);
                return 0;
            }
            // The largest spirals once: they take seconds.
            const int runs = turns > 50 ? 1 : repetitions;
            const Timing free = timed(p, t, frequencies, runs, BoxEffect::Left);
            const Timing boxed = timed(p, t, frequencies, runs, BoxEffect::Included);
            const FrequencyResponse &result = boxed.result;
            if (!result.hasValues()) {
                std::printf("%-32s %6.2f turns: %s\n", shape.name, turns,
                            qPrintable(result.reason));
                return 1;
            }
            if (!result.hasInBoxValues()) {
                std::printf("%-32s %6.2f turns %8.2f ms %8.2f ms CPU | no box: %s\n", shape.name,
                            turns, free.wall, free.cpu, qPrintable(result.inBoxReason));
                return 0;
            }
            const FrequencyPoint &top = result.freeSpace.back();
            const FrequencyPoint &topBox = result.inBox.back();
            std::printf("%-32s %6.2f turns %8.2f ms %8.2f ms CPU | box %8.2f ms %8.2f ms CPU   "
                        "R_dc %.4g ohm; at 10 GHz R %.4g / %.4g ohm, L %.4g / %.4g nH; "
                        "peak Q %.4g / %.4g\n",
                        shape.name, turns, free.wall, free.cpu, boxed.wall, boxed.cpu,
                        result.resistanceDC, top.resistance, topBox.resistance,
                        top.inductance * 1e9, topBox.inductance * 1e9, result.peakQ()->q,
                        result.inBoxPeakQ()->q);
            return 0;
        });
}
