#pragma once

#include "core/sonnet/geometryrecords.h"
#include "core/sonnet/sontextwriter.h"

// The polygons of large projects, written in parts on several threads at once; the text is
// always that of writing them one after the other. `parts` 0 takes one part for each
// processor, as far as the text is large enough to be worth it.
void writePolygons(SonTextWriter &out, const QList<Polygon> &polygons, int parts = 0);
