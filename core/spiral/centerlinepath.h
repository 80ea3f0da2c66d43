#pragma once

#include "core/sonnet/geometryrecords.h"

#include <QList>

namespace torvane {

// A conductor given by its centre line and width; outlined with mitred corners and flat ends.
class CenterLinePath
{
public:
    CenterLinePath() = default;
    explicit CenterLinePath(double width) : width(width) {}

    void clear() { points.clear(); }
    void append(double x, double y) { points.append(Point(x, y)); }
    void append(const Point &point) { points.append(point); }

    // Appends L0..Ln-1, Rn-1..R0, L0 to the polygon's points (2n + 1 of them); the plus side L
    // lies to the right of the travel direction on screen, since y grows downwards. Paths
    // with fewer than two points add nothing.
    void outline(Polygon &polygon) const;

    // Angle of (dx, dy) in [-pi/2, 3pi/2); a zero vector gives -pi/2.
    static double direction(double dy, double dx);
    // Corner B of A-B-C offset by h to the side sideAngle (+pi/2 or -pi/2).
    static Point miterPoint(const Point &a, const Point &b, const Point &c, double h,
                            double sideAngle);

    bool operator==(const CenterLinePath &) const = default;

    double width = 0;
    QList<Point> points;
};

} // namespace torvane
