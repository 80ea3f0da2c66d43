#pragma once

#include "core/checks/designfinding.h"
#include "core/inductance/geometryinductance.h"

#include <QString>

#include <optional>

namespace torvane {

// The share of the inductance at the reference planes that the box may take before the design
// review says so.
inline constexpr double boxEffectLimit = 0.02;

// A warning when the box's conductors lower the inductance at the reference planes by more than
// boxEffectLimit: the drop, both values in `inductanceUnit` (a name such as "nH") and what
// helps. `covered`: the box has a cover, which a higher one would move away.
std::optional<DesignFinding> boxEffectFinding(const GeometryInductance &inductance,
                                              const QString &inductanceUnit, bool covered);

} // namespace torvane
