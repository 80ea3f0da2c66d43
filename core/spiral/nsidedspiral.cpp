#include "core/spiral/nsidedspiral.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace torvane {

namespace {
constexpr double pi = std::numbers::pi;
constexpr double upwards = 4.71238898038469;
} // namespace

cNSidedSpiral::cNSidedSpiral(int sides, double turns, double radius, double spiralWidth,
                             double spacing, double bridgeWidth, const QStringList *levelMetalNames,
                             const QStringList *levelRoles)
    : cRoundSpiral(turns, radius, spiralWidth, spacing, bridgeWidth, levelMetalNames, levelRoles),
      m_sides(sides)
{}

InductanceEstimate cNSidedSpiral::inductanceEstimate(double lengthScale,
                                                     double inductanceScale) const
{
    return polygonInductance(m_sides, m_turns, outerDiameter(), m_radius, lengthScale,
                             inductanceScale);
}

cRoundSpiral::WindingEdges cNSidedSpiral::windingEdges(const ProjectDocument &project)
{
    const double cx = project.geometry.box.xWidth / 2;
    const double cy = project.geometry.box.yWidth / 2;
    const double w = m_spiralWidth;
    const double r0 = m_radius;
    const double n = m_sides;
    // Whole sides only: the winding stops on the last full side, not on the rounded quarter.
    const int segs = static_cast<int>(std::floor(n * m_turns));
    const double delta = 2 * pi / n;
    const double tau = std::tan(delta / 2);
    const double growth = (m_spacing + w) / n;
    double theta = upwards;
    double dx = r0 + w / 2;
    double dy = 0;
    double apothem = r0 + w / 2;

    WindingEdges edges;
    edges.outer.reserve(std::max(segs, 0) + 2);
    edges.innerBackward.reserve(std::max(segs, 0) + 2);
    edges.outer.append(Point(cx + r0 + w / 2, cy));

    // Half sides at both ends, so whole turns start and end on the +x axis.
    for (int c = 0; c <= segs; ++c) {
        double side = 2 * apothem * tau;
        if (c == 0 || c == segs)
            side /= 2;
        dx += side * std::cos(theta);
        dy += side * std::sin(theta);
        edges.outer.append(Point(cx + dx, cy + dy));
        theta -= delta;
        apothem += growth;
    }

    apothem = apothem - w - growth;
    const double inward = theta + delta - pi / 2;
    dx += w * std::cos(inward);
    dy += w * std::sin(inward);
    m_outerEndX = cx + dx;
    m_outerEndY = cy + dy;
    edges.innerBackward.append(Point(m_outerEndX, m_outerEndY));
    theta = inward + pi / 2;

    for (int c = 0; c <= segs; ++c) {
        double side = 2 * apothem * tau;
        if (c == 0 || c == segs)
            side /= 2;
        dx -= side * std::cos(theta);
        dy -= side * std::sin(theta);
        edges.innerBackward.append(Point(cx + dx, cy + dy));
        theta += delta;
        apothem -= growth;
    }
    return edges;
}

void cNSidedSpiral::addWinding(ProjectDocument &project, int &nextDebugId, int level, int metalType)
{
    addWindingPolygon(project, nextDebugId, level, metalType,
                      m_sides == 4 ? QStringLiteral("N") : QStringLiteral("V"));
}

std::pair<Point, Point> cNSidedSpiral::feedAxis(const ProjectDocument &project) const
{
    const BoxSettings &box = project.geometry.box;
    const double x = m_outerEndX;
    const double y = m_outerEndY;
    const double h = m_spiralWidth / 2;
    switch (outerSide()) {
    case 0:
        return {Point(x + h, y), Point(box.xWidth - h, y)};
    case 1:
        return {Point(x + h, y - h), Point(x + h, h)};
    case 2:
        return {Point(x - h, y - h), Point(h, y - h)};
    default:
        return {Point(x - h, y + h), Point(x - h, box.yWidth - h)};
    }
}

void cNSidedSpiral::addOuterFeed(ProjectDocument &project, int &nextDebugId, int level,
                                 int metalType)
{
    const auto [from, to] = feedAxis(project);
    addStraightConductor(project, nextDebugId, level, metalType, from, to, m_spiralWidth);
    project.geometry.ports.append(Port(1, nextDebugId - 1, 2));
}

double cNSidedSpiral::referencePlaneLength(const ProjectDocument &project) const
{
    const BoxSettings &box = project.geometry.box;
    const double w = m_spiralWidth;
    switch (outerSide()) {
    case 0:
        return box.xWidth - m_outerEndX - w;
    case 1:
        return m_outerEndY - w;
    case 2:
        return m_outerEndX - w;
    default:
        return box.yWidth - m_outerEndY - w;
    }
}

} // namespace torvane
