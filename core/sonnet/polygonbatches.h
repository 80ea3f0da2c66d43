#pragma once

#include "core/sonnet/geometryrecords.h"
#include "core/sonnet/sontextreader.h"
#include "core/sonnet/sontextwriter.h"

#include <cstdint>

namespace torvane {

// The polygons of large projects, written in parts on several threads at once; the text is
// always that of writing them one after the other. `parts` 0 takes one part for each
// processor, as far as the text is large enough to be worth it.
void writePolygons(SonTextWriter &out, const QList<Polygon> &polygons, int parts = 0);

// Reads up to `count` polygons of a large section on all processors at once: the text is cut
// after bare "END" lines into parts of about `partBytes`, the polygons of each part are counted
// by their "END" lines and read into their places. A part is kept only when reading the one
// before it stopped exactly at its start, so the polygons and the reader's position are always
// those of reading one after the other. Returns how many were read (0 when the text is shorter
// than four parts, or could not hold `count` polygons); the caller reads the rest. The list
// gets room for `count` more; it must not have been grown at its front.
std::int64_t readPolygonsInParts(SonTextReader &in, std::int64_t count, QList<Polygon> &polygons,
                                 qsizetype partBytes = qsizetype(2) << 20);

} // namespace torvane
