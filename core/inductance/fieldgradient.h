#pragma once

#include "core/inductance/neumann.h"

namespace torvane {

// The shortest distance between two segments p0-p1 and q0-q1.
double segmentDistance(const Vec3 &p0, const Vec3 &p1, const Vec3 &q0, const Vec3 &q1);

// The gradient of Neumann's term of two straight filaments a0-a1 and b0-b1 (lengths la and lb)
// as the first moves, up to the sign: the sum of (p - q) / |p - q|^3 over Gauss points along
// both, with panels no longer than about twice their distance (the midpoints alone for pieces
// more than eight lengths apart). The cosine between them is left to the caller.
Vec3 farFieldSum(const Vec3 &a0, const Vec3 &a1, double la, const Vec3 &b0, const Vec3 &b1,
                 double lb);

} // namespace torvane
