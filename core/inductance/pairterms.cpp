#include "core/inductance/pairterms.h"

#include "core/inductance/gausslegendre.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace torvane {

namespace {
// sin^2 of the angle below which two tapes on different levels count as parallel.
constexpr double parallelSin2 = 1e-2;
// Below this sin^2 the closed form for tapes in one plane loses digits to cancellation; a
// parallel copy is exact to its square there.
constexpr double coplanarSin2 = 1e-6;
// Closer than this many widths the closed forms of tapes; further apart the centre lines with
// the second-order width terms, whose fourth-order remainder falls with (width / gap)^4.
constexpr double exactWidths = 3;

bool horizontal(const PieceFrame &f)
{
    return !f.vertical && f.start.z == f.end.z;
}

bool coplanar(const PieceFrame &a, const PieceFrame &b)
{
    return !a.vertical && !b.vertical && a.start.z == a.end.z && b.start.z == b.end.z &&
           a.start.z == b.start.z;
}

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

// The second-order terms of the mean of 1 / r over offsets along (or across) two pieces, for
// points d apart, relative to 1 / r: the offsets have variances a2 * 2 and b2 * 2 along the
// unit vectors u and v (a2 = length^2 / 24 for a uniform offset over the length).
double secondOrder(const Vec3 &d, double r2, const Vec3 &u, double a2, const Vec3 &v, double b2)
{
    const double du = dot(d, u);
    const double dv = dot(d, v);
    return (a2 * (3 * du * du - r2) + b2 * (3 * dv * dv - r2)) / (r2 * r2);
}

// Double integral of 1 / r over two tapes far apart, from the Taylor expansion of 1 / r about
// the midpoints to second order along and across both (odd terms vanish over the symmetric
// intervals).
double midpointExpansion(const PieceFrame &a, const PieceFrame &b)
{
    const Vec3 d = a.mid - b.mid;
    const double r2 = dot(d, d);
    const double correction =
        secondOrder(d, r2, a.along, a.length * a.length / 24, b.along, b.length * b.length / 24) +
        secondOrder(d, r2, a.across, widthWeight(a), b.across, widthWeight(b));
    return a.length * b.length / std::sqrt(r2) * (1 + correction);
}

// Double integral of 1 / r over two tapes by Gauss points along both, with the
// second-order width terms at each pair of points.
template <int Count>
double gaussPoints(const PieceFrame &a, const PieceFrame &b, const Vec3 (&pa)[Count],
                   const Vec3 (&pb)[Count])
{
    const GaussRule &rule = gaussLegendre(Count);
    const double wa = widthWeight(a);
    const double wb = widthWeight(b);
    double sum = 0;
    for (int i = 0; i < Count; ++i) {
        double inner = 0;
        for (int j = 0; j < Count; ++j) {
            const Vec3 d = pa[i] - pb[j];
            const double r2 = dot(d, d);
            inner += rule.weights[j] * (1 + secondOrder(d, r2, a.across, wa, b.across, wb)) /
                     std::sqrt(r2);
        }
        sum += rule.weights[i] * inner;
    }
    return sum * a.length * b.length / 4;
}

// The centre-line term with the second-order width terms, by the cheapest rule for the
// distance: the midpoint expansion far off, Gauss points along both at moderate distances
// (a few 1e-5), the exact filament formula closer than the longer piece is long. `gap` is
// the distance between the two segments.
double centreLineTerm(const PieceFrame &a, const PieceFrame &b, double cosine, double gap)
{
    const double longer = std::max(a.length, b.length);
    if (gap >= farLengths * longer)
        return cosine * midpointExpansion(a, b);
    if (gap >= 3 * longer)
        return cosine * gaussPoints(a, b, a.two, b.two);
    if (gap >= longer)
        return cosine * gaussPoints(a, b, a.three, b.three);
    const double filaments = filamentMutual(a.start, a.end, b.start, b.end);
    const bool tapes = widthWeight(a) > 0 || widthWeight(b) > 0;
    if (!tapes)
        return filaments;
    if (horizontal(a) && horizontal(b)) {
        const double widths = widthTerm(a.start, a.end, a.width, b.start, b.end, b.width);
        if (std::isfinite(widths))
            return filaments + widths;
    }
    // Slanted pieces: two points across each width, exact to the third order.
    return angledTapes(a, b, 2, 2, false);
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

namespace {
bool closeTapes(const PieceFrame &a, const PieceFrame &b, double gap)
{
    return !a.vertical && !b.vertical && a.width > 0 && b.width > 0 &&
           gap < exactWidths * std::max(a.width, b.width);
}

bool closeBars(const PieceFrame &a, const PieceFrame &b, double gap)
{
    return a.vertical && b.vertical && a.width > 0 && a.width == b.width &&
           gap <= nearWidths * a.width;
}

// Vias side by side and tapes a few widths apart: closed forms of bars and tapes.
double barsOrTapes(const PieceFrame &a, const PieceFrame &b, bool bars)
{
    const double cosine = dot(a.along, b.along);
    if (std::fabs(cosine) < 1e-12)
        return 0;
    const double gap = segmentDistance(a, b);
    if (bars)
        return nearBars(a, b, cosine);
    const Vec3 n = cross(a.along, b.along);
    if (coplanar(a, b)) {
        return dot(n, n) >= coplanarSin2
                   ? coplanarTapeMutual(a.start, a.end, a.width, b.start, b.end, b.width)
                   : nearParallelTapes(a, b, cosine);
    }
    // Levels apart: rules that take the frame or the Gauss points of one piece and split the
    // other, so taken from the upper piece (both ways round on one level); each pair has one
    // value, mirror images too.
    const auto oneWay = [&](const PieceFrame &p, const PieceFrame &q) {
        if (dot(n, n) < parallelSin2)
            return nearParallelTapes(p, q, cosine);
        return gap < 0.5 * std::max(p.width, q.width) ? angledTapes(p, q, 4, 4, true)
                                                      : angledTapes(p, q, 3, 3, false);
    };
    if (a.mid.z != b.mid.z)
        return a.mid.z > b.mid.z ? oneWay(a, b) : oneWay(b, a);
    return 0.5 * (oneWay(a, b) + oneWay(b, a));
}
} // namespace

double pairTerm(const PieceFrame &a, const PieceFrame &b, PairCache *cache)
{
    if (!(a.length > 0) || !(b.length > 0))
        return 0;
    const double cosine = dot(a.along, b.along);
    if (std::fabs(cosine) < 1e-12)
        return 0;
    const double width = std::max(a.width, b.width);
    const double longer = std::max(a.length, b.length);
    // Far apart even allowing for the half lengths: no root needed to tell.
    const Vec3 apart = a.mid - b.mid;
    const double far =
        0.5 * (a.length + b.length) + std::max(nearWidths * width, farLengths * longer);
    if (dot(apart, apart) > far * far)
        return cosine * midpointExpansion(a, b);
    const double gap = segmentDistance(a, b);
    const bool bars = closeBars(a, b, gap);
    if (!bars && !closeTapes(a, b, gap))
        return centreLineTerm(a, b, cosine, gap);
    return cache ? cache->term(a, b, bars) : barsOrTapes(a, b, bars);
}

PairCache::PairCache(double grid) : m_grid(grid) {}

size_t PairCache::KeyHash::operator()(const Key &key) const
{
    std::uint64_t h = 0x9e3779b97f4a7c15ULL;
    for (const std::int64_t k : key) {
        h ^= static_cast<std::uint64_t>(k) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        h *= 0xbf58476d1ce4e5b9ULL;
    }
    return static_cast<size_t>(h ^ (h >> 31));
}

double PairCache::term(const PieceFrame &a, const PieceFrame &b, bool bars)
{
    const auto grid = [&](double v) {
        return static_cast<std::int64_t>(std::llround(v / m_grid));
    };
    const Vec3 b0 = b.start - a.start;
    const Vec3 b1 = b.end - a.start;
    Key key;
    if (a.vertical) {
        // Vias are square bars along the axes: seen from a without turning.
        key = {1,
               grid(a.end.z - a.start.z),
               grid(a.width),
               grid(b.width),
               grid(b0.x),
               grid(b0.y),
               grid(b0.z),
               grid(b1.x),
               grid(b1.y),
               grid(b1.z)};
    } else {
        // In a's frame, b on the left (a mirror image has the same term).
        const Vec3 up{0, 0, 1};
        double y0 = dot(b0, a.across);
        double y1 = dot(b1, a.across);
        if (y0 + y1 < 0) {
            y0 = -y0;
            y1 = -y1;
        }
        key = {0,
               grid(a.length),
               grid(a.width),
               grid(b.width),
               grid(dot(b0, a.along)),
               grid(y0),
               grid(dot(b0, up)),
               grid(dot(b1, a.along)),
               grid(y1),
               grid(dot(b1, up))};
    }
    const auto found = m_values.find(key);
    if (found != m_values.end())
        return found->second;
    const auto at = [&](int k) {
        return static_cast<double>(key[k]) * m_grid;
    };
    const PieceFrame shapeA =
        frameOf({{0, 0, 0}, key[0] == 1 ? Vec3{0, 0, at(1)} : Vec3{at(1), 0, 0}, at(2), 1});
    const PieceFrame shapeB = frameOf({{at(4), at(5), at(6)}, {at(7), at(8), at(9)}, at(3), 1});
    const double value = barsOrTapes(shapeA, shapeB, bars);
    m_values.emplace(key, value);
    return value;
}

double widthWeight(const PieceFrame &f)
{
    return f.vertical ? 0.0 : f.width * f.width / 24;
}

double selfTerm(const PieceFrame &f)
{
    if (!(f.length > 0) || !(f.width > 0))
        return 0;
    return f.vertical ? squareBarSelf(f.length, f.width) : tapeSelf(f.length, f.width);
}

} // namespace torvane
