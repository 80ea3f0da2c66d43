#include "core/spiral/centerlinepath.h"

#include <cmath>
#include <numbers>

namespace torvane {

namespace {
constexpr double pi = std::numbers::pi;
constexpr double halfPi = pi / 2;

Point offset(const Point &p, double h, double angle)
{
    return Point(p.x + h * std::cos(angle), p.y + h * std::sin(angle));
}
} // namespace

double CenterLinePath::direction(double dy, double dx)
{
    if (std::fabs(dx) > 1e-10) {
        if (dx > 0)
            return std::atan(dy / dx);
        return std::atan(dy / dx) + pi;
    }
    return dy > 0 ? halfPi : -halfPi;
}

Point CenterLinePath::miterPoint(const Point &a, const Point &b, const Point &c, double h,
                                 double sideAngle)
{
    const double a1 = direction(b.y - a.y, b.x - a.x);
    const double a2 = direction(c.y - b.y, c.x - b.x);
    // Across the range limit the cosine turns negative and flips the bisector back.
    const double d = h / std::cos((a2 - a1) / 2);
    const double theta = (a1 + a2) / 2 + sideAngle;
    return Point(b.x + d * std::cos(theta), b.y + d * std::sin(theta));
}

void CenterLinePath::outline(Polygon &polygon) const
{
    const qsizetype n = points.size();
    if (n < 2)
        return;
    const double h = width * 0.5;

    QList<Point> plus(n);
    QList<Point> minus(n);
    const double startAngle = direction(points[1].y - points[0].y, points[1].x - points[0].x);
    plus[0] = offset(points[0], h, startAngle + halfPi);
    minus[0] = offset(points[0], h, startAngle - halfPi);
    for (qsizetype k = 1; k < n - 1; ++k) {
        plus[k] = miterPoint(points[k - 1], points[k], points[k + 1], h, halfPi);
        minus[k] = miterPoint(points[k - 1], points[k], points[k + 1], h, -halfPi);
    }
    const double endAngle =
        direction(points[n - 1].y - points[n - 2].y, points[n - 1].x - points[n - 2].x);
    plus[n - 1] = offset(points[n - 1], h, endAngle + halfPi);
    minus[n - 1] = offset(points[n - 1], h, endAngle - halfPi);

    polygon.points.reserve(polygon.points.size() + 2 * n + 1);
    polygon.points.append(plus);
    for (qsizetype k = n - 1; k >= 0; --k)
        polygon.points.append(minus[k]);
    polygon.points.append(plus[0]);
}

} // namespace torvane
