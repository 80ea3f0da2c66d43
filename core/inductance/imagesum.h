#pragma once

#include "core/inductance/boximages.h"

#include <QString>

#include <atomic>
#include <stop_token>
#include <vector>

namespace torvane {

// What the images of the box add to the partial inductance of current paths: for each pair of
// pieces i and j (a piece with itself included) and each image of the box, c_i c_j M(piece i,
// image of piece j), in the geometric units of neumann.h. The image currents carry the signs
// of boximages.h; the images are summed shell by shell (boxImageShell) until a shell changes
// every sum by less than `tolerance` times the scale, twice in a row.
//
// Clusters of pieces and of image pieces far apart relative to their sizes interact through
// the multipole expansion of multipole.h (the same opening ratio and orders as the free-space
// sums); images far from the whole path add only their expansion about the path's centre,
// gathered per kind of image and level pair into sums of derivatives of 1 / r. Pieces near an
// image piece use pairTerm. Pieces must be horizontal or vertical (boxProblem).
struct BoxImageSums
{
    double first = 0; // over the pieces of `first` and their images
    double all = 0;   // over the pieces of both lists and their images
    int shells = 0;   // shells summed
    long long images = 0;
    bool converged = false;
    QString failure; // why there are no sums; empty when there are

    bool hasSums() const { return failure.isEmpty(); }
};

struct BoxImageSettings
{
    double tolerance = 1e-6;
    // Stricter than the free-space sums: the images of a shell cancel each other to a small
    // part of each one, so each must be right to a smaller part of itself. A pair of clusters
    // is expanded when the sum of their radii is below this share of their distance, to the
    // lowest order p whose bound (radii / distance)^(p + 1) is below orderBound (at most 8).
    double openingRatio = 0.6;
    double orderBound = 1e-4;
    // Pieces are cut into parts no longer than this share of the distance between the path
    // and its nearest image across the cover or ground.
    double longestPiece = 1;
    int leafSize = 4;
    // Bounds for boxes so flat or tall that the sums converge slowly; reaching one leaves
    // `converged` false.
    int maxShells = 400;
    long long maxImages = 2'000'000;
    // Threads for the images near the path; 0 for one per core.
    int threads = 0;
    // Once stop is requested, or the flag set, the sums end early, without sums (failure says
    // so).
    std::stop_token stop;
    const std::atomic<bool> *stopFlag = nullptr;

    bool stopRequested() const
    {
        return stop.stop_requested() || (stopFlag && stopFlag->load(std::memory_order_relaxed));
    }
};

// scale: the size against which a shell counts as small, such as the free-space inductance
// of the paths together (geometric part); the sums themselves count too.
BoxImageSums boxImageSums(const std::vector<CurrentPiece> &first,
                          const std::vector<CurrentPiece> &second, const ConductingBox &box,
                          double scale, const BoxImageSettings &settings = {});

} // namespace torvane
