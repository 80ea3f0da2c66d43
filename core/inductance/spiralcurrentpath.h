#pragma once

#include "core/inductance/currentpath.h"
#include "core/spiral/drawnlayout.h"

#include <QList>
#include <QString>

#include <vector>

namespace torvane {

// The two current paths of a drawn spiral, as straight pieces along the centre lines:
// - winding: single-ended from the centre pad to the winding's outer end; differential
//   between the two outer half-turn ends, crossings, underpasses and vias included;
// - outside: what the path between the reference planes adds to the winding: the feed and
//   the bridge (or both feeds), each cut where it crosses a reference plane of the layout;
//   single-ended, it also runs back over the winding beyond the feed's joint, cancelling it;
// - planes: the path between the reference planes with each stretch of conductor once, as
//   the current flows through it: what carries the loss.
// Copies of a conductor on several levels of the same role share the current equally. The
// centre tap is an open branch and carries none.
struct SpiralCurrentPaths
{
    std::vector<CurrentPiece> winding;
    std::vector<CurrentPiece> outside;
    std::vector<CurrentPiece> planes;
    QString failure; // why no path could be traced; empty on success
};

// levelHeights: the height of each metal level (upwards), by level index; boxWidth and
// boxHeight place the reference planes.
SpiralCurrentPaths spiralCurrentPaths(const DrawnLayout &layout, const QList<double> &levelHeights,
                                      double boxWidth, double boxHeight);

} // namespace torvane
