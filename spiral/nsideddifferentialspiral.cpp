#include "spiral/nsideddifferentialspiral.h"

#include <cmath>
#include <numbers>

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

QString cNSidedDifferentialSpiral::inductanceText(double lengthScale, double inductanceScale) const
{
    return polygonInductanceText(m_sides, m_turns, outerDiameter(), m_radius, lengthScale,
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

void cNSidedDifferentialSpiral::addVias(ProjectDocument &project, int &nextDebugId)
{
    const Frame f = frame(project);
    const double width = addUnderpassAndTapVias(project, nextDebugId, f);

    int firstSpiral = 0;
    int lastSpiral = 0;
    spiralLevelRange(firstSpiral, lastSpiral);
    if (firstSpiral == lastSpiral)
        return;
    // With n divisible by 4 a side's middle is the top, otherwise a corner.
    const bool sideOnTop = m_sides % 4 == 0;
    for (int i = 0; i <= m_turns - 1; ++i) {
        const double a = sideOnTop ? f.r(i) : f.r(i) / std::cos(pi / m_sides);
        addVia(project, nextDebugId, Point(f.cx - f.cell / 20, f.cy - a),
               Point(f.cx + f.cell / 20, f.cy - a), width, firstSpiral, lastSpiral);
        addVia(project, nextDebugId, Point(f.cx - f.cell / 20, f.cy + a),
               Point(f.cx + f.cell / 20, f.cy + a), width, firstSpiral, lastSpiral);
    }
}
