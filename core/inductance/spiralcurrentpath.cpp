#include "core/inductance/spiralcurrentpath.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <utility>

namespace torvane {

namespace {
using Kind = DrawnConductor::Kind;

double distance(const Point &a, const Point &b)
{
    return std::hypot(b.x - a.x, b.y - a.y);
}

// The point of a polyline nearest to p: the index of its segment and the point itself.
struct Nearest
{
    qsizetype segment = 0;
    Point point;
    double distance = std::numeric_limits<double>::infinity();
};

Nearest nearestOnPolyline(const QList<Point> &points, const Point &p)
{
    Nearest best;
    if (points.size() == 1)
        return {0, points[0], distance(points[0], p)};
    for (qsizetype k = 0; k + 1 < points.size(); ++k) {
        const Point &a = points[k];
        const Point &b = points[k + 1];
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        const double length2 = dx * dx + dy * dy;
        const double t = length2 > 0
                             ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0)
                             : 0.0;
        const Point q(a.x + t * dx, a.y + t * dy);
        const double d = distance(q, p);
        if (d < best.distance)
            best = {k, q, d};
    }
    return best;
}

// Where the line through a0-a1 meets the line through b0-b1; b0 when they are parallel.
Point lineCrossing(const Point &a0, const Point &a1, const Point &b0, const Point &b1)
{
    const double ax = a1.x - a0.x;
    const double ay = a1.y - a0.y;
    const double bx = b1.x - b0.x;
    const double by = b1.y - b0.y;
    const double denom = ax * by - ay * bx;
    if (std::fabs(denom) <= 1e-12 * std::hypot(ax, ay) * std::hypot(bx, by))
        return b0;
    const double t = ((b0.x - a0.x) * by - (b0.y - a0.y) * bx) / denom;
    return Point(a0.x + t * ax, a0.y + t * ay);
}

Point projectOnLine(const Point &a, const Point &b, const Point &p)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    if (!(length2 > 0))
        return a;
    const double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2;
    return Point(a.x + t * dx, a.y + t * dy);
}

struct PlaneLine
{
    bool vertical = true; // x = position; otherwise y = position
    double position = 0;
};

QList<PlaneLine> planeLines(const QList<ReferencePlane> &planes, double boxWidth, double boxHeight)
{
    QList<PlaneLine> lines;
    for (const ReferencePlane &plane : planes) {
        if (plane.side == QLatin1String("LEFT"))
            lines.append({true, plane.length});
        else if (plane.side == QLatin1String("RIGHT"))
            lines.append({true, boxWidth - plane.length});
        else if (plane.side == QLatin1String("TOP"))
            lines.append({false, plane.length});
        else if (plane.side == QLatin1String("BOTTOM"))
            lines.append({false, boxHeight - plane.length});
    }
    return lines;
}

// The polyline up to where it first crosses a reference plane (after its start).
QList<Point> cutAtPlanes(const QList<Point> &points, const QList<PlaneLine> &planes)
{
    QList<Point> cut;
    if (points.isEmpty())
        return cut;
    cut.append(points[0]);
    for (qsizetype k = 0; k + 1 < points.size(); ++k) {
        const Point &a = points[k];
        const Point &b = points[k + 1];
        double first = 2;
        for (const PlaneLine &plane : planes) {
            const double from = plane.vertical ? a.x : a.y;
            const double to = plane.vertical ? b.x : b.y;
            if (from == to)
                continue;
            const double t = (plane.position - from) / (to - from);
            if (t > 0 && t <= 1 && !(k == 0 && t * distance(a, b) <= 0))
                first = std::min(first, t);
        }
        if (first <= 1) {
            cut.append(Point(a.x + first * (b.x - a.x), a.y + first * (b.y - a.y)));
            return cut;
        }
        cut.append(b);
    }
    return cut;
}

QList<Point> reversed(QList<Point> points)
{
    std::reverse(points.begin(), points.end());
    return points;
}

// Collects the pieces of one path in the direction of the current.
class PathBuilder
{
public:
    explicit PathBuilder(const QList<double> &heights) : m_heights(heights) {}

    double height(int level) const { return m_heights.value(level, 0.0); }

    // One copy of the run on every level given, each carrying its share.
    void addRun(const QList<Point> &points, const QList<int> &levels, double width)
    {
        if (levels.isEmpty())
            return;
        const double share = 1.0 / static_cast<double>(levels.size());
        for (const int level : levels) {
            const double z = height(level);
            for (qsizetype k = 0; k + 1 < points.size(); ++k) {
                const Point &a = points[k];
                const Point &b = points[k + 1];
                if (a == b)
                    continue;
                m_pieces.push_back({{a.x, a.y, z}, {b.x, b.y, z}, width, share, level});
            }
        }
    }

    // Current arriving on the `from` levels leaves on the `to` levels; each stretch of the
    // via between two of these levels carries what has entered above it.
    void addVia(const Point &at, const QList<int> &from, const QList<int> &to, double side)
    {
        if (from.isEmpty() || to.isEmpty())
            return;
        std::map<double, double, std::greater<>> inflow; // by height, from the top
        std::map<double, int> levelAt;
        for (const int level : from) {
            inflow[height(level)] += 1.0 / static_cast<double>(from.size());
            levelAt[height(level)] = level;
        }
        for (const int level : to) {
            inflow[height(level)] -= 1.0 / static_cast<double>(to.size());
            levelAt[height(level)] = level;
        }
        double current = 0;
        for (auto it = inflow.begin(); std::next(it) != inflow.end(); ++it) {
            current += it->second;
            const double top = it->first;
            const double bottom = std::next(it)->first;
            if (std::fabs(current) > 1e-12)
                m_pieces.push_back(
                    {{at.x, at.y, top}, {at.x, at.y, bottom}, side, current, levelAt[bottom]});
        }
    }

    // The pieces collected so far; the builder starts over.
    std::vector<CurrentPiece> take() { return std::exchange(m_pieces, {}); }
    const std::vector<CurrentPiece> &pieces() const { return m_pieces; }

private:
    QList<double> m_heights;
    std::vector<CurrentPiece> m_pieces;
};

QList<const DrawnConductor *> conductorsOf(const DrawnLayout &layout, Kind kind)
{
    QList<const DrawnConductor *> found;
    for (const DrawnConductor &conductor : layout.conductors) {
        if (conductor.kind == kind && !conductor.points.isEmpty())
            found.append(&conductor);
    }
    return found;
}

// Levels of the conductors of one kind, once each, from the first copy's level on.
QList<int> levelsOf(const QList<const DrawnConductor *> &conductors)
{
    QList<int> levels;
    for (const DrawnConductor *conductor : conductors) {
        if (!levels.contains(conductor->level))
            levels.append(conductor->level);
    }
    return levels;
}

// The copy of each conductor on one level only: the others repeat it.
QList<const DrawnConductor *> onLevel(const QList<const DrawnConductor *> &conductors, int level)
{
    QList<const DrawnConductor *> found;
    for (const DrawnConductor *conductor : conductors) {
        if (conductor->level == level)
            found.append(conductor);
    }
    return found;
}

double tolerance(const DrawnLayout &layout)
{
    double size = 1;
    for (const DrawnConductor &conductor : layout.conductors) {
        for (const Point &p : conductor.points)
            size = std::max({size, std::fabs(p.x), std::fabs(p.y)});
    }
    return 1e-9 * size;
}

SpiralCurrentPaths singleEnded(const DrawnLayout &layout, const QList<double> &heights,
                               const QList<PlaneLine> &planes)
{
    SpiralCurrentPaths paths;
    const auto windings = conductorsOf(layout, Kind::Winding);
    const auto feeds = conductorsOf(layout, Kind::Feed);
    const auto bridges = conductorsOf(layout, Kind::Bridge);
    const QList<int> spiralLevels = levelsOf(windings);
    const QList<int> bridgeLevels = levelsOf(bridges);
    const DrawnConductor &winding = *windings.first();
    const DrawnConductor &feed = *feeds.first();
    const double eps = tolerance(layout);

    // On the way to the feed the winding ends where the feed meets it, with a short jog when
    // the feed starts off the centre line; the winding value runs to the winding's own end.
    const Point joint = feed.points.first();
    const Nearest cut = nearestOnPolyline(winding.points, joint);

    PathBuilder path(heights);
    path.addRun(winding.points, spiralLevels, winding.width);
    paths.winding = path.take();
    QList<Point> beforeCut = winding.points.mid(0, cut.segment + 1);
    beforeCut.append(cut.point);
    path.addRun(beforeCut, spiralLevels, winding.width);
    const std::vector<CurrentPiece> windingToCut = path.take();
    // Back over the part beyond the cut, which cancels it.
    QList<Point> tail{cut.point};
    tail.append(winding.points.mid(cut.segment + 1));
    path.addRun(reversed(tail), spiralLevels, winding.width);
    const size_t tailPieces = path.pieces().size();
    if (cut.distance > eps)
        path.addRun({cut.point, joint}, spiralLevels, winding.width);
    path.addRun(cutAtPlanes(feed.points, planes), spiralLevels, feed.width);
    if (!bridges.isEmpty() && !layout.vias.isEmpty()) {
        const DrawnConductor &bridge = *bridges.first();
        const Point pad = layout.vias.first().at;
        // The bridge runs from the via centre along its own line.
        QList<Point> line = bridge.points;
        const Point start = line.size() >= 2 ? projectOnLine(line[0], line[1], pad) : pad;
        line[0] = start;
        path.addRun(reversed(cutAtPlanes(line, planes)), bridgeLevels, bridge.width);
        if (distance(start, pad) > eps)
            path.addRun({start, pad}, bridgeLevels, bridge.width);
        path.addVia(pad, bridgeLevels, spiralLevels, winding.width);
    }
    paths.outside = path.take();
    paths.planes = windingToCut;
    paths.planes.insert(paths.planes.end(), paths.outside.begin() + tailPieces,
                        paths.outside.end());
    return paths;
}

struct Edge
{
    const DrawnConductor *conductor = nullptr;
    int ends[2] = {-1, -1};
};

SpiralCurrentPaths differential(const DrawnLayout &layout, const QList<double> &heights,
                                const QList<PlaneLine> &planes)
{
    SpiralCurrentPaths paths;
    const auto windings = conductorsOf(layout, Kind::Winding);
    const auto underpasses = conductorsOf(layout, Kind::Underpass);
    const auto feeds = conductorsOf(layout, Kind::Feed);
    const QList<int> spiralLevels = levelsOf(windings);
    const QList<int> bridgeLevels = levelsOf(underpasses);
    const double eps = tolerance(layout);

    // The conductors as edges between their end points; half-turn ends, crossings and
    // underpass ends meet at common points.
    QList<Point> nodes;
    const auto nodeOf = [&](const Point &p) {
        for (qsizetype i = 0; i < nodes.size(); ++i) {
            if (distance(nodes[i], p) <= eps)
                return static_cast<int>(i);
        }
        nodes.append(p);
        return static_cast<int>(nodes.size() - 1);
    };
    QList<Edge> edges;
    QList<const DrawnConductor *> used = onLevel(windings, spiralLevels.first());
    if (!bridgeLevels.isEmpty())
        used.append(onLevel(underpasses, bridgeLevels.first()));
    for (const DrawnConductor *conductor : used) {
        if (conductor->points.size() < 2)
            continue;
        edges.append(
            {conductor, {nodeOf(conductor->points.first()), nodeOf(conductor->points.last())}});
    }
    QList<QList<int>> edgesAt(nodes.size());
    for (qsizetype e = 0; e < edges.size(); ++e) {
        edgesAt[edges[e].ends[0]].append(static_cast<int>(e));
        edgesAt[edges[e].ends[1]].append(static_cast<int>(e));
    }
    QList<int> openEnds;
    for (qsizetype n = 0; n < nodes.size(); ++n) {
        if (edgesAt[n].size() == 1)
            openEnds.append(static_cast<int>(n));
        else if (edgesAt[n].size() > 2)
            openEnds.append(-1);
    }
    if (openEnds.size() != 2 || openEnds.contains(-1) || feeds.size() < 2) {
        paths.failure = bridgeLevels.isEmpty() && underpasses.isEmpty() && windings.size() > 3
                            ? QStringLiteral("The crossings need a level with the role "
                                             "\"bridge\".")
                            : QStringLiteral("The drawn conductors do not form one path.");
        return paths;
    }
    // From the upper open end (smaller y on screen) to the lower one.
    if (nodes[openEnds[1]].y < nodes[openEnds[0]].y)
        std::swap(openEnds[0], openEnds[1]);

    PathBuilder path(heights);
    QList<bool> done(edges.size(), false);
    int node = openEnds[0];
    QList<Point> lastStretch;
    qsizetype walked = 0;
    while (true) {
        int next = -1;
        for (const int e : edgesAt[node]) {
            if (!done[e])
                next = e;
        }
        if (next < 0)
            break;
        done[next] = true;
        ++walked;
        const Edge &edge = edges[next];
        const bool forward = edge.ends[0] == node;
        const QList<Point> points =
            forward ? edge.conductor->points : reversed(edge.conductor->points);
        if (edge.conductor->kind == Kind::Underpass) {
            path.addVia(points.first(), spiralLevels, bridgeLevels, edge.conductor->width);
            path.addRun(points, bridgeLevels, edge.conductor->width);
            path.addVia(points.last(), bridgeLevels, spiralLevels, edge.conductor->width);
        } else {
            path.addRun(points, spiralLevels, edge.conductor->width);
        }
        lastStretch = points;
        node = forward ? edge.ends[1] : edge.ends[0];
    }
    if (node != openEnds[1] || walked != edges.size()) {
        paths.failure = QStringLiteral("The drawn conductors do not form one path.");
        return paths;
    }
    paths.winding = path.take();

    // Each feed joins its outer half-turn where the two centre lines cross.
    const QList<const DrawnConductor *> levelFeeds = onLevel(feeds, spiralLevels.first());
    const DrawnConductor *upperFeed = levelFeeds.value(0);
    const DrawnConductor *lowerFeed = levelFeeds.value(1);
    if (!upperFeed || !lowerFeed || upperFeed->points.size() < 2 || lowerFeed->points.size() < 2) {
        paths.failure = QStringLiteral("The drawn conductors do not form one path.");
        return paths;
    }
    if (lowerFeed->points.first().y < upperFeed->points.first().y)
        std::swap(upperFeed, lowerFeed);
    const Edge &firstEdge = *std::find_if(edges.begin(), edges.end(), [&](const Edge &e) {
        return e.ends[0] == openEnds[0] || e.ends[1] == openEnds[0];
    });
    QList<Point> firstStretch = firstEdge.ends[0] == openEnds[0]
                                    ? reversed(firstEdge.conductor->points)
                                    : firstEdge.conductor->points;
    const auto join = [&](const QList<Point> &towardsEnd, const DrawnConductor &feed) {
        const qsizetype n = towardsEnd.size();
        const Point &end = towardsEnd[n - 1];
        const Point crossing = lineCrossing(towardsEnd[n - 2], end, feed.points[0], feed.points[1]);
        QList<Point> line = feed.points;
        line[0] = crossing;
        return std::pair<QList<Point>, QList<Point>>{{end, crossing}, cutAtPlanes(line, planes)};
    };
    const auto [upperJoin, upperLine] = join(firstStretch, *upperFeed);
    const auto [lowerJoin, lowerLine] = join(lastStretch, *lowerFeed);
    const double width = windings.first()->width;
    path.addRun(reversed(upperLine), spiralLevels, upperFeed->width);
    path.addRun(reversed(upperJoin), spiralLevels, width);
    path.addRun(lowerJoin, spiralLevels, width);
    path.addRun(lowerLine, spiralLevels, lowerFeed->width);
    paths.outside = path.take();
    paths.planes = paths.winding;
    paths.planes.insert(paths.planes.end(), paths.outside.begin(), paths.outside.end());
    return paths;
}
} // namespace

SpiralCurrentPaths spiralCurrentPaths(const DrawnLayout &layout, const QList<double> &levelHeights,
                                      double boxWidth, double boxHeight)
{
    const QList<PlaneLine> planes = planeLines(layout.referencePlanes, boxWidth, boxHeight);
    if (conductorsOf(layout, Kind::Winding).isEmpty() || conductorsOf(layout, Kind::Feed).isEmpty())
        return {{}, {}, {}, QStringLiteral("No metal level has the role \"spiral\".")};
    return layout.differential ? differential(layout, levelHeights, planes)
                               : singleEnded(layout, levelHeights, planes);
}

} // namespace torvane
