#pragma once

#include <cstdint>
#include <vector>

namespace torvane {

// A polygon outline on the database grid, without the closing repeat of its first point.
struct GridPoint
{
    std::int32_t x = 0;
    std::int32_t y = 0;

    bool operator==(const GridPoint &) const = default;
};
using GridRing = std::vector<GridPoint>;

// Drops each point equal to the one before it, the first point repeated at the end included.
void removeRepeatedPoints(GridRing &ring);

// Twice the signed area (positive counter-clockwise), exact.
__int128 doubledArea(const GridRing &ring);

// Cuts the ring along straight grid lines into pieces of at most maxPoints points that cover
// it exactly. A cut through a concave outline gives pieces whose parts touch along the cut.
// False when it cannot (such as thousands of points on one grid line).
bool splitRing(const GridRing &ring, std::size_t maxPoints, std::vector<GridRing> &pieces);

} // namespace torvane
