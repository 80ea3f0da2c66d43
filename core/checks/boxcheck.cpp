#include "core/checks/boxcheck.h"
#include "core/wording/inductancetext.h"

#include "core/checks/designchecks.h"
#include "core/template/units.h"

#include <QLocale>

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
    const auto value = [&](double henries) {
        return geometryValueText(henries * scale) + QLatin1Char(' ') + inductanceUnit;
    };
    DesignFinding finding;
    finding.code = FindingCode::BoxEffect;
    finding.message =
        QStringLiteral("The box lowers the inductance at the reference planes by %1 %, from %2 "
                       "in free space to %3: %4 keeps more of it.")
            .arg(QLocale::c().toString(100 * drop, 'f', 1), value(free), value(inBox),
                 covered ? QStringLiteral("a higher cover or a larger box")
                         : QStringLiteral("a larger box"));
    return finding;
}
