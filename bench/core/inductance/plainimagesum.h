#pragma once

#include "core/inductance/boximages.h"

#include <vector>

// The box images summed the plain way, as a check on the clustered sums: every image of every
// piece against every piece, by Gauss-Legendre points (in the nearest periods four along each
// piece and three across a tape's width, in the next two along, further out the midpoints),
// images in cubes of whole periods, written out afresh here, until two in a row change the
// sum by less than `tolerance` times `scale`.
struct PlainImageSums
{
    double first = 0;
    double all = 0;
    long long images = 0;
};

PlainImageSums plainImageSums(const std::vector<torvane::CurrentPiece> &first,
                              const std::vector<torvane::CurrentPiece> &second,
                              const torvane::ConductingBox &box, double scale, double tolerance);
