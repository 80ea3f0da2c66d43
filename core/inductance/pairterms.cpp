#include "core/inductance/pairterms.h"

#include "core/inductance/gausslegendre.h"

#include <algorithm>
#include <cmath>

namespace {
// sin^2 of the angle below which two tapes count as parallel for the width terms.
constexpr double parallelSin2 = 1e-2;

double segmentDistance(const PieceFrame &a, const PieceFrame &b)
{
    // Closest points of two segments, clamped to both (the usual two-step clamp).
    const Vec3 d1 = a.end - a.start;
    const Vec3 d2 = b.end - b.start;
    const Vec3 r = a.start - b.start;
    const double aa = dot(d1, d1);
    const double ee = dot(d2, d2);
    const double f = dot(d2, r);
    double s = 0;
    double t = 0;
    if (aa <= 0 && ee <= 0)
        return norm(r);
    if (aa <= 0) {
        t = std::clamp(f / ee, 0.0, 1.0);
    } else {
        const double c = dot(d1, r);
        if (ee <= 0) {
            s = std::clamp(-c / aa, 0.0, 1.0);
        } else {
            const double bb = dot(d1, d2);
            const double denom = aa * ee - bb * bb;
            s = denom > 0 ? std::clamp((bb * f - c * ee) / denom, 0.0, 1.0) : 0.0;
            t = (bb * s + f) / ee;
            if (t < 0) {
                t = 0;
                s = std::clamp(-c / aa, 0.0, 1.0);
            } else if (t > 1) {
                t = 1;
                s = std::clamp((bb - c) / aa, 0.0, 1.0);
            }
        }
    }
    return norm((a.start + s * d1) - (b.start + t * d2));
}

// Parallel (or nearly parallel) tapes: the exact tape formula in a's frame for b laid
// parallel to a, plus the change of the centre-line term from that parallel copy to b itself.
double nearParallelTapes(const PieceFrame &a, const PieceFrame &b, double cosine)
{
    const Vec3 up = cross(a.along, a.across);
    const double a3 = dot(b.start - a.start, a.along);
    const double a4 = dot(b.end - a.start, a.along);
    const double lateral = dot(b.mid - a.start, a.across);
    const double height = dot(b.mid - a.start, up);
    const double sign = cosine > 0 ? 1.0 : -1.0;
    const double tapes =
        sign * parallelTapeMutual(0, a.length, -a.width / 2, a.width / 2, std::min(a3, a4),
                                  std::max(a3, a4), lateral - b.width / 2, lateral + b.width / 2,
                                  height);
    const Vec3 base = a.start + lateral * a.across + height * up;
    const Vec3 p0 = base + a3 * a.along;
    const Vec3 p1 = base + a4 * a.along;
    if (norm(p0 - b.start) + norm(p1 - b.end) == 0)
        return tapes;
    return tapes + filamentMutual(a.start, a.end, b.start, b.end) -
           filamentMutual(a.start, a.end, p0, p1);
}

// Non-parallel tapes: Gauss-Legendre over both widths of the filament term. For each filament
// of a, the integral across b is split where an end of one filament lies on the other's line:
// there the filament term has a logarithmic kink that plain Gauss rules converge on slowly.
double angledTapes(const PieceFrame &a, const PieceFrame &b, int outerPoints, int innerPoints,
                   bool split)
{
    const GaussRule &outer = gaussLegendre(outerPoints);
    const GaussRule &inner = gaussLegendre(innerPoints);
    const double half = b.width / 2;
    const double cosine = dot(a.across, b.across);
    double sum = 0;
    for (int i = 0; i < outer.count; ++i) {
        const double u = 0.5 * a.width * outer.nodes[i];
        const Vec3 a0 = a.start + u * a.across;
        const Vec3 a1 = a.end + u * a.across;
        double breaks[6] = {-half, half, -half, -half, -half, -half};
        if (split) {
            breaks[2] = dot(a0 - b.start, b.across);
            breaks[3] = dot(a1 - b.start, b.across);
        }
        if (split && std::fabs(cosine) > 1e-12) {
            breaks[4] = (u - dot(b.start - a.start, a.across)) / cosine;
            breaks[5] = (u - dot(b.end - a.start, a.across)) / cosine;
        }
        std::sort(std::begin(breaks), std::end(breaks));
        double across = 0;
        for (int k = 0; k + 1 < 6; ++k) {
            const double lo = std::max(breaks[k], -half);
            const double hi = std::min(breaks[k + 1], half);
            if (!(hi > lo))
                continue;
            double part = 0;
            for (int j = 0; j < inner.count; ++j) {
                const double v = 0.5 * (lo + hi) + 0.5 * (hi - lo) * inner.nodes[j];
                const Vec3 db = v * b.across;
                part += inner.weights[j] * filamentMutual(a0, a1, b.start + db, b.end + db);
            }
            across += 0.5 * (hi - lo) * part;
        }
        sum += outer.weights[i] * across;
    }
    return sum / (2 * b.width);
}

// Double integral of 1 / r over two filaments far apart, from the Taylor expansion of 1 / r
// about the midpoints to second order (the odd terms vanish over the symmetric intervals).
double midpointExpansion(const PieceFrame &a, const PieceFrame &b)
{
    const Vec3 d = a.mid - b.mid;
    const double r2 = dot(d, d);
    const double r = std::sqrt(r2);
    const double du = dot(d, a.along);
    const double dv = dot(d, b.along);
    const double la2 = a.length * a.length;
    const double lb2 = b.length * b.length;
    const double correction =
        (la2 * (3 * du * du - r2) + lb2 * (3 * dv * dv - r2)) / (24 * r2 * r2);
    return a.length * b.length / r * (1 + correction);
}

// Two tapes well apart: Gauss points across both widths and along both lengths.
double tapeGaussPoints(const PieceFrame &a, const PieceFrame &b, int alongCount)
{
    const GaussRule &along = gaussLegendre(alongCount);
    const GaussRule &across = gaussLegendre(2);
    const Vec3 da = a.end - a.start;
    const Vec3 db = b.end - b.start;
    double sum = 0;
    for (int i = 0; i < 2; ++i) {
        const Vec3 ai = a.start + (0.5 * a.width * across.nodes[i]) * a.across;
        for (int j = 0; j < 2; ++j) {
            const Vec3 bj = b.start + (0.5 * b.width * across.nodes[j]) * b.across;
            double part = 0;
            for (int k = 0; k < alongCount; ++k) {
                const Vec3 p = ai + (0.5 + 0.5 * along.nodes[k]) * da;
                double inner = 0;
                for (int m = 0; m < alongCount; ++m)
                    inner += along.weights[m] / norm(p - (bj + (0.5 + 0.5 * along.nodes[m]) * db));
                part += along.weights[k] * inner;
            }
            sum += part;
        }
    }
    return sum * a.length * b.length / 16;
}

// Double integral of 1 / r over two filaments by Gauss points along both.
template <int Count>
double gaussPoints(const Vec3 (&a)[Count], const Vec3 (&b)[Count], double lengths)
{
    const GaussRule &rule = gaussLegendre(Count);
    double sum = 0;
    for (int i = 0; i < Count; ++i) {
        double inner = 0;
        for (int j = 0; j < Count; ++j)
            inner += rule.weights[j] / norm(a[i] - b[j]);
        sum += rule.weights[i] * inner;
    }
    return sum * lengths / 4;
}

// The centre-line term by the cheapest rule that keeps each pair to a few 1e-5: the
// midpoint expansion far off, Gauss points along both at moderate distances, the exact
// formula close by. `gap` is the distance between the two segments.
double centreLineTerm(const PieceFrame &a, const PieceFrame &b, double cosine, double gap)
{
    const double longer = std::max(a.length, b.length);
    if (gap >= farLengths * longer)
        return cosine * midpointExpansion(a, b);
    if (gap >= 3 * longer)
        return cosine * gaussPoints(a.two, b.two, a.length * b.length);
    if (gap >= longer)
        return cosine * gaussPoints(a.three, b.three, a.length * b.length);
    return filamentMutual(a.start, a.end, b.start, b.end);
}

// Vias close together: exact for square bars, in a frame along a's axis.
double nearBars(const PieceFrame &a, const PieceFrame &b, double cosine)
{
    const double a3 = dot(b.start - a.start, a.along);
    const double a4 = dot(b.end - a.start, a.along);
    const Vec3 offset = b.mid - a.mid;
    const double sign = cosine > 0 ? 1.0 : -1.0;
    return sign * squareBarMutual(0, a.length, std::min(a3, a4), std::max(a3, a4), offset.x,
                                  offset.y, a.width);
}
} // namespace

PieceFrame frameOf(const CurrentPiece &piece)
{
    PieceFrame f;
    f.start = piece.start;
    f.end = piece.end;
    f.mid = 0.5 * (piece.start + piece.end);
    f.length = norm(piece.end - piece.start);
    f.width = piece.width;
    if (f.length > 0)
        f.along = (1 / f.length) * (piece.end - piece.start);
    const Vec3 span = piece.end - piece.start;
    const GaussRule &two = gaussLegendre(2);
    const GaussRule &three = gaussLegendre(3);
    for (int i = 0; i < 2; ++i)
        f.two[i] = piece.start + (0.5 + 0.5 * two.nodes[i]) * span;
    for (int i = 0; i < 3; ++i)
        f.three[i] = piece.start + (0.5 + 0.5 * three.nodes[i]) * span;
    const double horizontal = std::hypot(f.along.x, f.along.y);
    f.vertical = horizontal < 1e-9 * std::fabs(f.along.z) || horizontal == 0;
    if (!f.vertical)
        f.across = {-f.along.y / horizontal, f.along.x / horizontal, 0};
    return f;
}

double pairTerm(const PieceFrame &a, const PieceFrame &b)
{
    if (!(a.length > 0) || !(b.length > 0))
        return 0;
    const double cosine = dot(a.along, b.along);
    if (std::fabs(cosine) < 1e-12)
        return 0;
    const bool tapes = !a.vertical && !b.vertical && a.width > 0 && b.width > 0;
    const double width = std::max(a.width, b.width);
    const double reach = nearWidths * width;
    // Far apart even allowing for the half lengths: no root needed to tell.
    const Vec3 apart = a.mid - b.mid;
    const double far =
        0.5 * (a.length + b.length) + std::max(reach, farLengths * std::max(a.length, b.length));
    if (dot(apart, apart) > far * far)
        return cosine * midpointExpansion(a, b);
    const double gap = segmentDistance(a, b);
    if (a.vertical && b.vertical && a.width > 0 && a.width == b.width && gap <= reach)
        return nearBars(a, b, cosine);
    if (gap > reach || !tapes)
        return centreLineTerm(a, b, cosine, gap);
    // A few widths apart the integrand is smooth across the widths.
    if (gap >= 2 * width) {
        const double longer = std::max(a.length, b.length);
        if (gap >= longer)
            return cosine * tapeGaussPoints(a, b, gap >= 3 * longer ? 2 : 3);
        return angledTapes(a, b, 2, 2, false);
    }
    const Vec3 n = cross(a.along, b.along);
    if (dot(n, n) < parallelSin2)
        return nearParallelTapes(a, b, cosine);
    // Touching or nearly: split rules.
    return gap < 0.5 * width ? angledTapes(a, b, 4, 4, true) : angledTapes(a, b, 3, 3, false);
}

double selfTerm(const PieceFrame &f)
{
    if (!(f.length > 0) || !(f.width > 0))
        return 0;
    return f.vertical ? squareBarSelf(f.length, f.width) : tapeSelf(f.length, f.width);
}
