#include "core/inductance/neumann.h"

#include "core/inductance/gausslegendre.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {
// asinh through one logarithm: several times faster than the library's, and exact enough here
// (an absolute error near 1e-16 for small arguments, where the terms are multiplied by zero).
double fastAsinh(double x)
{
    const double a = std::fabs(x);
    const double value = a > 1e150 ? std::log(2 * a) : std::log(a + std::sqrt(a * a + 1));
    return x < 0 ? -value : value;
}

// x asinh(x / d) with the limit 0 at x = 0, also when d = 0.
double xAsinh(double x, double d)
{
    if (x == 0)
        return 0;
    if (d == 0)
        return std::fabs(x) * std::log(2 * std::fabs(x)); // the -|x| ln d part cancels in sums
    return x * fastAsinh(x / d);
}

// Second antiderivative of 1 / sqrt(x^2 + d^2): parallel filaments (Grover's formula).
double parallelFilamentTerm(double x, double d)
{
    return xAsinh(x, d) - std::sqrt(x * x + d * d);
}

// Double antiderivative in s and t of 1 / R, R^2 = s^2 + t^2 - 2 c s t + d^2, with s and t
// measured from the common perpendicular of the two lines. The logarithms of the classic
// form (Grover; Ruehli 1972) are written as asinh: the dropped terms depend on s or t alone
// and cancel in the corner sums. The arctangent is the solid-angle term of skew lines.
double skewCornerTerm(double s, double t, double c, double sin2, double sine, double d)
{
    double value = 0;
    const double rhoS = std::sqrt(s * s * sin2 + d * d);
    const double rhoT = std::sqrt(t * t * sin2 + d * d);
    if (s != 0 && rhoS > 0)
        value += s * fastAsinh((t - c * s) / rhoS);
    if (t != 0 && rhoT > 0)
        value += t * fastAsinh((s - c * t) / rhoT);
    if (d > 0) {
        const double r = std::sqrt(std::max(0.0, s * s + t * t - 2 * c * s * t + d * d));
        value -= (d / sine) * std::atan((c * d * d + s * t * sin2) / (d * r * sine));
    }
    return value;
}

// Fourth antiderivative (twice along x, twice across y) of 1 / sqrt(x^2 + y^2 + z^2): the
// kernel of two parallel tapes (Hoer and Love, in the zero-thickness limit). Terms in x or y
// alone, or linear in either, cancel in the corner sums and are left out.
double tapeCornerTerm(double x, double y, double z)
{
    const double x2 = x * x;
    const double y2 = y * y;
    const double z2 = z * z;
    const double r = std::sqrt(x2 + y2 + z2);
    double value = 0.5 * (x2 - z2) * xAsinh(y, std::sqrt(x2 + z2)) +
                   0.5 * (y2 - z2) * xAsinh(x, std::sqrt(y2 + z2)) - (x2 + y2 - 2 * z2) * r / 6;
    if (z != 0 && x != 0 && y != 0)
        value -= x * y * z * std::atan(x * y / (z * r));
    return value;
}
} // namespace

double filamentMutual(Vec3 p0, Vec3 p1, Vec3 q0, Vec3 q1)
{
    const Vec3 a = p1 - p0;
    const Vec3 b = q1 - q0;
    const double l1 = norm(a);
    const double l2 = norm(b);
    if (!(l1 > 0) || !(l2 > 0))
        return 0;
    const Vec3 u = (1 / l1) * a;
    const Vec3 v = (1 / l2) * b;
    const double c = std::clamp(dot(u, v), -1.0, 1.0);
    const Vec3 n = cross(u, v);
    const double sin2 = dot(n, n);
    const Vec3 w = p0 - q0;

    // Nearly parallel: the common perpendicular would lie far away and the corner terms would
    // cancel badly; the parallel formula is exact to second order in the angle.
    if (sin2 < 1e-14) {
        const double along = -dot(w, u); // q0 measured along u from p0
        const Vec3 offset = w + along * u;
        const double d = norm(offset);
        const double qa = along;
        const double qb = along + c * l2;
        const double lo = std::min(qa, qb);
        const double hi = std::max(qa, qb);
        const double sum = parallelFilamentTerm(l1 - lo, d) - parallelFilamentTerm(-lo, d) -
                           parallelFilamentTerm(l1 - hi, d) + parallelFilamentTerm(-hi, d);
        return (c > 0 ? 1.0 : -1.0) * sum;
    }

    const double du = dot(u, w);
    const double dv = dot(v, w);
    const double sc = (c * dv - du) / sin2;
    const double tc = dv + c * sc;
    const double sine = std::sqrt(sin2);
    const double d = std::fabs(dot(w, n)) / sine;
    const double s0 = -sc;
    const double s1 = l1 - sc;
    const double t0 = -tc;
    const double t1 = l2 - tc;
    const double sum =
        skewCornerTerm(s1, t1, c, sin2, sine, d) - skewCornerTerm(s0, t1, c, sin2, sine, d) -
        skewCornerTerm(s1, t0, c, sin2, sine, d) + skewCornerTerm(s0, t0, c, sin2, sine, d);
    return c * sum;
}

double parallelTapeMutual(double a1, double a2, double b1, double b2, double a3, double a4,
                          double b3, double b4, double height)
{
    const double xs[4] = {a2 - a3, a1 - a3, a2 - a4, a1 - a4};
    const double ys[4] = {b2 - b3, b1 - b3, b2 - b4, b1 - b4};
    const double signs[4] = {1, -1, -1, 1};
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            sum += signs[i] * signs[j] * tapeCornerTerm(xs[i], ys[j], height);
    }
    return sum / ((b2 - b1) * (b4 - b3));
}

double tapeSelf(double length, double width)
{
    return parallelTapeMutual(0, length, 0, width, 0, length, 0, width, 0);
}

double squareBarMutual(double a1, double a2, double a3, double a4, double dx, double dy,
                       double side)
{
    // Each bar is a stack of tapes across y: (1 / a^2) times the integral over u in [-a, a] of
    // (a - |u|) M(dy + u), split where the weight or the tape term has its kink.
    double breaks[4] = {-side, 0, std::clamp(-dy, -side, side), side};
    std::sort(std::begin(breaks), std::end(breaks));
    const GaussRule &rule = gaussLegendre(8);
    double sum = 0;
    for (int k = 0; k + 1 < 4; ++k) {
        const double lo = breaks[k];
        const double hi = breaks[k + 1];
        if (!(hi > lo))
            continue;
        for (int i = 0; i < rule.count; ++i) {
            const double u = 0.5 * (lo + hi) + 0.5 * (hi - lo) * rule.nodes[i];
            const double weight = 0.5 * (hi - lo) * rule.weights[i];
            sum += weight * (side - std::fabs(u)) *
                   parallelTapeMutual(a1, a2, -side / 2, side / 2, a3, a4, dx - side / 2,
                                      dx + side / 2, dy + u);
        }
    }
    return sum / (side * side);
}

double squareBarSelf(double length, double side)
{
    return squareBarMutual(0, length, 0, length, 0, 0, side);
}
