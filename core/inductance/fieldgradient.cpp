#include "core/inductance/fieldgradient.h"

#include "core/inductance/gausslegendre.h"

#include <algorithm>
#include <cmath>

namespace torvane {

double segmentDistance(const Vec3 &p0, const Vec3 &p1, const Vec3 &q0, const Vec3 &q1)
{
    const Vec3 d1 = p1 - p0;
    const Vec3 d2 = q1 - q0;
    const Vec3 r = p0 - q0;
    const double a = dot(d1, d1);
    const double e = dot(d2, d2);
    const double f = dot(d2, r);
    const double c = dot(d1, r);
    const double b = dot(d1, d2);
    const double denominator = a * e - b * b;
    double s =
        denominator > 1e-12 * a * e ? std::clamp((b * f - c * e) / denominator, 0.0, 1.0) : 0.0;
    double t = (b * s + f) / e;
    if (t < 0) {
        t = 0;
        s = std::clamp(-c / a, 0.0, 1.0);
    } else if (t > 1) {
        t = 1;
        s = std::clamp((b - c) / a, 0.0, 1.0);
    }
    return norm(p0 + s * d1 - (q0 + t * d2));
}

namespace {
// Gauss points along a piece for a source this far away: panels no longer than about twice the
// distance, so that the rule's error stays near 1e-4 of each pair's term.
class Points
{
public:
    static constexpr int most = 32 * 4;

    Points(const Vec3 &start, const Vec3 &end, double length, double distance)
    {
        const double ratio = distance > 0 ? length / distance : 1e9;
        const int panels = ratio > 2.2 ? std::min(32, static_cast<int>(std::ceil(ratio / 2.2))) : 1;
        const int order = ratio <= 0.25 ? 1 : ratio <= 0.7 ? 2 : ratio <= 1.3 ? 3 : 4;
        const GaussRule &rule = gaussLegendre(order);
        const Vec3 span = end - start;
        for (int p = 0; p < panels; ++p) {
            for (int i = 0; i < order; ++i) {
                const double t = (p + 0.5 + 0.5 * rule.nodes[i]) / panels;
                m_at[m_count] = start + t * span;
                m_weights[m_count] = 0.5 * rule.weights[i] * length / panels;
                ++m_count;
            }
        }
    }

    int count() const { return m_count; }
    const Vec3 &at(int i) const { return m_at[i]; }
    double weight(int i) const { return m_weights[i]; }

private:
    int m_count = 0;
    Vec3 m_at[most];
    double m_weights[most];
};
} // namespace

Vec3 farFieldSum(const Vec3 &a0, const Vec3 &a1, double la, const Vec3 &b0, const Vec3 &b1,
                 double lb)
{
    // Most pairs lie so far apart that one point each will do: the midpoints.
    const Vec3 r = 0.5 * (a0 + a1 - b0 - b1);
    const double r2 = dot(r, r);
    const double longer = std::max(la, lb);
    if (r2 > 64 * longer * longer)
        return (la * lb / (r2 * std::sqrt(r2))) * r;
    const double distance = segmentDistance(a0, a1, b0, b1);
    const Points pa(a0, a1, la, distance);
    const Points pb(b0, b1, lb, distance);
    Vec3 sum;
    for (int p = 0; p < pa.count(); ++p) {
        for (int q = 0; q < pb.count(); ++q) {
            const Vec3 r = pa.at(p) - pb.at(q);
            const double r2 = dot(r, r);
            sum = sum + (pa.weight(p) * pb.weight(q) / (r2 * std::sqrt(r2))) * r;
        }
    }
    return sum;
}

} // namespace torvane
