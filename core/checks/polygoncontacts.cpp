#include "core/checks/polygoncontacts.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

namespace torvane {

namespace {
double cross(double ax, double ay, double bx, double by)
{
    return ax * by - ay * bx;
}

double distance(const Point &a, const Point &b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Distance from p to the segment s0-s1 (of non-zero length); t receives the nearest point's
// parameter along it.
double distanceToSegment(const Point &p, const Point &s0, const Point &s1, double &t)
{
    const double dx = s1.x - s0.x;
    const double dy = s1.y - s0.y;
    t = std::clamp(((p.x - s0.x) * dx + (p.y - s0.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return distance(p, Point(s0.x + t * dx, s0.y + t * dy));
}

struct Ring
{
    QList<Point> points; // distinct, the closing point not repeated
    double minX = 0, minY = 0, maxX = 0, maxY = 0;

    qsizetype size() const { return points.size(); }
    const Point &vertex(qsizetype i) const { return points[i % points.size()]; }
    // Position: edge index plus the fraction along that edge.
    Point at(double position) const
    {
        const double wrapped = std::fmod(position, static_cast<double>(points.size()));
        const auto edge = static_cast<qsizetype>(wrapped);
        const double t = wrapped - static_cast<double>(edge);
        const Point &a = vertex(edge);
        const Point &b = vertex(edge + 1);
        return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
    }
};

Ring makeRing(const QList<Point> &raw, double tolerance)
{
    Ring ring;
    ring.points.reserve(raw.size());
    for (const Point &p : raw) {
        if (ring.points.isEmpty() || distance(ring.points.last(), p) > tolerance)
            ring.points.append(p);
    }
    while (ring.points.size() > 1 && distance(ring.points.first(), ring.points.last()) <= tolerance)
        ring.points.removeLast();
    if (ring.points.isEmpty())
        return ring;
    ring.minX = ring.maxX = ring.points.first().x;
    ring.minY = ring.maxY = ring.points.first().y;
    for (const Point &p : std::as_const(ring.points)) {
        ring.minX = std::min(ring.minX, p.x);
        ring.maxX = std::max(ring.maxX, p.x);
        ring.minY = std::min(ring.minY, p.y);
        ring.maxY = std::max(ring.maxY, p.y);
    }
    return ring;
}

struct SegmentHit
{
    double ta = 0;
    double tb = 0;
    Point at;
};

// Where segments a0-a1 and b0-b1 meet, within the tolerance: a crossing or a touch gives one
// hit, a shared stretch of two collinear segments gives its two ends.
int segmentHits(const Point &a0, const Point &a1, const Point &b0, const Point &b1,
                double tolerance, SegmentHit hits[2])
{
    const double dx = a1.x - a0.x;
    const double dy = a1.y - a0.y;
    const double ex = b1.x - b0.x;
    const double ey = b1.y - b0.y;
    const double fx = b0.x - a0.x;
    const double fy = b0.y - a0.y;
    const double la = std::hypot(dx, dy);
    const double lb = std::hypot(ex, ey);
    const double denominator = cross(dx, dy, ex, ey);

    if (std::fabs(denominator) > 1e-12 * la * lb) {
        const double t = cross(fx, fy, ex, ey) / denominator;
        const double u = cross(fx, fy, dx, dy) / denominator;
        if (t >= 0 && t <= 1 && u >= 0 && u <= 1) {
            hits[0] = {t, u, Point(a0.x + t * dx, a0.y + t * dy)};
            return 1;
        }
    } else if (std::fabs(cross(fx, fy, dx, dy)) / la <= tolerance) {
        const double s0 = (fx * dx + fy * dy) / (la * la);
        const double s1 = ((b1.x - a0.x) * dx + (b1.y - a0.y) * dy) / (la * la);
        const double low = std::max(0.0, std::min(s0, s1));
        const double high = std::min(1.0, std::max(s0, s1));
        if (low > high + tolerance / la)
            return 0;
        const auto onB = [&](double s) {
            return s1 == s0 ? 0.0 : std::clamp((s - s0) / (s1 - s0), 0.0, 1.0);
        };
        const double first = std::min(low, high);
        const double last = std::max(low, high);
        hits[0] = {first, onB(first), Point(a0.x + first * dx, a0.y + first * dy)};
        if (last - first <= 1e-12)
            return 1;
        hits[1] = {last, onB(last), Point(a0.x + last * dx, a0.y + last * dy)};
        return 2;
    }

    // No crossing: the segments may still come within the tolerance near an end.
    double best = tolerance;
    int found = 0;
    double t = 0;
    const auto consider = [&](double d, double ta, double tb, const Point &at) {
        if (d <= best) {
            best = d;
            hits[0] = {ta, tb, at};
            found = 1;
        }
    };
    consider(distanceToSegment(a0, b0, b1, t), 0, t, a0);
    consider(distanceToSegment(a1, b0, b1, t), 1, t, a1);
    consider(distanceToSegment(b0, a0, a1, t), t, 0, b0);
    consider(distanceToSegment(b1, a0, a1, t), t, 1, b1);
    return found;
}

struct Edge
{
    int ring = 0;
    int index = 0;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

struct PairEvent
{
    double positionFirst = 0;  // along the ring with the lower index
    double positionSecond = 0; // along the other one
    Point at;
};

class DisjointSets
{
public:
    explicit DisjointSets(int count) : parent(count) { std::iota(parent.begin(), parent.end(), 0); }
    int find(int i)
    {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    }
    void join(int a, int b) { parent[find(a)] = find(b); }
    int count()
    {
        int roots = 0;
        for (int i = 0; i < static_cast<int>(parent.size()); ++i)
            roots += find(i) == i ? 1 : 0;
        return roots;
    }

private:
    std::vector<int> parent;
};

// Separate places where two rings meet: events are joined when the outline of one ring runs
// inside (or along) the other between them, so each overlap region or touch counts once.
int countPlaces(const Ring &first, const Ring &second, const QList<PairEvent> &events,
                double tolerance)
{
    const int count = static_cast<int>(events.size());
    // Thousands of meeting points only come from conductors lying on top of each other.
    constexpr int manyEvents = 4000;
    if (count > manyEvents)
        return 2;
    DisjointSets places(count);
    const auto linkAlong = [&](const Ring &ring, const Ring &other, bool alongFirst) {
        const auto position = [&](int i) {
            return alongFirst ? events[i].positionFirst : events[i].positionSecond;
        };
        std::vector<int> order(count);
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(),
                  [&](int a, int b) { return position(a) < position(b); });
        for (int k = 0; k < count && count > 1; ++k) {
            const int from = order[k];
            const int to = order[(k + 1) % count];
            double span = position(to) - position(from);
            if (span < -1e-12)
                span += static_cast<double>(ring.size());
            if (span <= 1e-12 ||
                ringCovers(other.points, ring.at(position(from) + span / 2), tolerance))
                places.join(from, to);
        }
    };
    linkAlong(first, second, true);
    linkAlong(second, first, false);
    return places.count();
}

bool boxesMeet(double aMinX, double aMinY, double aMaxX, double aMaxY, double bMinX, double bMinY,
               double bMaxX, double bMaxY, double tolerance)
{
    return aMinX <= bMaxX + tolerance && bMinX <= aMaxX + tolerance && aMinY <= bMaxY + tolerance &&
           bMinY <= aMaxY + tolerance;
}

// A uniform grid over all edges, so that only edges in the same cells are compared.
class EdgeGrid
{
public:
    EdgeGrid(const QList<Edge> &edges, double tolerance) : tolerance(tolerance)
    {
        minX = minY = std::numeric_limits<double>::max();
        double maxX = std::numeric_limits<double>::lowest();
        double maxY = maxX;
        for (const Edge &e : edges) {
            minX = std::min(minX, e.minX);
            minY = std::min(minY, e.minY);
            maxX = std::max(maxX, e.maxX);
            maxY = std::max(maxY, e.maxY);
        }
        columns = rows =
            std::clamp(static_cast<int>(std::sqrt(static_cast<double>(edges.size()))), 1, 512);
        cellWidth = std::max((maxX - minX) / columns, tolerance);
        cellHeight = std::max((maxY - minY) / rows, tolerance);
        cells.resize(static_cast<size_t>(columns) * rows);
        for (int i = 0; i < static_cast<int>(edges.size()); ++i) {
            const Edge &e = edges[i];
            for (int row = rowOf(e.minY - tolerance); row <= rowOf(e.maxY + tolerance); ++row) {
                for (int column = columnOf(e.minX - tolerance);
                     column <= columnOf(e.maxX + tolerance); ++column)
                    cells[static_cast<size_t>(row) * columns + column].push_back(i);
            }
        }
    }

    // Calls visit(a, b) once for every pair of edges whose boxes meet.
    template <class Visit> void forEachCandidatePair(const QList<Edge> &edges, Visit visit) const
    {
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                const std::vector<int> &cell = cells[static_cast<size_t>(row) * columns + column];
                for (size_t i = 0; i < cell.size(); ++i) {
                    const Edge &a = edges[cell[i]];
                    for (size_t j = i + 1; j < cell.size(); ++j) {
                        const Edge &b = edges[cell[j]];
                        if (!boxesMeet(a.minX, a.minY, a.maxX, a.maxY, b.minX, b.minY, b.maxX,
                                       b.maxY, tolerance))
                            continue;
                        // Only the cell holding the corner of the boxes' overlap reports it.
                        const double cornerX = std::max(a.minX, b.minX) - tolerance;
                        const double cornerY = std::max(a.minY, b.minY) - tolerance;
                        if (columnOf(cornerX) != column || rowOf(cornerY) != row)
                            continue;
                        visit(a, b);
                    }
                }
            }
        }
    }

private:
    int columnOf(double x) const
    {
        return std::clamp(static_cast<int>(std::floor((x - minX) / cellWidth)), 0, columns - 1);
    }
    int rowOf(double y) const
    {
        return std::clamp(static_cast<int>(std::floor((y - minY) / cellHeight)), 0, rows - 1);
    }

    double tolerance;
    double minX = 0, minY = 0;
    double cellWidth = 1, cellHeight = 1;
    int columns = 1, rows = 1;
    std::vector<std::vector<int>> cells;
};
} // namespace

bool ringCovers(const QList<Point> &ring, const Point &point, double tolerance)
{
    bool inside = false;
    const qsizetype count = ring.size();
    for (qsizetype i = 0, j = count - 1; i < count; j = i++) {
        const Point &a = ring[i];
        const Point &b = ring[j];
        if ((a.y > point.y) != (b.y > point.y) &&
            point.x < (b.x - a.x) * (point.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
        double t = 0;
        if (!(a == b) && distanceToSegment(point, a, b, t) <= tolerance)
            return true;
    }
    return inside;
}

RingContacts findRingContacts(const QList<QList<Point>> &rawRings, double tolerance)
{
    QList<Ring> rings;
    rings.reserve(rawRings.size());
    QList<Edge> edges;
    for (const QList<Point> &raw : rawRings) {
        rings.append(makeRing(raw, tolerance));
        const Ring &ring = rings.last();
        if (ring.size() < 3)
            continue;
        const int ringIndex = static_cast<int>(rings.size() - 1);
        for (int i = 0; i < ring.size(); ++i) {
            const Point &a = ring.vertex(i);
            const Point &b = ring.vertex(i + 1);
            edges.append({ringIndex, i, std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
                          std::max(a.y, b.y)});
        }
    }
    RingContacts contacts;
    if (edges.isEmpty())
        return contacts;

    QHash<int, Point> selfHits;
    QHash<quint64, QList<PairEvent>> pairEvents;
    EdgeGrid(edges, tolerance).forEachCandidatePair(edges, [&](const Edge &a, const Edge &b) {
        const Ring &ringA = rings[a.ring];
        if (a.ring == b.ring) {
            const int apart = std::abs(a.index - b.index);
            if (apart <= 1 || apart == ringA.size() - 1 || selfHits.contains(a.ring))
                return;
        }
        const Ring &ringB = rings[b.ring];
        SegmentHit hits[2];
        const int found =
            segmentHits(ringA.vertex(a.index), ringA.vertex(a.index + 1), ringB.vertex(b.index),
                        ringB.vertex(b.index + 1), tolerance, hits);
        if (found == 0)
            return;
        if (a.ring == b.ring) {
            selfHits.insert(a.ring, hits[0].at);
            return;
        }
        const bool ordered = a.ring < b.ring;
        QList<PairEvent> &events = pairEvents[ordered ? (quint64(a.ring) << 32) | quint64(b.ring)
                                                      : (quint64(b.ring) << 32) | quint64(a.ring)];
        for (int k = 0; k < found; ++k) {
            const double onA = a.index + hits[k].ta;
            const double onB = b.index + hits[k].tb;
            events.append({ordered ? onA : onB, ordered ? onB : onA, hits[k].at});
        }
    });

    for (auto it = selfHits.cbegin(); it != selfHits.cend(); ++it)
        contacts.selfContacts.append({it.key(), it.value()});
    std::sort(contacts.selfContacts.begin(), contacts.selfContacts.end(),
              [](const auto &a, const auto &b) { return a.ring < b.ring; });

    for (auto it = pairEvents.cbegin(); it != pairEvents.cend(); ++it) {
        const int first = static_cast<int>(it.key() >> 32);
        const int second = static_cast<int>(it.key() & 0xffffffffU);
        contacts.pairContacts.append(
            {first, second, countPlaces(rings[first], rings[second], it.value(), tolerance),
             it.value().first().at});
    }
    // A ring lying wholly inside another has no meeting outlines.
    for (int i = 0; i < rings.size(); ++i) {
        for (int j = i + 1; j < rings.size(); ++j) {
            const Ring &a = rings[i];
            const Ring &b = rings[j];
            if (a.size() < 3 || b.size() < 3 ||
                !boxesMeet(a.minX, a.minY, a.maxX, a.maxY, b.minX, b.minY, b.maxX, b.maxY,
                           tolerance) ||
                pairEvents.contains((quint64(i) << 32) | quint64(j)))
                continue;
            if (ringCovers(b.points, a.points.first(), tolerance))
                contacts.pairContacts.append({i, j, 1, a.points.first()});
            else if (ringCovers(a.points, b.points.first(), tolerance))
                contacts.pairContacts.append({i, j, 1, b.points.first()});
        }
    }
    std::sort(contacts.pairContacts.begin(), contacts.pairContacts.end(),
              [](const auto &a, const auto &b) {
                  return std::pair(a.first, a.second) < std::pair(b.first, b.second);
              });
    return contacts;
}

} // namespace torvane
