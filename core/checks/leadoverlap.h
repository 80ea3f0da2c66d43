#pragma once

#include "core/checks/designfinding.h"
#include "core/spiral/drawnlayout.h"

#include <QString>

#include <optional>

namespace torvane {

// Leads that run on top of each other in plan view, one above the other on different levels:
// the feed and the bridge of a single-ended spiral that leave on the same side, or the two
// feeds of a differential one set closer than their width. Their ports then sit side by side
// and the two leads couple as a stripline. A warning when they share more than `cellSize` of
// their length; nothing otherwise.
std::optional<DesignFinding> leadOverlapFinding(const DrawnLayout &layout, double cellSize,
                                                const QString &lengthUnit);

} // namespace torvane
