#pragma once

#include "core/inductance/neumann.h"

#include <stop_token>
#include <utility>
#include <vector>

namespace torvane {

// One straight piece of a current path. Horizontal pieces are zero-thickness tapes of the
// given width; vertical ones (vias) are bars with a square cross-section of that side.
struct CurrentPiece
{
    Vec3 start;
    Vec3 end;
    double width = 0;
    double current = 1; // share of the terminal current, flowing from start to end
    int level = 0;      // the metal level it lies on; a via's stretch: the level at its foot

    bool isVia() const { return start.z != end.z; }
};

// The partial inductance of the path, L = sum of L_self + 2 sum of M over all pairs, each
// weighted by both currents, signed by their directions (Greenhouse 1974, "Design of planar
// rectangular microelectronic inductors", IEEE Trans. PHP-10; Ruehli 1972, "Inductance
// calculations in a complex integrated circuit environment", IBM J. Res. Dev. 16); geometric
// part in length units (see neumann.h). Zero-length
// pieces add nothing. Clusters of pieces far apart interact through a multipole expansion
// (see clustersum.h).
double pathInductance(const std::vector<CurrentPiece> &pieces);
// The inductance of `first` alone and of `first` and `second` together, sharing the work. A
// requested stop ends the sums early; their values are then meaningless.
std::pair<double, double> pathInductances(const std::vector<CurrentPiece> &first,
                                          const std::vector<CurrentPiece> &second,
                                          std::stop_token stop = {});

// The same sums pair by pair, without clusters: the reference for the clustered sums, and
// much slower for large spirals.
double pairwiseInductance(const std::vector<CurrentPiece> &pieces);
std::pair<double, double> pairwiseInductances(const std::vector<CurrentPiece> &first,
                                              const std::vector<CurrentPiece> &second);

} // namespace torvane
