#pragma once

#include "core/design/result.h"
#include "core/sonnet/projectdocument.h"

#include <QString>

namespace torvane {

// Expresses every length the document holds in `unit` instead of its DIM LNG unit and makes
// `unit` its length unit, so that the box, the stack and everything kept keep their physical
// size: the box, dielectric thicknesses, metal thicknesses (NOR and TMM thickness, VOL wall;
// the other models have none), fixed reference planes, polygon points, port positions, LORGN,
// the positions and values of GEOVAR and dimension blocks, and VALVAR variables of type LNG
// with their VCNSTR limits and their VARSWP and OPT values. Numbers change only when the two
// units differ, and changed ones take the writer's six-digit form. A document that names no
// length unit only takes the new name: its numbers are read in whatever unit it is given.
// Fails, changing nothing, when either unit is not a length unit this program knows.
torvane::Status convertLengthUnit(ProjectDocument &document, const QString &unit);

} // namespace torvane
