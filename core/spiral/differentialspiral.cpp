#include "core/spiral/differentialspiral.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace torvane {

namespace {
constexpr double pi = std::numbers::pi;

// 32 points from a0 towards a1; y is mirrored for the upper arc since y grows downwards.
void addArc(CenterLinePath &path, double xc, double yc, double r, double a0, double a1, bool upper)
{
    const double step = (a1 - a0) / 31;
    double a = a0;
    for (int i = 0; i < 32; ++i) {
        path.append(xc + r * std::cos(a), upper ? yc - r * std::sin(a) : yc + r * std::sin(a));
        a += step;
    }
}

CenterLinePath twoPointPath(double width, const Point &from, const Point &to)
{
    CenterLinePath path(width);
    path.append(from);
    path.append(to);
    return path;
}
} // namespace

cDifferentialSpiral::cDifferentialSpiral(double turns, double radius, double spiralWidth,
                                         double spacing, double bridgeWidth, bool feedSpacingAuto,
                                         double feedSpacing, bool centerTap,
                                         const QStringList *levelMetalNames,
                                         const QStringList *levelRoles)
    : cRoundSpiral(turns, radius, spiralWidth, spacing, bridgeWidth, levelMetalNames, levelRoles),
      m_feedSpacingAuto(feedSpacingAuto), m_centerTap(centerTap), m_feedSpacing(feedSpacing)
{}

double cDifferentialSpiral::outerDiameter() const
{
    const double n = m_turns;
    return 2 * (n * m_spiralWidth + m_radius + (n - 1) * m_spacing);
}

double cDifferentialSpiral::sizeY() const
{
    // The band through the centre adds half a pitch and the join's diagonal.
    const double n = m_turns;
    const double w = m_spiralWidth;
    const double s = m_spacing;
    return 2 * ((n + 0.5) * w + m_radius + n * s + (s + w) / 2 + (w / 2) / std::sqrt(2.0));
}

double cDifferentialSpiral::referencePlaneLength(const ProjectDocument &project) const
{
    const double n = m_turns;
    return project.geometry.box.xWidth / 2 - (n * m_spiralWidth + m_radius + (n - 1) * m_spacing);
}

cDifferentialSpiral::Frame cDifferentialSpiral::frame(const ProjectDocument &project) const
{
    const BoxSettings &box = project.geometry.box;
    Frame f;
    f.cx = box.xWidth / 2;
    f.cy = box.yWidth / 2;
    f.pitch = m_spiralWidth + m_spacing;
    f.cell = box.cellSizeY();
    // Stubs long enough for the mitre of the 45 degree crossings; a nan cell size wins.
    const double mitre = (m_spiralWidth / 2) / std::sqrt(2.0);
    f.gap = mitre > f.cell ? mitre : f.cell;
    f.feedSpace = m_feedSpacingAuto ? m_spacing : m_feedSpacing;
    f.innerEdge = m_radius + m_spiralWidth / 2;
    return f;
}

bool cDifferentialSpiral::evenTurns() const
{
    return std::fmod(m_turns, 2.0) == 0;
}

void cDifferentialSpiral::buildWindingPaths(const ProjectDocument &project)
{
    m_windingPaths.clear();
    m_crossingPaths.clear();
    const Frame f = frame(project);
    const double w = m_spiralWidth;

    for (int i = 0; i <= m_turns - 1; ++i) {
        const double r = f.r(i);
        CenterLinePath upper(w);
        upper.append(f.cx + r, f.cy - f.pitch / 2 - f.gap);
        addHalfTurn(upper, f, r, true);
        upper.append(f.cx - r, f.cy - f.pitch / 2 - f.gap);
        m_windingPaths.append(upper);

        CenterLinePath lower(w);
        lower.append(f.cx + r, f.cy + f.pitch / 2 + f.gap);
        addHalfTurn(lower, f, r, false);
        lower.append(f.cx - r, f.cy + f.pitch / 2 + f.gap);
        m_windingPaths.append(lower);
    }

    appendJoinsAndFeeds(f);
    if (m_centerTap)
        buildCenterTapPaths(project);
}

void cDifferentialSpiral::addHalfTurn(CenterLinePath &path, const Frame &f, double radius,
                                      bool upper) const
{
    const double centreY = upper ? f.cy - f.pitch / 2 - 2 * f.gap : f.cy + f.pitch / 2 + 2 * f.gap;
    addArc(path, f.cx, centreY, radius, 0, pi, upper);
}

void cDifferentialSpiral::appendJoinsAndFeeds(const Frame &f)
{
    const double n = m_turns;
    const double w = m_spiralWidth;
    const double cx = f.cx;
    const double cy = f.cy;
    const double pitch = f.pitch;
    const double gap = f.gap;
    const bool even = evenTurns();

    const double joinX = even ? cx - f.r(0) : cx + f.r(0);
    m_windingPaths.append(
        twoPointPath(w, Point(joinX, cy + pitch / 2 + gap), Point(joinX, cy - pitch / 2 - gap)));

    const auto addCrossing = [&](double u) {
        CenterLinePath branch(w);
        branch.append(u, cy + pitch / 2 + gap);
        branch.append(u, cy + pitch / 2);
        branch.append(u + pitch, cy - pitch / 2);
        branch.append(u + pitch, cy - pitch / 2 - gap);
        m_windingPaths.append(branch);

        CenterLinePath underpass(w);
        underpass.append(u, cy - pitch / 2 - gap);
        underpass.append(u, cy - pitch / 2);
        underpass.append(u + pitch, cy + pitch / 2);
        underpass.append(u + pitch, cy + pitch / 2 + gap);
        m_crossingPaths.append(underpass);
    };
    if (n >= 2) {
        const double x0 = even ? cx : cx + pitch;
        for (int i = 0; i < n - 1; i += 2)
            addCrossing(x0 + f.r(i));
    }
    if (n >= 3) {
        const double x1 = even ? cx - pitch : cx;
        for (int i = 1; i < n - 1; i += 2)
            addCrossing(x1 - f.r(i));
    }

    const double outerX = cx - f.r(n - 1);
    const double fs = f.feedSpace;
    if (hasFeedJoins(f)) {
        m_windingPaths.append(
            twoPointPath(w, Point(outerX, cy + pitch / 2 + gap), Point(outerX, cy + fs / 2 + w)));
        m_windingPaths.append(
            twoPointPath(w, Point(outerX, cy - pitch / 2 - gap), Point(outerX, cy - fs / 2 - w)));
    }
    // The feeds stay the last two entries: writeLayout puts the ports on them.
    m_windingPaths.append(
        twoPointPath(w, Point(outerX + w / 2, cy + fs / 2 + w / 2), Point(0, cy + fs / 2 + w / 2)));
    m_windingPaths.append(
        twoPointPath(w, Point(outerX + w / 2, cy - fs / 2 - w / 2), Point(0, cy - fs / 2 - w / 2)));
}

bool cDifferentialSpiral::hasFeedJoins(const Frame &f) const
{
    return f.pitch / 2 + f.gap > f.feedSpace / 2 + m_spiralWidth;
}

void cDifferentialSpiral::buildCenterTapPaths(const ProjectDocument &project)
{
    m_centerTapPaths.clear();
    const Frame f = frame(project);
    const double n = m_turns;
    const double w = m_spiralWidth;
    const double b = m_bridgeWidth;
    const double cx = f.cx;
    const double cy = f.cy;
    const bool even = evenTurns();

    double t = cx + f.r(0);
    if (n > 1) {
        if (even) {
            m_centerTapPaths.append(
                twoPointPath(b, Point(cx - m_radius - w, cy),
                             Point(cx + m_radius - w / 2 - m_spacing - b / 2, cy)));
        }
        const double a = even ? cx + f.r(0) - f.pitch : cx + f.r(0);
        const double k = even ? n + 1 : n;
        const double h = f.pitch / 2 + f.gap + b;
        // Around the band on both sides, clear of the underpasses on the same level.
        CenterLinePath lowerDetour(b);
        lowerDetour.append(a, cy);
        lowerDetour.append(a, cy + h);
        lowerDetour.append(a + k * f.pitch, cy + h);
        lowerDetour.append(a + k * f.pitch, cy);
        m_centerTapPaths.append(lowerDetour);

        CenterLinePath upperDetour(b);
        upperDetour.append(a, cy);
        upperDetour.append(a, cy - h);
        upperDetour.append(a + k * f.pitch, cy - h);
        upperDetour.append(a + k * f.pitch, cy);
        m_centerTapPaths.append(upperDetour);
        t = a + k * f.pitch;
    } else {
        // One turn has no crossings to pass; below one turn is treated alike.
        m_centerTapPaths.append(twoPointPath(w, Point(t, cy), Point(t + w / 2, cy)));
        m_centerTapPaths.append(twoPointPath(w, Point(t, cy), Point(t - w / 2, cy)));
    }
    // The lead stays last: writeLayout puts port 3 and the right reference plane on it.
    m_centerTapPaths.append(
        twoPointPath(w, Point(t + b / 2, cy), Point(project.geometry.box.xWidth, cy)));
}

void cDifferentialSpiral::writeLayout(ProjectDocument &project)
{
    int nextDebugId = 10;
    buildWindingPaths(project);

    const auto addOutlined = [&](const CenterLinePath &path, int level, int metalType,
                                 const QString &fillType) {
        Polygon polygon(nextDebugId, static_cast<unsigned>(level), metalType, fillType);
        path.outline(polygon);
        project.geometry.polygons.append(polygon);
        return nextDebugId++;
    };
    const QString vFill = QStringLiteral("V");
    const QString nFill = QStringLiteral("N");

    const qsizetype count = levelCount();
    for (qsizetype i = 0; i < count; ++i) {
        const int level = static_cast<int>(i);
        const int metalType = levelMetalType(project, i);
        const QString &role = m_levelRoles->at(i);
        if (role == QLatin1String("bridge")) {
            for (const CenterLinePath &path : std::as_const(m_crossingPaths))
                addOutlined(path, level, metalType, vFill);
            int lastId = -1;
            for (const CenterLinePath &path : std::as_const(m_centerTapPaths))
                lastId = addOutlined(path, level, metalType, nFill);
            if (!m_centerTapPaths.isEmpty())
                project.geometry.ports.append(Port(3, lastId, 1));
        } else if (role == QLatin1String("spiral")) {
            const qsizetype paths = m_windingPaths.size();
            for (qsizetype k = 0; k < paths; ++k) {
                const bool feed = k >= paths - 2;
                const int id =
                    addOutlined(m_windingPaths[k], level, metalType, feed ? nFill : vFill);
                // Vertex 1 starts the flat end on the left wall.
                if (k == paths - 2)
                    project.geometry.ports.append(Port(2, id, 1));
                else if (k == paths - 1)
                    project.geometry.ports.append(Port(1, id, 1));
            }
        }
    }

    addVias(project, nextDebugId);
    setReferencePlanes(project, project.geometry);
}

void cDifferentialSpiral::setReferencePlanes(const ProjectDocument &project,
                                             GeometryBlock &geometry) const
{
    geometry.setReferencePlane(QStringLiteral("LEFT"), referencePlaneLength(project));
    if (m_centerTap && !m_centerTapPaths.isEmpty() && m_centerTapPaths.last().points.size() >= 2) {
        const QList<Point> &lead = m_centerTapPaths.last().points;
        geometry.setReferencePlane(QStringLiteral("RIGHT"),
                                   project.geometry.box.xWidth - lead[lead.size() - 2].x);
    }
}

DrawnLayout cDifferentialSpiral::drawnLayout(const ProjectDocument &project)
{
    buildWindingPaths(project);
    const Frame f = frame(project);
    const qsizetype paths = m_windingPaths.size();
    const qsizetype firstFeedJoin = paths - 2 - (hasFeedJoins(f) ? 2 : 0);
    using Kind = DrawnConductor::Kind;

    DrawnLayout layout;
    layout.differential = true;
    const qsizetype count = levelCount();
    for (qsizetype i = 0; i < count; ++i) {
        const int level = static_cast<int>(i);
        const QString &role = m_levelRoles->at(i);
        if (role == QLatin1String("bridge")) {
            for (const CenterLinePath &path : std::as_const(m_crossingPaths))
                layout.conductors.append({Kind::Underpass, level, path.width, path.points});
            for (const CenterLinePath &path : std::as_const(m_centerTapPaths))
                layout.conductors.append({Kind::CenterTap, level, path.width, path.points});
        } else if (role == QLatin1String("spiral")) {
            for (qsizetype k = 0; k < paths; ++k) {
                const Kind kind = k >= paths - 2       ? Kind::Feed
                                  : k >= firstFeedJoin ? Kind::FeedJoin
                                                       : Kind::Winding;
                layout.conductors.append(
                    {kind, level, m_windingPaths[k].width, m_windingPaths[k].points});
            }
        }
    }
    int first = 0;
    int last = 0;
    usedLevelRange(first, last);
    for (const CenterLinePath &path : std::as_const(m_crossingPaths)) {
        if (path.points.size() < 2)
            continue;
        layout.vias.append({path.points.first(), first, last});
        layout.vias.append({path.points.last(), first, last});
    }
    GeometryBlock planes;
    setReferencePlanes(project, planes);
    layout.referencePlanes = planes.referencePlanes;
    return layout;
}

void cDifferentialSpiral::spiralLevelRange(int &first, int &last) const
{
    const qsizetype count = levelCount();
    first = static_cast<int>(count);
    last = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (m_levelRoles->at(i) != QLatin1String("spiral"))
            continue;
        first = std::min(first, static_cast<int>(i));
        last = std::max(last, static_cast<int>(i));
    }
}

void cDifferentialSpiral::addVia(ProjectDocument &project, int &nextDebugId, const Point &from,
                                 const Point &to, double width, int level, int toLevel)
{
    Polygon via(nextDebugId, static_cast<unsigned>(level), -1, QStringLiteral("N"));
    twoPointPath(width, from, to).outline(via);
    via.makeVia(static_cast<unsigned>(level), toLevel);
    project.geometry.polygons.append(via);
    ++nextDebugId;
}

double cDifferentialSpiral::addUnderpassAndTapVias(ProjectDocument &project, int &nextDebugId,
                                                   const Frame &f)
{
    int first = 0;
    int last = 0;
    usedLevelRange(first, last);
    // One cell narrower than the conductor on each side, so the via stays inside it.
    double width = m_spiralWidth - 2 * f.cell;

    for (const CenterLinePath &path : std::as_const(m_crossingPaths)) {
        if (path.points.size() < 2)
            continue;
        const Point p = path.points.last();
        addVia(project, nextDebugId, p, Point(p.x, p.y - f.cell / 10), width, first, last);
    }
    for (const CenterLinePath &path : std::as_const(m_crossingPaths)) {
        if (path.points.isEmpty())
            continue;
        const Point p = path.points.first();
        addVia(project, nextDebugId, p, Point(p.x, p.y + f.cell / 10), width, first, last);
    }

    if (m_centerTap && !m_centerTapPaths.isEmpty() && !m_centerTapPaths.first().points.isEmpty()) {
        const Point q = m_centerTapPaths.first().points.first();
        double x = q.x;
        if (evenTurns()) {
            // The bar starts half a width before the inner join.
            x = q.x + m_spiralWidth / 2;
        } else {
            width = std::min(m_spiralWidth, m_bridgeWidth) - 2 * f.cell;
        }
        addVia(project, nextDebugId, Point(x, q.y - f.cell / 2), Point(x, q.y + f.cell / 2), width,
               first, last);
    }
    return width;
}

std::pair<double, double> cDifferentialSpiral::stackedViaRows(const Frame &f, int turn) const
{
    return {f.cy - f.pitch / 2 - 2 * f.gap - f.r(turn), f.cy + f.pitch / 2 + 2 * f.gap + f.r(turn)};
}

void cDifferentialSpiral::addVias(ProjectDocument &project, int &nextDebugId)
{
    const Frame f = frame(project);
    const double width = addUnderpassAndTapVias(project, nextDebugId, f);

    int firstSpiral = 0;
    int lastSpiral = 0;
    spiralLevelRange(firstSpiral, lastSpiral);
    if (firstSpiral == lastSpiral)
        return;
    // Ties stacked spiral levels together at the top and bottom of every turn.
    for (int i = 0; i <= m_turns - 1; ++i) {
        const auto [top, bottom] = stackedViaRows(f, i);
        addVia(project, nextDebugId, Point(f.cx - f.cell / 20, top), Point(f.cx + f.cell / 20, top),
               width, firstSpiral, lastSpiral);
        addVia(project, nextDebugId, Point(f.cx - f.cell / 20, bottom),
               Point(f.cx + f.cell / 20, bottom), width, firstSpiral, lastSpiral);
    }
}

} // namespace torvane
