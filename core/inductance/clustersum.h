#pragma once

#include "core/inductance/pairterms.h"

#include <stop_token>
#include <vector>

namespace torvane {

// Pair sums sum_{i<j} c_i c_j M_ij of a path, with the pieces grouped in a tree of clusters.
// Two clusters far apart relative to their sizes interact through a Taylor expansion of 1 / r
// about their centres, truncated after the terms of total order 8 in the offsets: the
// cluster moments of each current element, sum of c t (r - centre)^alpha over the tape, carry
// the lengths and widths of the pieces. The error of such a pair is bounded by
// (rho_a + rho_b) / R to the power order + 1 (relative to the pair's value), rho the radii of
// the clusters and R the distance of their centres; the opening ratio 0.7 keeps the spirals'
// sums within about 1e-5 of the pair-by-pair sums. Every other pair uses pairTerm.
struct PairSums
{
    double first = 0; // over the pairs within the first pieces
    double all = 0;   // over all pairs
};

struct ClusterSettings
{
    // A pair of clusters is expanded when the sum of their radii is below this share of the
    // distance of their centres.
    double openingRatio = 0.7;
    int leafSize = 4;
    // Threads for the pair sums; 0 for one per core.
    int threads = 0;
    // Once stop is requested the sums end early, with partial values for the caller to discard.
    std::stop_token stop;
};

// frames and currents of all pieces, the first firstCount pieces form the first set. Pieces
// of zero length or current add nothing. Independent of the number of threads used.
PairSums clusteredPairSums(const std::vector<PieceFrame> &frames,
                           const std::vector<double> &currents, size_t firstCount,
                           const ClusterSettings &settings = {});

} // namespace torvane
