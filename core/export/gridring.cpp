#include "core/export/gridring.h"

#include <algorithm>
#include <cmath>

namespace torvane {

namespace {
enum class Axis
{
    X,
    Y
};

std::int32_t along(const GridPoint &p, Axis axis)
{
    return axis == Axis::X ? p.x : p.y;
}

std::int32_t across(const GridPoint &p, Axis axis)
{
    return axis == Axis::X ? p.y : p.x;
}

GridPoint pointAt(Axis axis, std::int32_t alongValue, std::int32_t acrossValue)
{
    return axis == Axis::X ? GridPoint{alongValue, acrossValue}
                           : GridPoint{acrossValue, alongValue};
}

// Where the edge meets the cut. The ends are ordered first, so the two sides of a cut compute
// the very same point and their pieces meet without a gap.
GridPoint crossing(GridPoint p, GridPoint q, Axis axis, std::int32_t cut)
{
    if (along(q, axis) < along(p, axis))
        std::swap(p, q);
    const double t = (static_cast<double>(cut) - along(p, axis)) /
                     (static_cast<double>(along(q, axis)) - along(p, axis));
    const double value =
        across(p, axis) + t * (static_cast<double>(across(q, axis)) - across(p, axis));
    return pointAt(axis, cut, static_cast<std::int32_t>(std::llround(value)));
}

// The part of the ring on one side of the line along == cut, the line included.
GridRing clip(const GridRing &ring, Axis axis, std::int32_t cut, bool below)
{
    const auto inside = [&](const GridPoint &p) {
        return below ? along(p, axis) <= cut : along(p, axis) >= cut;
    };
    GridRing piece;
    const std::size_t n = ring.size();
    for (std::size_t i = 0; i < n; ++i) {
        const GridPoint &p = ring[i];
        const GridPoint &q = ring[(i + 1) % n];
        const bool pInside = inside(p);
        if (pInside)
            piece.push_back(p);
        if (pInside != inside(q) && along(p, axis) != cut && along(q, axis) != cut)
            piece.push_back(crossing(p, q, axis, cut));
    }
    removeRepeatedPoints(piece);
    return piece;
}

struct Range
{
    std::int32_t low = 0;
    std::int32_t high = 0;
};

Range rangeAlong(const GridRing &ring, Axis axis)
{
    const auto [low, high] = std::minmax_element(
        ring.cbegin(), ring.cend(),
        [axis](const GridPoint &a, const GridPoint &b) { return along(a, axis) < along(b, axis); });
    return {along(*low, axis), along(*high, axis)};
}

// The median coordinate halves the points; a median on the edge of the range would leave one
// side empty, so the middle of the range is taken then.
std::int32_t cutPosition(const GridRing &ring, Axis axis, Range range)
{
    std::vector<std::int32_t> values;
    values.reserve(ring.size());
    for (const GridPoint &p : ring)
        values.push_back(along(p, axis));
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (*middle > range.low && *middle < range.high)
        return *middle;
    return static_cast<std::int32_t>(range.low +
                                     (static_cast<std::int64_t>(range.high) - range.low) / 2);
}

bool split(const GridRing &ring, std::size_t maxPoints, int depth, std::vector<GridRing> &pieces)
{
    if (ring.size() < 3 || doubledArea(ring) == 0)
        return true;
    if (ring.size() <= maxPoints) {
        pieces.push_back(ring);
        return true;
    }
    if (depth > 60)
        return false;
    const Range xRange = rangeAlong(ring, Axis::X);
    const Range yRange = rangeAlong(ring, Axis::Y);
    const std::int64_t width = static_cast<std::int64_t>(xRange.high) - xRange.low;
    const std::int64_t height = static_cast<std::int64_t>(yRange.high) - yRange.low;
    if (std::max(width, height) < 2)
        return false;
    const Axis axis = width >= height ? Axis::X : Axis::Y;
    const Range range = axis == Axis::X ? xRange : yRange;
    const std::int32_t cut = cutPosition(ring, axis, range);
    return split(clip(ring, axis, cut, true), maxPoints, depth + 1, pieces) &&
           split(clip(ring, axis, cut, false), maxPoints, depth + 1, pieces);
}
} // namespace

void removeRepeatedPoints(GridRing &ring)
{
    ring.erase(std::unique(ring.begin(), ring.end()), ring.end());
    while (ring.size() > 1 && ring.front() == ring.back())
        ring.pop_back();
}

__int128 doubledArea(const GridRing &ring)
{
    __int128 sum = 0;
    const std::size_t n = ring.size();
    for (std::size_t i = 0; i < n; ++i) {
        const GridPoint &p = ring[i];
        const GridPoint &q = ring[(i + 1) % n];
        sum += static_cast<__int128>(p.x) * q.y - static_cast<__int128>(q.x) * p.y;
    }
    return sum;
}

bool splitRing(const GridRing &ring, std::size_t maxPoints, std::vector<GridRing> &pieces)
{
    return split(ring, maxPoints, 0, pieces);
}

} // namespace torvane
