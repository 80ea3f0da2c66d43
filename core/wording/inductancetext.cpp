#include "core/wording/inductancetext.h"

#include "core/sonnet/numberformat.h"
#include "core/template/analysisfrequencies.h"

namespace torvane {

namespace {
const QString dash = QStringLiteral("\u2013");

QString pairText(double winding, double referencePlanes, double scale, const QString &unit)
{
    return QStringLiteral("%1 %3 (%2 %3 at ref. planes)")
        .arg(geometryValueText(winding * scale), geometryValueText(referencePlanes * scale), unit);
}
} // namespace

QString geometryValueText(double value)
{
    return formatPlain(value, 4);
}

QString geometryInductanceText(const GeometryInductance &result, double inductanceScale,
                               const QString &unitText)
{
    if (!result.hasValues())
        return dash;
    return pairText(*result.winding, *result.referencePlanes, inductanceScale, unitText);
}

QString geometryInductanceToolTip(const GeometryInductance &result)
{
    if (!result.hasValues())
        return QStringLiteral("No value: ") + result.reason;
    return QStringLiteral(
        "Inductance of the layout that Create Spiral writes, computed from its conductors: "
        "first the winding alone, then in brackets the whole path with the feed and the "
        "bridge (or both feeds) up to the reference planes.\nLow-frequency partial inductance "
        "of the open path in free space, thin metal: the line below adds the box.");
}

QString inBoxInductanceText(const GeometryInductance &result, double inductanceScale,
                            const QString &unitText)
{
    if (!result.hasInBoxValues())
        return dash;
    return pairText(*result.inBoxWinding, *result.inBoxReferencePlanes, inductanceScale, unitText);
}

QString inBoxInductanceToolTip(const GeometryInductance &result)
{
    if (!result.hasInBoxValues())
        return QStringLiteral("No value in the box: ") +
               (result.hasValues() ? result.inBoxReason : result.reason);
    return QStringLiteral(
        "The same two values inside the template's box, as the simulator solves them: the "
        "images of its perfect conductors (the ground plane, the cover unless the top metal "
        "is free space, and the four side walls) pull the inductance down.");
}

QString qualityFactorText(const FrequencyResponse &response, const QString &frequencyUnit)
{
    const std::optional<FrequencyPoint> peak = response.peakQ();
    const double scale = hertzPerFrequencyUnit(frequencyUnit);
    if (!peak || !(scale > 0))
        return dash;
    const auto frequencyText = [&](const FrequencyPoint &point) {
        return formatPlain(point.frequency / scale, 4) + QLatin1Char(' ') +
               frequencyUnitText(frequencyUnit);
    };
    // "Q 35.3 at 10 GHz (33.8 in the box), R_dc 1.302 Ω"; the in-box peak's frequency only
    // when it differs
    QString inBoxText;
    if (const std::optional<FrequencyPoint> inBox = response.inBoxPeakQ()) {
        const QString where = inBox->frequency == peak->frequency
                                  ? QString()
                                  : QStringLiteral(" at ") + frequencyText(*inBox);
        inBoxText = QStringLiteral(" (%1%2 in the box)").arg(formatPlain(inBox->q, 3), where);
    }
    return QStringLiteral("Q %1 at %2%3, R_dc %4 \u03a9")
        .arg(formatPlain(peak->q, 3), frequencyText(*peak), inBoxText,
             formatPlain(response.resistanceDC, 4));
}

QString qualityFactorToolTip(const FrequencyResponse &response)
{
    if (!response.hasValues())
        return QStringLiteral("No value: ") + response.reason;
    return QStringLiteral("The highest quality factor Q = 2 pi f L / R over the analysis "
                          "frequencies, and the DC "
                          "resistance, of the path between the reference planes in free space, "
                          "from a filament "
                          "model of the metal's real cross-section (skin and proximity effects).\n"
                          "In the box: the same with the images of the box's cover, ground plane "
                          "and side walls "
                          "(perfect conductors: they lower L, not R).\nThere are no capacitances: "
                          "Q holds well "
                          "below the self-resonance.") +
           (response.inBoxReason.isEmpty()
                ? QString()
                : QStringLiteral("\nNo in-box value: ") + response.inBoxReason);
}

} // namespace torvane
