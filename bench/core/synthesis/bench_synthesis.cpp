// Speed of a typical synthesis on the built-in template: one shape, turns 1 to 10, the radius
// free, the geometry inductance of every design tried included. The goal is under 1 s each.
//   bench_synthesis [REPETITIONS]
#include "core/synthesis/synthesis.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace torvane;

namespace {
constexpr double goalMs = 1000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const ProjectDocument document = builtInTemplate();
    QStringList layerSetup;
    QStringList functionSetup;
    readLayerSetup(document, layerSetup, functionSetup);

    const struct
    {
        const char *name;
        SpiralShape shape;
        double targetNh;
    } cases[] = {
        {"round, 2 nH", SpiralShape::Round, 2},
        {"round, 8 nH", SpiralShape::Round, 8},
        {"n-sided 8, 5 nH", SpiralShape::NSided, 5},
        {"round differential, 3 nH", SpiralShape::RoundDifferential, 3},
        {"n-sided differential 8, 3 nH", SpiralShape::NSidedDifferential, 3},
    };
    bool allFast = true;
    for (const auto &c : cases) {
        SynthesisRequest request;
        request.design.shape = c.shape;
        request.design.spiralWidth = 10;
        request.design.spacing = 3;
        request.target = c.targetNh * 1e-9;
        request.maxTurns = 10;
        std::vector<double> times;
        SynthesisResult result;
        for (int r = 0; r < repetitions; ++r) {
            QElapsedTimer timer;
            timer.start();
            result = synthesizeSpiral(request, document, layerSetup, functionSetup);
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        const double ms = median(times);
        allFast = allFast && ms < goalMs;
        std::printf("%-30s %8.1f ms  %3d geometry values  %lld candidates%s\n", c.name, ms,
                    result.evaluations, static_cast<long long>(result.candidates.size()),
                    ms < goalMs ? "" : "  (over 1 s)");
        for (const SynthesisCandidate &candidate : result.candidates)
            std::printf("    %6.2f turns  radius %8.3f  size %7.2f x %7.2f  %.4f nH (%+.3f %%)\n",
                        candidate.parameters.turns, candidate.parameters.radius, candidate.sizeX,
                        candidate.sizeY, candidate.referencePlanes * 1e9,
                        candidate.deviation * 100);
        if (result.candidates.isEmpty())
            std::printf("    %s\n", qPrintable(synthesisExplanation(
                                        request, result, document.geometry.box,
                                        QStringLiteral("um"), QStringLiteral("nH"))));
    }
    return allFast ? 0 : 1;
}
