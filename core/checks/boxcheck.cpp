#include "core/checks/boxcheck.h"

#include "core/checks/designchecks.h"
#include "core/template/units.h"

namespace torvane {

std::optional<DesignFinding> boxEffectFinding(const GeometryInductance &inductance,
                                              const QString &inductanceUnit, bool covered)
{
    if (!inductance.hasValues() || !inductance.hasInBoxValues())
        return std::nullopt;
    const double free = *inductance.referencePlanes;
    const double inBox = *inductance.inBoxReferencePlanes;
    const double drop = 1 - inBox / free;
    if (!(drop > boxEffectLimit))
        return std::nullopt;
    const double scale = 1 / HenriesPerInductanceUnit(inductanceUnit);
    DesignFinding finding;
    finding.code = FindingCode::BoxEffect;
    finding.values =
        BoxLowersInductance{drop, free * scale, inBox * scale, inductanceUnit, covered};
    return finding;
}

} // namespace torvane
