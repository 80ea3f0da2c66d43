#pragma once

#include "core/sonnet/geometryrecords.h"
#include "core/sonnet/sontextreader.h"
#include "core/sonnet/sontextwriter.h"

#include <cstdint>

// The polygons of large projects, written in parts on several threads at once; the text is
// always that of writing them one after the other. `parts` 0 takes one part for each
// processor, as far as the text is large enough to be worth it.
void writePolygons(SonTextWriter &out, const QList<Polygon> &polygons, int parts = 0);

// Reads up to `count` polygons of a large section in two halves at once: the second half from
// the line after a bare "END" line near the middle of the text left, used only when the first
// half ends exactly there, so the polygons and the reader's position are always those of reading
// one after the other. Returns how many were read (0 when the text is shorter than
// `splitBytes`); the caller reads the rest.
std::int64_t readPolygonsInTwo(SonTextReader &in, std::int64_t count, QList<Polygon> &polygons,
                               qsizetype splitBytes = qsizetype(8) << 20);
