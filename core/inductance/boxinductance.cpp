#include "core/inductance/boxinductance.h"

#include "core/inductance/imagesum.h"

#include <cmath>
#include <utility>

namespace torvane {

namespace {
// mu0 / (4 pi) in henries per metre.
constexpr double mu0Over4Pi = 1e-7;
// A shell of images that changes both values by less than this share of them ends the sum.
constexpr double shellTolerance = 1e-5;
} // namespace

InBoxInductances inBoxInductances(const std::vector<CurrentPiece> &winding,
                                  const std::vector<CurrentPiece> &outside,
                                  const ConductingBox &box, const PathInductances &freeSpace,
                                  double metresPerUnit, std::stop_token stop,
                                  const std::atomic<bool> *stopFlag)
{
    InBoxInductances result;
    const double henriesPerUnit = mu0Over4Pi * metresPerUnit;
    if (!(henriesPerUnit > 0) || !std::isfinite(henriesPerUnit)) {
        result.reason = QStringLiteral("The length unit is unknown.");
        return result;
    }
    BoxImageSettings settings;
    settings.tolerance = shellTolerance;
    settings.stop = std::move(stop);
    settings.stopFlag = stopFlag;
    const double scale =
        std::min(std::fabs(freeSpace.winding), std::fabs(freeSpace.referencePlanes));
    const BoxImageSums sums = boxImageSums(winding, outside, box, scale / henriesPerUnit, settings);
    if (!sums.hasSums()) {
        result.reason = sums.failure;
        return result;
    }
    result.shells = sums.shells;
    const PathInductances values{freeSpace.winding + henriesPerUnit * sums.first,
                                 freeSpace.referencePlanes + henriesPerUnit * sums.all};
    if (!std::isfinite(values.winding) || !std::isfinite(values.referencePlanes) ||
        !(values.winding > 0) || !(values.referencePlanes > 0)) {
        result.reason = QStringLiteral("The box leaves no positive inductance: its conductors "
                                       "are too close to the spiral.");
        return result;
    }
    result.values = values;
    return result;
}

} // namespace torvane
