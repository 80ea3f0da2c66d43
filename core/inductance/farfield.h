#pragma once

#include "core/inductance/neumann.h"

#include <cstddef>
#include <vector>

namespace torvane {

// Pieces as seen from far away, one array per quantity so that the loop over them runs on
// vector instructions.
struct FarFieldPoints
{
    std::vector<double> x, y, z;     // midpoints
    std::vector<double> ux, uy, uz;  // unit directions
    std::vector<double> nx, ny;      // unit vectors across (horizontal tapes)
    std::vector<double> widthWeight; // width^2 / 24 of tapes, 0 for others
    std::vector<double> length2;     // squared lengths
    std::vector<double> charge;      // current times length
    std::vector<double> length;
    std::vector<double> width;

    void append(Vec3 mid, Vec3 along, Vec3 across, double length, double width, double widthWeight,
                double current);
    size_t size() const { return x.size(); }
};

// The sum over points [from, to) of charge * (u . u_k) times the double integral of 1 / r
// per unit lengths, from the Taylor expansion of 1 / r about the midpoints to second order
// along and across the pieces (the odd terms vanish over the symmetric pieces; the error falls
// with (length / r)^4).
// Only points far enough from the piece (mid, along, length, width) count: further than half
// the two lengths plus the larger of nearWidths widths and farLengths lengths, both of the
// larger piece. near[k - from] marks the others.
double farFieldNearMarked(const FarFieldPoints &points, size_t from, size_t to, Vec3 mid,
                          Vec3 along, Vec3 across, double length, double width, double widthWeight,
                          double nearWidths, double farLengths, double *near);

} // namespace torvane
