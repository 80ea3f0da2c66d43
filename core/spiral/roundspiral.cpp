#include "core/spiral/roundspiral.h"

#include "core/sonnet/numberformat.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace torvane {

namespace {
constexpr double pi = std::numbers::pi;
constexpr double tenDegrees = 0.17453292519943295;
constexpr double halfMu0 = 6.283185307179586e-7;
constexpr double mu0 = 1.2566370614359173e-6;

struct PolygonCoefficients
{
    double c1, c2, c3, c4, k1, k2;
};

PolygonCoefficients coefficientsFor(int sides)
{
    if (sides == 4 || sides == 5)
        return {1.27, 2.07, 0.18, 0.13, 2.34, 2.75};
    if (sides == 6 || sides == 7)
        return {1.09, 2.23, 0, 0.17, 2.33, 3.82};
    if (sides >= 8 && sides <= 11)
        return {1.07, 2.29, 0, 0.19, 2.25, 3.55};
    // Circle current-sheet terms; Wheeler has no row of its own here.
    return {1.0, 2.46, 0, 0.2, 2.25, 3.55};
}
} // namespace

void addStraightConductor(ProjectDocument &project, int &nextDebugId, int level, int metalType,
                          Point p1, Point p2, double width)
{
    Polygon polygon(nextDebugId, static_cast<unsigned>(level), metalType, QStringLiteral("N"));

    // a points from p2 back to p1, so p1 + t*d lies beyond the near end.
    double a;
    if (std::fabs(p2.x - p1.x) < 1e-6)
        a = p2.y > p1.y ? -pi / 2 : pi / 2;
    else if (std::fabs(p2.y - p1.y) < 1e-6)
        a = p1.x <= p2.x ? pi : 0;
    else
        a = std::atan((p2.y - p1.y) / (p2.x - p1.x));

    const double t = width / 2;
    const double dx = std::cos(a);
    const double dy = std::sin(a);
    const double nx = std::cos(a + pi / 2);
    const double ny = std::sin(a + pi / 2);
    const Point first(p1.x + t * dx - t * nx, p1.y + t * dy - t * ny);
    polygon.points = {first,
                      {p1.x + t * dx + t * nx, p1.y + t * dy + t * ny},
                      {p2.x - t * dx + t * nx, p2.y - t * dy + t * ny},
                      {p2.x - t * dx - t * nx, p2.y - t * dy - t * ny},
                      first};
    project.geometry.polygons.append(polygon);
    ++nextDebugId;
}

cRoundSpiral::cRoundSpiral(double turns, double radius, double spiralWidth, double spacing,
                           double bridgeWidth, const QStringList *levelMetalNames,
                           const QStringList *levelRoles)
    : m_levelMetalNames(levelMetalNames), m_levelRoles(levelRoles), m_turns(turns),
      m_radius(radius), m_spiralWidth(spiralWidth), m_spacing(spacing), m_bridgeWidth(bridgeWidth)
{}

qint64 cRoundSpiral::quarterTurns() const
{
    return static_cast<qint64>(std::floor(4 * m_turns + 0.5));
}

double cRoundSpiral::singleEndedDiameter() const
{
    const double n = m_turns;
    return 2 * ((n + 0.5) * m_spiralWidth + m_radius + n * m_spacing);
}

double cRoundSpiral::outerDiameter() const
{
    return singleEndedDiameter();
}

double cRoundSpiral::sizeX() const
{
    return singleEndedDiameter();
}

double cRoundSpiral::sizeY() const
{
    return singleEndedDiameter();
}

QString inductanceEstimateText(const InductanceEstimate &estimate)
{
    if (!estimate.high)
        return formatReal(estimate.low);
    return formatReal(estimate.low) + QStringLiteral(" to ") + formatReal(*estimate.high);
}

InductanceEstimate cRoundSpiral::inductanceEstimate(double lengthScale,
                                                    double inductanceScale) const
{
    return circleInductance(m_turns, outerDiameter(), m_radius, lengthScale, inductanceScale);
}

InductanceEstimate cRoundSpiral::circleInductance(double turns, double outerDiameter, double radius,
                                                  double lengthScale, double inductanceScale)
{
    const double dout = outerDiameter * lengthScale;
    const double din = 2 * radius * lengthScale;
    const double rho = (dout - din) / (dout + din);
    const double davg = (dout + din) / 2;
    const double henries =
        halfMu0 * (turns * turns) * davg * (std::log(2.46 / rho) + 0.2 * (rho * rho));
    return {henries * inductanceScale, std::nullopt};
}

InductanceEstimate cRoundSpiral::polygonInductance(int sides, double turns, double outerDiameter,
                                                   double radius, double lengthScale,
                                                   double inductanceScale)
{
    const double dout = outerDiameter * lengthScale;
    const double din = 2 * radius * lengthScale;
    const double rho = (dout - din) / (dout + din);
    const double davg = (dout + din) / 2;
    const PolygonCoefficients k = coefficientsFor(sides);
    const double n2 = turns * turns;

    const double currentSheet = k.c1 * halfMu0 * n2 * davg *
                                (std::log(k.c2 / rho) + k.c3 * rho + k.c4 * (rho * rho)) *
                                inductanceScale;
    const double wheeler = k.k1 * mu0 * n2 * davg / (1 + k.k2 * rho) * inductanceScale;

    // Unordered (nan) pairs fall to the second branch: Wheeler first.
    if (currentSheet < wheeler)
        return {currentSheet, wheeler};
    return {wheeler, currentSheet};
}

qsizetype cRoundSpiral::levelCount() const
{
    return m_levelRoles ? m_levelRoles->size() : 0;
}

int cRoundSpiral::levelMetalType(const ProjectDocument &project, qsizetype level) const
{
    if (!m_levelMetalNames || level >= m_levelMetalNames->size())
        return -1;
    return project.geometry.metalTypeIndex(m_levelMetalNames->at(level));
}

void cRoundSpiral::usedLevelRange(int &first, int &last) const
{
    const qsizetype count = levelCount();
    first = static_cast<int>(count);
    last = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (m_levelRoles->at(i) == QLatin1String("none"))
            continue;
        first = std::min(first, static_cast<int>(i));
        last = std::max(last, static_cast<int>(i));
    }
}

void cRoundSpiral::writeLayout(ProjectDocument &project)
{
    int nextDebugId = 10;
    const qsizetype count = levelCount();
    for (qsizetype i = 0; i < count; ++i) {
        const int level = static_cast<int>(i);
        const int metalType = levelMetalType(project, i);
        const QString &role = m_levelRoles->at(i);
        if (role == QLatin1String("bridge")) {
            addBridge(project, nextDebugId, level, metalType);
        } else if (role == QLatin1String("spiral")) {
            addWinding(project, nextDebugId, level, metalType);
            addOuterFeed(project, nextDebugId, level, metalType);
        }
    }
    addVias(project, nextDebugId);
    setReferencePlanes(project, project.geometry);
}

void cRoundSpiral::setReferencePlanes(const ProjectDocument &project, GeometryBlock &geometry) const
{
    const double length = referencePlaneLength(project);
    switch (outerSide()) {
    case 1:
        geometry.setReferencePlane(QStringLiteral("TOP"), length);
        break;
    case 2:
        geometry.setReferencePlane(QStringLiteral("LEFT"), length);
        break;
    case 3:
        geometry.setReferencePlane(QStringLiteral("BOTTOM"), length);
        break;
    default:
        break;
    }
    geometry.setReferencePlane(QStringLiteral("RIGHT"), length);
}

DrawnLayout cRoundSpiral::drawnLayout(const ProjectDocument &project)
{
    DrawnLayout layout;
    const auto conductor = [&](DrawnConductor::Kind kind, int level, double width,
                               const std::pair<Point, Point> &axis, double wallReach) {
        // The square end reaches past the axis end by half the width: to the wall.
        const double dx = axis.second.x - axis.first.x;
        const double dy = axis.second.y - axis.first.y;
        const double length = std::hypot(dx, dy);
        const double k = length > 0 ? wallReach / length : 0;
        layout.conductors.append(
            {kind,
             level,
             width,
             {axis.first, Point(axis.second.x + k * dx, axis.second.y + k * dy)}});
    };
    const qsizetype count = levelCount();
    for (qsizetype i = 0; i < count; ++i) {
        const int level = static_cast<int>(i);
        const QString &role = m_levelRoles->at(i);
        if (role == QLatin1String("bridge")) {
            conductor(DrawnConductor::Kind::Bridge, level, m_bridgeWidth, bridgeAxis(project),
                      m_bridgeWidth / 2);
        } else if (role == QLatin1String("spiral")) {
            const WindingEdges edges = windingEdges(project);
            DrawnConductor winding{DrawnConductor::Kind::Winding, level, m_spiralWidth, {}};
            const qsizetype n = std::min(edges.outer.size(), edges.innerBackward.size());
            for (qsizetype k = 0; k < n; ++k) {
                const Point &a = edges.outer[k];
                const Point &b = edges.innerBackward[n - 1 - k];
                winding.points.append(Point((a.x + b.x) / 2, (a.y + b.y) / 2));
            }
            layout.conductors.append(winding);
            conductor(DrawnConductor::Kind::Feed, level, m_spiralWidth, feedAxis(project),
                      m_spiralWidth / 2);
        }
    }
    int first = 0;
    int last = 0;
    usedLevelRange(first, last);
    const double cx = project.geometry.box.xWidth / 2;
    const double cy = project.geometry.box.yWidth / 2;
    layout.vias.append({Point(cx + m_radius, cy), first, last});
    GeometryBlock planes;
    setReferencePlanes(project, planes);
    layout.referencePlanes = planes.referencePlanes;
    return layout;
}

cRoundSpiral::WindingEdges cRoundSpiral::windingEdges(const ProjectDocument &project)
{
    const double cx = project.geometry.box.xWidth / 2;
    const double cy = project.geometry.box.yWidth / 2;
    const double w = m_spiralWidth;
    const double r0 = m_radius;
    const int steps = static_cast<int>(std::floor(36 * m_turns + 0.5));
    const double growth = (w + m_spacing) / (2 * pi);

    WindingEdges edges;
    edges.outer.reserve(std::max(steps, 0) + 1);
    edges.innerBackward.reserve(std::max(steps, 0) + 1);
    // Accumulated, not multiplied: the last digits of every point depend on it.
    double theta = 0;
    for (int i = 0; i <= steps; ++i) {
        const double r = w / 2 + r0 + theta * growth;
        edges.outer.append(Point(cx + r * std::cos(theta), cy - r * std::sin(theta)));
        theta += tenDegrees;
    }
    theta -= tenDegrees;
    for (int i = 0; i <= steps; ++i) {
        const double r = r0 - w / 2 + theta * growth;
        edges.innerBackward.append(Point(cx + r * std::cos(theta), cy - r * std::sin(theta)));
        theta -= tenDegrees;
    }
    return edges;
}

void cRoundSpiral::addWinding(ProjectDocument &project, int &nextDebugId, int level, int metalType)
{
    addWindingPolygon(project, nextDebugId, level, metalType, QStringLiteral("V"));
}

void cRoundSpiral::addWindingPolygon(ProjectDocument &project, int &nextDebugId, int level,
                                     int metalType, const QString &fillType)
{
    const double cx = project.geometry.box.xWidth / 2;
    const double cy = project.geometry.box.yWidth / 2;
    const WindingEdges edges = windingEdges(project);

    Polygon winding(nextDebugId, static_cast<unsigned>(level), metalType, fillType);
    winding.points.reserve(edges.outer.size() + edges.innerBackward.size() + 2);
    winding.points.append(Point(cx + m_radius, cy));
    winding.points.append(edges.outer);
    winding.points.append(edges.innerBackward);
    winding.points.append(Point(cx + m_radius, cy));
    project.geometry.polygons.append(winding);
    ++nextDebugId;

    addCenterPad(project, nextDebugId, level, metalType);
}

void cRoundSpiral::addCenterPad(ProjectDocument &project, int &nextDebugId, int level,
                                int metalType) const
{
    const double cx = project.geometry.box.xWidth / 2;
    const double cy = project.geometry.box.yWidth / 2;
    Polygon pad = Polygon::square(cx + m_radius, cy, m_spiralWidth / 2);
    pad.debugId = nextDebugId++;
    pad.level = static_cast<unsigned>(level);
    pad.metalType = metalType;
    project.geometry.polygons.append(pad);
}

std::pair<Point, Point> cRoundSpiral::feedAxis(const ProjectDocument &project) const
{
    const BoxSettings &box = project.geometry.box;
    const double cx = box.xWidth / 2;
    const double cy = box.yWidth / 2;
    const double w = m_spiralWidth;
    const double n = m_turns;
    const double alpha = (n - std::floor(n)) * 2 * pi;
    const double u = n * (m_spacing + w) + m_radius;
    const Point end(cx + u * std::cos(alpha), cy - u * std::sin(alpha));

    Point wall;
    switch (outerSide()) {
    case 0:
        wall = Point(box.xWidth - w / 2, end.y);
        break;
    case 1:
        wall = Point(end.x, w / 2);
        break;
    case 2:
        wall = Point(w / 2, end.y);
        break;
    default:
        wall = Point(end.x, box.yWidth - w / 2);
        break;
    }
    return {end, wall};
}

void cRoundSpiral::addOuterFeed(ProjectDocument &project, int &nextDebugId, int level,
                                int metalType)
{
    const auto [from, to] = feedAxis(project);
    addStraightConductor(project, nextDebugId, level, metalType, from, to, m_spiralWidth);
    project.geometry.ports.append(Port(1, nextDebugId - 1, 2));
}

std::pair<Point, Point> cRoundSpiral::bridgeAxis(const ProjectDocument &project) const
{
    const BoxSettings &box = project.geometry.box;
    const double cx = box.xWidth / 2;
    const double cy = box.yWidth / 2;
    const double b = m_bridgeWidth;
    return {Point(cx + m_radius + b / 2 - m_spiralWidth / 2, cy), Point(box.xWidth - b / 2, cy)};
}

void cRoundSpiral::addBridge(ProjectDocument &project, int &nextDebugId, int level, int metalType)
{
    const auto [from, to] = bridgeAxis(project);
    addStraightConductor(project, nextDebugId, level, metalType, from, to, m_bridgeWidth);
    project.geometry.ports.append(Port(2, nextDebugId - 1, 2));
}

void cRoundSpiral::addVias(ProjectDocument &project, int &nextDebugId)
{
    int first = 0;
    int last = 0;
    usedLevelRange(first, last);
    const double cx = project.geometry.box.xWidth / 2;
    const double cy = project.geometry.box.yWidth / 2;
    Polygon via = Polygon::viaSquare(cx + m_radius, cy, m_spiralWidth / 2,
                                     static_cast<unsigned>(first), last);
    via.debugId = nextDebugId++;
    project.geometry.polygons.append(via);
}

double cRoundSpiral::referencePlaneLength(const ProjectDocument &project) const
{
    const double n = m_turns;
    return project.geometry.box.xWidth / 2 - ((n + 0.5) * m_spiralWidth + m_radius + n * m_spacing);
}

} // namespace torvane
