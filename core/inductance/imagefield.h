#pragma once

#include "core/inductance/boximages.h"

#include <QString>

#include <atomic>
#include <vector>

namespace torvane {

// How the field of the box's images changes across a horizontal piece of a current path: the
// derivatives of the sum, over the images of every horizontal piece j, of c_j (t . t_j) times
// Neumann's double integral of 1 / r between the piece and the image, as the piece moves
// sideways (horizontally, across its direction) and up. Geometric units of neumann.h per
// length unit; the images' currents and signs are those of boximages.h.
struct ImageFieldGradient
{
    double across = 0;
    double up = 0;
};

struct ImageField
{
    std::vector<ImageFieldGradient> gradients; // one per piece; zero for vias
    QString failure;                           // why there are none; empty when there are

    bool hasValues() const { return failure.isEmpty(); }
};

// Over the images of the first `shells` shells of boxImageShell: as many as the sums of the
// inductance in the box took, whose terms fall off more slowly than the gradients. Clusters of
// pieces and of image pieces far apart relative to their sizes interact through the multipole
// expansion of multipole.h, gathered about each cluster of the path as a local expansion at two
// heights (for the gradient up); closer pieces through Gauss points along both (farFieldSum).
// The pieces must lie inside the box (boxProblem). Once the flag is set the sum ends early,
// without values.
ImageField imageFieldGradients(const std::vector<CurrentPiece> &pieces, const ConductingBox &box,
                               int shells, const std::atomic<bool> *stop = nullptr);

} // namespace torvane
