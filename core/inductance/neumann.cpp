#include "core/inductance/neumann.h"

#include "core/inductance/fastlog.h"
#include "core/inductance/gausslegendre.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <optional>

namespace torvane {

namespace {
// asinh through one logarithm: several times faster than the library's, and exact enough here
// (an absolute error near 1e-16 for small arguments, where the terms are multiplied by zero).
double fastAsinh(double x)
{
    const double a = std::fabs(x);
    const double value = a > 1e150 ? std::log(2 * a) : fastLog(a + std::sqrt(a * a + 1));
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

// Second antiderivative of 1 / sqrt(x^2 + d^2): parallel filaments (Grover 1946, "Inductance
// calculations", ch. 5).
double parallelFilamentTerm(double x, double d)
{
    const double r = std::sqrt(x * x + d * d);
    if (d == 0)
        return xAsinh(x, d) - r;
    return x * asinhOver(x, d, r) - r;
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
// kernel of two parallel tapes (Hoer and Love 1965, "Exact inductance equations for
// rectangular conductors", J. Res. NBS 69C, in the zero-thickness limit). Terms in x or y
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

// The edges of a tape's rectangle in its plane, counter-clockwise: start point, unit
// direction, length.
struct Edge
{
    double x = 0;
    double y = 0;
    double dx = 0;
    double dy = 0;
    double length = 0;
};

std::array<Edge, 4> rectangleEdges(Vec3 p0, Vec3 p1, double width)
{
    const double length = std::hypot(p1.x - p0.x, p1.y - p0.y);
    const double ux = (p1.x - p0.x) / length;
    const double uy = (p1.y - p0.y) / length;
    const double h = width / 2;
    // Corners p0 - h n, p1 - h n, p1 + h n, p0 + h n with n = (-uy, ux) to the left.
    return {{{p0.x + h * uy, p0.y - h * ux, ux, uy, length},
             {p1.x + h * uy, p1.y - h * ux, -uy, ux, width},
             {p1.x - h * uy, p1.y + h * ux, -ux, -uy, length},
             {p0.x - h * uy, p0.y + h * ux, uy, -ux, width}}};
}

// Antiderivative in s and t of sigma^2 s t / r + c r over two lines that cross at the origin
// at cos = c, r^2 = s^2 + t^2 - 2 c s t: the kernel of a pair of edges of two coplanar
// polygons. as and at are asinh((t - c s) / (|s| sigma)) and asinh((s - c t) / (|t| sigma)).
double crossingEdgeTerm(double s, double t, double r, double as, double at, double c, double sigma2)
{
    return (2 - 3 * c * c) * r * r * r / 6 + c * sigma2 * s * t * r +
           0.5 * c * sigma2 * (s * s * s * as + t * t * t * at);
}

// The same for parallel lines h apart, as a function of the offset p along them: the second
// antiderivative of h^2 / r + r; ap = asinh(p / |h|).
double parallelEdgeTerm(double p, double h, double r, double ap)
{
    return 1.5 * h * h * (p * ap - r) + r * r * r / 6;
}

// The corner sum of G(s, t) = (pw (c t - s)^2 + qw (t - c s)^2) / (r s t), r^2 = s^2 + t^2 -
// 2 c s t, with + at (s1, t1) and (s0, t0), grouped by s: G(s, t1) - G(s, t0) is
// (H(0, t1) - H(0, t0)) / s + K(s, t1) - K(s, t0) for H = s G, where the first part vanishes
// when t0 and t1 have one sign and K = (H(s, t) - H(0, t)) / s stays finite as s tends to 0.
// NaN where a corner sits on the crossing point, which only touching pieces reach.
double widthCornerSum(const double (&ss)[2], const double (&ts)[2], double pw, double qw, double c)
{
    const auto r = [&](double s, double t) {
        return std::sqrt(std::max(0.0, s * s + t * t - 2 * c * s * t));
    };
    const auto g = [&](double s, double t) {
        const double a = c * t - s;
        const double b = t - c * s;
        return (pw * a * a + qw * b * b) / (r(s, t) * s * t);
    };
    const auto k = [&](double s, double t) {
        const double rt = r(s, t);
        const double at = std::fabs(t);
        const double n0 = (pw * c * c + qw) * t * t;
        const double n1 = -2 * c * t * (pw + qw);
        const double n2 = pw + qw * c * c;
        return (n0 * (2 * c * t - s) / (at + rt) + (n1 + s * n2) * at) / (rt * t * at);
    };
    const bool oneSign = ts[0] * ts[1] > 0;
    double sum = 0;
    for (int i = 0; i < 2; ++i) {
        const double s = ss[i];
        if (!oneSign && s == 0)
            return NAN;
        const double difference = oneSign ? k(s, ts[1]) - k(s, ts[0]) : g(s, ts[1]) - g(s, ts[0]);
        sum += i == 1 ? difference : -difference;
    }
    return sum;
}
// Two straight pieces as the closed forms see them: lengths, unit directions, the cosine of
// their angle, the normal to both (its square length is sin^2) and the offset of the starts.
struct PieceFrame
{
    double l1;
    double l2;
    Vec3 u;
    Vec3 v;
    double c;
    Vec3 n;
    double sin2;
    Vec3 w;
};

// None for a piece of no length.
std::optional<PieceFrame> pieceFrame(Vec3 p0, Vec3 p1, Vec3 q0, Vec3 q1)
{
    const Vec3 a = p1 - p0;
    const Vec3 b = q1 - q0;
    const double l1 = norm(a);
    const double l2 = norm(b);
    if (!(l1 > 0) || !(l2 > 0))
        return std::nullopt;
    const Vec3 u = (1 / l1) * a;
    const Vec3 v = (1 / l2) * b;
    const Vec3 n = cross(u, v);
    return PieceFrame{l1, l2, u, v, std::clamp(dot(u, v), -1.0, 1.0), n, dot(n, n), p0 - q0};
}
} // namespace

double filamentMutual(Vec3 p0, Vec3 p1, Vec3 q0, Vec3 q1)
{
    const std::optional<PieceFrame> frame = pieceFrame(p0, p1, q0, q1);
    if (!frame)
        return 0;
    const auto [l1, l2, u, v, c, n, sin2, w] = *frame;

    // Nearly parallel: the common perpendicular would lie far away and the corner terms would
    // cancel badly (by 1e-3 at an angle of 1e-7, 3e-7 at 1e-5); the parallel formula with the
    // distance at the middle of q is exact to second order in the angle (1e-10 at 1e-5).
    if (sin2 < 1e-10) {
        const double along = -dot(w, u); // q0 measured along u from p0
        const Vec3 middle = w - (0.5 * l2) * v;
        const double d = norm(middle - dot(middle, u) * u);
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
    if (d == 0) {
        // In one plane: s asinh((t - c s) / (|s| sin)) + t asinh((s - c t) / (|t| sin)) per
        // corner, the roots of both asinh being the corner's distance; logarithms in one batch.
        const double ss[4] = {s1, s0, s1, s0};
        const double ts[4] = {t1, t1, t0, t0};
        double p[8];
        double q[8];
        double r[8];
        for (std::size_t k = 0; k < 4; ++k) {
            const double s = ss[k];
            const double t = ts[k];
            r[2 * k] = r[2 * k + 1] = std::sqrt(std::max(0.0, s * s + t * t - 2 * c * s * t));
            p[2 * k] = t - c * s;
            q[2 * k] = s * sine;
            p[2 * k + 1] = s - c * t;
            q[2 * k + 1] = t * sine;
        }
        double asinhs[8];
#pragma omp simd
        for (int k = 0; k < 8; ++k)
            asinhs[k] = asinhOver(p[k], q[k], r[k]);
        const double signs[4] = {1, -1, -1, 1};
        double sum = 0;
        for (std::size_t k = 0; k < 4; ++k)
            sum += signs[k] * (ss[k] * asinhs[2 * k] + ts[k] * asinhs[2 * k + 1]);
        return c * sum;
    }
    const double sum =
        skewCornerTerm(s1, t1, c, sin2, sine, d) - skewCornerTerm(s0, t1, c, sin2, sine, d) -
        skewCornerTerm(s1, t0, c, sin2, sine, d) + skewCornerTerm(s0, t0, c, sin2, sine, d);
    return c * sum;
}

// The mutual inductance of two tapes with uniform current is the filament formula averaged
// over both cross-sections; to second order that average adds the variance w^2 / 12 of each
// offset times half the second derivative across (the expansion behind Grover's geometric
// mean distances, Grover 1946, ch. 2; Greenhouse 1974 applies them to planar spirals).
double widthTerm(Vec3 p0, Vec3 p1, double pWidth, Vec3 q0, Vec3 q1, double qWidth)
{
    const std::optional<PieceFrame> frame = pieceFrame(p0, p1, q0, q1);
    if (!frame)
        return 0;
    const auto [l1, l2, u, v, c, n, sin2, w] = *frame;
    const double dz = w.z;
    const double pw2 = pWidth * pWidth / 24;
    const double qw2 = qWidth * qWidth / 24;
    if (sin2 < 1e-4) {
        // Parallel, or so nearly that the crossing point lies too far off to use (the relative
        // error is of the order of sin^2). Both shifts change the offset h across; with the
        // distance D^2 = h^2 + dz^2, the second derivative of x asinh(x / D) - r by h is
        // x^2 h^2 / (D^4 r) - r dz^2 / D^4. In one plane that is x^2 / (h^2 r) = |x| / h^2 -
        // |x| / (r (|x| + r)), whose first part cancels in the corner sum when the pieces do
        // not overlap along the lines (the only way for them to be on one line here).
        const double along = -dot(w, u);
        const Vec3 middle = w - (0.5 * l2) * v;
        const double distance = norm(middle - dot(middle, u) * u);
        const double h2 = std::max(0.0, distance * distance - dz * dz);
        const double d2 = distance * distance;
        const double qa = along;
        const double qb = along + c * l2;
        const double lo = std::min(qa, qb);
        const double hi = std::max(qa, qb);
        const double xs[4] = {l1 - lo, -lo, l1 - hi, -hi};
        const double signs[4] = {1, -1, -1, 1};
        // Apart along the lines, the cancelling part is left out, also off one line: on one
        // line rounding leaves h^2 at about 1e-28 rather than 0, and |x| / h^2 does not cancel.
        const bool apart = lo >= l1 || hi <= 0;
        double sum = 0;
        for (int k = 0; k < 4; ++k) {
            const double x = std::fabs(xs[k]);
            const double r = std::sqrt(x * x + d2);
            const double term = dz != 0            ? (x * x * h2 / r - r * dz * dz) / (d2 * d2)
                                : apart || d2 == 0 ? -x / (r * (x + r))
                                                   : x * x / (d2 * r);
            sum += signs[k] * term;
        }
        return (c > 0 ? 1.0 : -1.0) * (pw2 + qw2) * sum;
    }
    // Shifting p across by delta moves the crossing point of the lines seen from above:
    // (s, t) -> (s - c delta / k, t - delta / k), k^2 = sin^2, and the vertical distance dz
    // stays. The second derivative of a corner term is (c^2 F_ss + 2 c F_st + F_tt) / sin^2,
    // with F_st = 1 / R and, rho_s^2 = s^2 sin^2 + dz^2, F_ss = -(c rho_s^2 + (t - c s) s
    // sin^2) / (rho_s^2 R) (and F_tt the same with s and t exchanged); for q, s and t
    // exchanged.
    const double du = dot(u, w);
    const double dv = dot(v, w);
    const double sc = (c * dv - du) / sin2;
    const double tc = dv + c * sc;
    const double ss[2] = {-sc, l1 - sc};
    const double ts[2] = {-tc, l2 - tc};
    if (dz == 0) {
        // Grouped by the coordinate nearer the crossing point, whose 1 / s cancels.
        const bool byS = std::min(std::fabs(ss[0]), std::fabs(ss[1])) <=
                         std::min(std::fabs(ts[0]), std::fabs(ts[1]));
        const double sum =
            byS ? widthCornerSum(ss, ts, pw2, qw2, c) : widthCornerSum(ts, ss, qw2, pw2, c);
        return -c * sum / sin2;
    }
    const double d2 = dz * dz;
    double sum = 0;
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            const double s = ss[i];
            const double t = ts[j];
            const double r = std::sqrt(std::max(0.0, s * s + t * t - 2 * c * s * t) + d2);
            const double rhoS2 = s * s * sin2 + d2;
            const double rhoT2 = t * t * sin2 + d2;
            const double fss = -(c * rhoS2 + (t - c * s) * s * sin2) / (rhoS2 * r);
            const double ftt = -(c * rhoT2 + (s - c * t) * t * sin2) / (rhoT2 * r);
            const double fst = 1 / r;
            const double term =
                pw2 * (c * c * fss + 2 * c * fst + ftt) + qw2 * (fss + 2 * c * fst + c * c * ftt);
            sum += (i == j ? 1.0 : -1.0) * term;
        }
    }
    return c * sum / sin2;
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

double coplanarTapeMutual(Vec3 a0, Vec3 a1, double aWidth, Vec3 b0, Vec3 b1, double bWidth)
{
    // In two dimensions 1 / r = Laplacian_x Laplacian_y r^3 / 9, so Green's theorem in both
    // tapes turns the fourfold integral into double integrals over pairs of edges of the two
    // rectangles, (d . n_e)(d . n_f) / r + r (n_e . n_f) times -1/3, d the vector between the
    // points and n the outward normals; each in closed form.
    const auto edgesA = rectangleEdges(a0, a1, aWidth);
    const auto edgesB = rectangleEdges(b0, b1, bWidth);
    // Per pair of corners (i of A, j of B), R from i to j: the distance and asinh(R . d / |R x d|)
    // for d along and across B, asinh(-R . d / |R x d|) for d along and across A. Every edge
    // term of those corners uses them; they are zero where the corner lies on the line, and
    // so is the factor they come with.
    std::array<double, 16> r;
    std::array<double, 64> numerators;
    std::array<double, 64> denominators;
    for (int k = 0; k < 16; ++k) {
        const Edge &i = edgesA[k / 4];
        const Edge &j = edgesB[k % 4];
        const double rx = j.x - i.x;
        const double ry = j.y - i.y;
        r[k] = std::sqrt(rx * rx + ry * ry);
        const double projections[4] = {
            rx * edgesB[0].dx + ry * edgesB[0].dy, rx * edgesB[1].dx + ry * edgesB[1].dy,
            -(rx * edgesA[0].dx + ry * edgesA[0].dy), -(rx * edgesA[1].dx + ry * edgesA[1].dy)};
        // asinh(p / |q|), q the projection on the other direction of the same tape.
        for (int m = 0; m < 4; ++m) {
            numerators[16 * m + k] = projections[m];
            denominators[16 * m + k] = projections[m ^ 1];
        }
    }
    std::array<double, 64> asinhs;
#pragma omp simd
    for (int k = 0; k < 64; ++k)
        asinhs[k] = asinhOver(numerators[k], denominators[k], r[k % 16]);
    const double *alpha[2] = {&asinhs[0], &asinhs[16]};
    const double *beta[2] = {&asinhs[32], &asinhs[48]};
    double sum = 0;
    for (int ei = 0; ei < 4; ++ei) {
        const Edge &e = edgesA[ei];
        const double signE = ei < 2 ? 1.0 : -1.0;
        const double *betaE = beta[ei % 2];
        for (int fi = 0; fi < 4; ++fi) {
            const Edge &f = edgesB[fi];
            const double signF = fi < 2 ? 1.0 : -1.0;
            const double *alphaF = alpha[fi % 2];
            const int corners[4] = {4 * ei + fi, 4 * ei + (fi + 1) % 4, 4 * ((ei + 1) % 4) + fi,
                                    4 * ((ei + 1) % 4) + (fi + 1) % 4};
            const double c = e.dx * f.dx + e.dy * f.dy;
            const double cross = e.dx * f.dy - e.dy * f.dx;
            const double qx = f.x - e.x;
            const double qy = f.y - e.y;
            // corner order: (s0, t0), (s0, t1), (s1, t0), (s1, t1)
            double term[4];
            if (std::fabs(cross) < 1e-9) {
                // Parallel: p = (x - y) . e along the edges, h = (x - y) x e across.
                const double h = qy * e.dx - qx * e.dy;
                const double along0 = -(qx * e.dx + qy * e.dy);
                const double sign = c > 0 ? 1.0 : -1.0;
                const double ps[4] = {along0, along0 - sign * f.length, along0 + e.length,
                                      along0 + e.length - sign * f.length};
                for (int k = 0; k < 4; ++k)
                    term[k] = -parallelEdgeTerm(ps[k], h, r[corners[k]], signE * betaE[corners[k]]);
            } else {
                // From the crossing point of the two lines.
                const double sp = (qx * f.dy - qy * f.dx) / cross;
                const double tq = (qx * e.dy - qy * e.dx) / cross;
                const double sigma2 = cross * cross;
                const double ss[4] = {-sp, -sp, e.length - sp, e.length - sp};
                const double ts[4] = {-tq, f.length - tq, -tq, f.length - tq};
                for (int k = 0; k < 4; ++k)
                    term[k] =
                        crossingEdgeTerm(ss[k], ts[k], r[corners[k]], signF * alphaF[corners[k]],
                                         signE * betaE[corners[k]], c, sigma2);
            }
            sum += term[3] - term[1] - term[2] + term[0];
        }
    }
    const double cosine = edgesA[0].dx * edgesB[0].dx + edgesA[0].dy * edgesB[0].dy;
    return -cosine * sum / (3 * aWidth * bWidth);
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

} // namespace torvane
