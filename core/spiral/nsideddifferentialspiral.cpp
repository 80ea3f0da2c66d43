#include "core/spiral/nsideddifferentialspiral.h"

#include <cmath>
#include <numbers>

namespace torvane {

namespace {
constexpr double pi = std::numbers::pi;
} // namespace

cNSidedDifferentialSpiral::cNSidedDifferentialSpiral(double turns, int sides, double radius,
                                                     double spiralWidth, double spacing,
                                                     double bridgeWidth, bool feedSpacingAuto,
                                                     double feedSpacing, bool centerTap,
                                                     const QStringList *levelMetalNames,
                                                     const QStringList *levelRoles)
    : cDifferentialSpiral(turns, radius, spiralWidth, spacing, bridgeWidth, feedSpacingAuto,
                          feedSpacing, centerTap, levelMetalNames, levelRoles),
      m_sides(sides)
{}

InductanceEstimate cNSidedDifferentialSpiral::inductanceEstimate(double lengthScale,
                                                                 double inductanceScale) const
{
    return polygonInductance(m_sides, m_turns, outerDiameter(), m_radius, lengthScale,
                             inductanceScale);
}

double cNSidedDifferentialSpiral::sizeY() const
{
    return singleEndedDiameter();
}

void cNSidedDifferentialSpiral::addHalfTurn(CenterLinePath &path, const Frame &f, double apothem,
                                            bool upper) const
{
    const double n = m_sides;
    const double e = f.pitch / 2 + 2 * f.gap;
    const double corner = apothem / std::cos(pi / n);
    // Negating is exact, so cy + sign * v equals cy - v bit for bit.
    const double sign = upper ? -1 : 1;
    path.append(f.cx + apothem, f.cy + sign * e);
    const double step = 2 * pi / n;
    double phi = pi / n;
    for (int j = 0; j < m_sides / 2; ++j) {
        path.append(f.cx + corner * std::cos(phi), f.cy + sign * (corner * std::sin(phi)));
        phi += step;
    }
    path.append(f.cx + apothem * std::cos(pi), f.cy + sign * (apothem * std::sin(pi)) + sign * e);
}

std::pair<double, double> cNSidedDifferentialSpiral::stackedViaRows(const Frame &f, int turn) const
{
    // With n divisible by 4 a side's middle is the top, otherwise a corner.
    const double a = m_sides % 4 == 0 ? f.r(turn) : f.r(turn) / std::cos(pi / m_sides);
    return {f.cy - a, f.cy + a};
}

} // namespace torvane
