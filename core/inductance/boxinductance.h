#pragma once

#include "core/inductance/boximages.h"

#include <QString>

#include <atomic>
#include <optional>
#include <stop_token>
#include <vector>

namespace torvane {

// Both inductances of a spiral's current paths, in henries.
struct PathInductances
{
    double winding = 0;         // the winding alone
    double referencePlanes = 0; // the winding and what the path between the planes adds
};

struct InBoxInductances
{
    std::optional<PathInductances> values;
    QString reason; // why there are none; empty when there are
    int shells = 0; // shells of images summed
};

// The inductances of the paths in the box: the free-space values plus the mutual inductance of
// each path with all of its images in the box's conductors, summed until a shell of images
// changes them by less than 1e-5 of their value (boxImageSums). Lengths of the pieces and the
// box in one unit of metresPerUnit metres; the pieces as spiralCurrentPaths gives them.
// A requested stop (or the flag set) ends the sums early, without values.
InBoxInductances inBoxInductances(const std::vector<CurrentPiece> &winding,
                                  const std::vector<CurrentPiece> &outside,
                                  const ConductingBox &box, const PathInductances &freeSpace,
                                  double metresPerUnit, std::stop_token stop = {},
                                  const std::atomic<bool> *stopFlag = nullptr);

} // namespace torvane
