#include "core/wording/findingtext.h"

#include "core/sonnet/numberformat.h"
#include "core/template/createspiral.h"
#include "core/wording/inductancetext.h"

#include <QLocale>

#include <cmath>

namespace torvane {

namespace {
QString length(double value, const QString &unit)
{
    return formatReal(value) + QLatin1Char(' ') + unit;
}

// Measured distances, short: 0.707 um.
QString shortLength(double value, const QString &unit)
{
    return formatPlain(value, 3) + QLatin1Char(' ') + unit;
}

QString dimensionName(SpiralDimension dimension)
{
    switch (dimension) {
    case SpiralDimension::Turns:
        return QStringLiteral("number of turns");
    case SpiralDimension::ConductorWidth:
        return QStringLiteral("conductor width");
    case SpiralDimension::Spacing:
        return QStringLiteral("spacing");
    case SpiralDimension::InnerRadius:
        return QStringLiteral("inner radius");
    case SpiralDimension::BridgeWidth:
        return QStringLiteral("bridge width");
    case SpiralDimension::CentreTapWidth:
        return QStringLiteral("centre tap width");
    case SpiralDimension::FeedSpacing:
        break;
    }
    return QStringLiteral("feed spacing");
}

// What the simulator's cell grid does to a feature narrower than a cell.
QString narrowEffect(SpiralDimension feature)
{
    switch (feature) {
    case SpiralDimension::Spacing:
        return QStringLiteral("the simulator may join adjacent turns");
    case SpiralDimension::FeedSpacing:
        return QStringLiteral("the simulator may join the two feeds");
    default:
        return QStringLiteral("the simulator may drop or widen it");
    }
}

struct Sentence
{
    QString operator()(const NoPicture &v) const
    {
        switch (v.reason) {
        case NoPicture::Reason::NoMetalLevels:
            return QStringLiteral("The template has no metal levels to draw the spiral on.");
        case NoPicture::Reason::BoxWithoutSize:
            return QStringLiteral("The template's box has no size.");
        case NoPicture::Reason::NotPositive:
            return QStringLiteral("The %1 must be above 0, not %2.")
                .arg(dimensionName(v.dimension), formatReal(v.value));
        case NoPicture::Reason::TooFewSides:
            break;
        }
        return QStringLiteral("A polygon needs at least 3 sides, not %1.").arg(v.sides);
    }

    QString operator()(const NoSpiralRole &) const
    {
        return QStringLiteral("No metal level has the role \"spiral\", so no winding is drawn.");
    }

    QString operator()(const NoBridgeRole &v) const
    {
        return v.differential
                   ? QStringLiteral("No metal level has the role \"bridge\", so the crossings "
                                    "under the winding are missing and its halves do not join.")
                   : QStringLiteral("No metal level has the role \"bridge\", so the inner end "
                                    "of the winding is not led out.");
    }

    QString operator()(const RadiusTooSmall &v) const
    {
        return innerRadiusMessage(v.minimumRadius, v.lengthUnit)
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
    }

    QString operator()(const FeedSpacingExcess &v) const
    {
        return QStringLiteral("Feed spacing %1 is above %2 (width + width / sqrt 2 + spacing)")
                   .arg(length(v.feedSpacing, v.lengthUnit), length(v.limit, v.lengthUnit)) +
               (v.autoSpacing ? QStringLiteral("; Auto is ticked, so the layout uses the spacing.")
                              : QStringLiteral(", so the feeds may not reach the winding."));
    }

    QString operator()(const PointsOutsideBox &v) const
    {
        return QStringLiteral("%1 %2 of %3 %4 outside the %5 x %6 box, up to %7 beyond its edge.")
            .arg(v.points)
            .arg(v.points == 1 ? QStringLiteral("point") : QStringLiteral("points"))
            .arg(v.polygons)
            // The points lie outside, however many polygons they belong to.
            .arg((v.polygons == 1 ? QStringLiteral("polygon") : QStringLiteral("polygons")) +
                 (v.points == 1 ? QStringLiteral(" lies") : QStringLiteral(" lie")))
            .arg(formatReal(v.boxWidth), length(v.boxHeight, v.lengthUnit),
                 shortLength(v.furthest, v.lengthUnit));
    }

    QString operator()(const SpiralWiderThanBox &v) const
    {
        return QStringLiteral("The spiral is wider than the %1 x %2 box: its reference planes "
                              "would have a negative length, %3.")
            .arg(formatReal(v.boxWidth), length(v.boxHeight, v.lengthUnit),
                 shortLength(v.planeLength, v.lengthUnit));
    }

    QString operator()(const ConductorContact &v) const
    {
        const bool one = v.count == 1;
        switch (v.kind) {
        case ConductorContact::Kind::SelfTouch:
            return one ? QStringLiteral("A conductor on level %1 crosses or touches itself, "
                                        "shorting its turns.")
                             .arg(v.level)
                       : QStringLiteral("%1 conductors on level %2 cross or touch themselves, "
                                        "shorting their turns.")
                             .arg(v.count)
                             .arg(v.level);
        case ConductorContact::Kind::ClosedLoop:
            return one ? QStringLiteral("Two conductors on level %1 touch in %2 separate places, "
                                        "closing a loop that shorts part of the spiral.")
                             .arg(v.level)
                             .arg(v.places)
                       : QStringLiteral("%1 pairs of conductors on level %2 touch in more than "
                                        "one place, closing loops that short parts of the "
                                        "spiral.")
                             .arg(v.count)
                             .arg(v.level);
        case ConductorContact::Kind::CrossingTouched:
            break;
        }
        return one ? QStringLiteral("A crossing on level %1 touches another conductor on its "
                                    "level, shorting the turns it passes under.")
                         .arg(v.level)
                   : QStringLiteral("%1 contacts between crossings and other conductors on level "
                                    "%2 short the turns the crossings pass under.")
                         .arg(v.count)
                         .arg(v.level);
    }

    QString operator()(const NarrowFeature &v) const
    {
        return QStringLiteral("The %1, %2, is narrower than one cell (%3): %4.")
            .arg(dimensionName(v.feature), length(v.value, v.lengthUnit),
                 shortLength(v.cellSize, v.lengthUnit), narrowEffect(v.feature));
    }

    QString operator()(const VerticesOffGrid &v) const
    {
        return QStringLiteral("%1 %2 off the %3 x %4 cell grid; the simulator moves them by up to "
                              "%5, %6% of the narrowest width or gap (%7).")
            .arg(v.vertices)
            .arg(v.vertices == 1 ? QStringLiteral("vertex lies") : QStringLiteral("vertices lie"))
            .arg(formatPlain(v.cellX, 3), shortLength(v.cellY, v.lengthUnit),
                 shortLength(v.largestShift, v.lengthUnit))
            .arg(std::lround(100 * v.largestShift / v.narrowest))
            .arg(length(v.narrowest, v.lengthUnit));
    }

    QString operator()(const LayoutSize &v) const { return largeLayoutWarning(v); }

    QString operator()(const LeadsStacked &v) const
    {
        return QStringLiteral("%1 run on top of each other for %2 %3, around (%4, %5) %3: their "
                              "ports sit side by side and the leads couple. Let them leave on "
                              "different sides (another number of turns) or further apart.")
            .arg(v.twoFeeds ? QStringLiteral("The two feeds")
                            : QStringLiteral("The feed and the bridge"),
                 formatPlain(v.length, 4), v.lengthUnit, formatPlain(v.centre.x, 4),
                 formatPlain(v.centre.y, 4));
    }

    QString operator()(const BoxLowersInductance &v) const
    {
        const auto value = [&](double inUnit) {
            return geometryValueText(inUnit) + QLatin1Char(' ') + v.inductanceUnit;
        };
        return QStringLiteral("The box lowers the inductance at the reference planes by %1 %, "
                              "from %2 in free space to %3: %4 keeps more of it.")
            .arg(QLocale::c().toString(100 * v.drop, 'f', 1), value(v.freeSpace), value(v.inBox),
                 v.covered ? QStringLiteral("a higher cover or a larger box")
                           : QStringLiteral("a larger box"));
    }
};
} // namespace

QString findingMessage(const DesignFinding &finding)
{
    return std::visit(Sentence{}, finding.values);
}

QString findingCreatePrompt(const DesignFinding &finding)
{
    switch (finding.code) {
    case FindingCode::NoSpiralLevel:
        return QStringLiteral("No layer for spiral selected!\nContinue anyway?");
    case FindingCode::FeedSpacing:
        return QStringLiteral("Feed spacing to large!\nContinue anyway?");
    case FindingCode::InnerRadius:
        if (const auto *radius = std::get_if<RadiusTooSmall>(&finding.values))
            return innerRadiusMessage(radius->minimumRadius, radius->lengthUnit);
        break;
    default:
        break;
    }
    return {};
}

QString findingLine(const DesignFinding &finding)
{
    return (finding.isError() ? QStringLiteral("error: ") : QStringLiteral("warning: ")) +
           findingMessage(finding);
}

QString layoutErrorsQuestion(const QList<DesignFinding> &findings)
{
    const DesignFinding *error = firstPlainError(findings);
    return error ? QStringLiteral("The layout has errors:\n") + findingMessage(*error) +
                       QStringLiteral("\nCreate anyway?")
                 : QString();
}

QString pictureFailureText(const DesignReview &review)
{
    const DesignFinding *failure = review.pictureFailure();
    return failure ? findingMessage(*failure) : QString();
}

} // namespace torvane
