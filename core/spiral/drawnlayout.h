#pragma once

#include "core/sonnet/geometryrecords.h"

#include <QList>

namespace torvane {

// What a spiral's layout draws, as centre lines with widths on metal levels: the input of
// models of the drawn spiral, such as its inductance. Coordinates as in the project.
struct DrawnConductor
{
    enum class Kind
    {
        Winding,   // turns, half-turns, inner join, spiral-level crossing branches
        FeedJoin,  // differential: from an outer half-turn towards its feed
        Feed,      // from the winding to the box wall
        Bridge,    // single-ended: from the centre pad to the box wall
        Underpass, // differential: the bridge-level branch of a crossing
        CenterTap
    };
    Kind kind = Kind::Winding;
    int level = 0;
    double width = 0;
    QList<Point> points;
};

// A via that joins two levels, centred on a point of the centre lines it joins.
struct DrawnVia
{
    Point at;
    int level = 0;
    int toLevel = 0;
};

struct DrawnLayout
{
    bool differential = false;
    QList<DrawnConductor> conductors;
    QList<DrawnVia> vias; // those that carry the spiral's current
    QList<ReferencePlane> referencePlanes;
};

} // namespace torvane
