#pragma once

#include "core/sonnet/geometryrecords.h"
#include "core/template/layoutsize.h"

#include <QList>
#include <QString>

#include <optional>
#include <variant>

namespace torvane {

enum class FindingSeverity
{
    Warning, // worth a look; never blocks anything
    Error    // the layout is wrong as it stands
};

// What a finding is about, in the order the checks run.
enum class FindingCode
{
    NoSpiralLevel,
    NoBridgeLevel,
    InnerRadius,
    FeedSpacing,
    OutsideBox,
    Overlap,
    NarrowWidth,
    NarrowGap,
    OffGrid,
    LargeLayout,
    LeadOverlap,
    BoxEffect, // from the design review: the box lowers the inductance noticeably
    NoLayout   // no picture: a template without metal levels or box, or a length of 0
};

// The stable short name scripts see, such as "outside-box".
QString findingCodeName(FindingCode code);

// The spiral's entered sizes a finding can name.
enum class SpiralDimension
{
    Turns,
    ConductorWidth,
    Spacing,
    InnerRadius,
    BridgeWidth,
    CentreTapWidth,
    FeedSpacing
};

// What each finding measured, one struct per kind; lengths are in `lengthUnit`, the name the
// template shows with them.
struct NoSpiralRole
{
    bool operator==(const NoSpiralRole &) const = default;
};

struct NoBridgeRole
{
    bool differential = false; // its halves then do not join, rather than an end not led out
    bool operator==(const NoBridgeRole &) const = default;
};

struct RadiusTooSmall
{
    double minimumRadius = 0;
    QString lengthUnit;
    bool operator==(const RadiusTooSmall &) const = default;
};

struct FeedSpacingExcess
{
    double feedSpacing = 0;
    double limit = 0; // width + width / sqrt 2 + spacing
    bool autoSpacing = false;
    QString lengthUnit;
    bool operator==(const FeedSpacingExcess &) const = default;
};

struct PointsOutsideBox
{
    qsizetype points = 0;
    qsizetype polygons = 0;
    double boxWidth = 0;
    double boxHeight = 0;
    double furthest = 0; // beyond the nearest edge
    QString lengthUnit;
    bool operator==(const PointsOutsideBox &) const = default;
};

// The layout is wider than the box, so a fixed reference plane would get a negative length.
struct SpiralWiderThanBox
{
    double planeLength = 0; // the shortest, below 0
    double boxWidth = 0;
    double boxHeight = 0;
    QString lengthUnit;
    bool operator==(const SpiralWiderThanBox &) const = default;
};

struct ConductorContact
{
    enum class Kind
    {
        SelfTouch,      // conductors that cross or touch themselves
        ClosedLoop,     // pairs that touch in two or more places
        CrossingTouched // crossings touching another conductor on their level
    };
    Kind kind = Kind::SelfTouch;
    int count = 1;  // conductors, pairs or contacts, as the kind counts them
    int places = 0; // ClosedLoop: where the first pair touches
    int level = 0;
    bool operator==(const ConductorContact &) const = default;
};

struct NarrowFeature
{
    SpiralDimension feature = SpiralDimension::ConductorWidth;
    double value = 0;
    double cellSize = 0;
    QString lengthUnit;
    bool operator==(const NarrowFeature &) const = default;
};

struct VerticesOffGrid
{
    qsizetype vertices = 0;
    double cellX = 0;
    double cellY = 0;
    double largestShift = 0;
    double narrowest = 0; // width or gap
    QString lengthUnit;
    bool operator==(const VerticesOffGrid &) const = default;
};

struct LeadsStacked
{
    bool twoFeeds = false; // else the feed and the bridge
    double length = 0;
    Point centre;
    QString lengthUnit;
    bool operator==(const LeadsStacked &) const = default;
};

struct BoxLowersInductance
{
    double drop = 0; // a share, 0.05 for 5 %
    double freeSpace = 0;
    double inBox = 0;
    QString inductanceUnit; // of both values
    bool covered = false;   // a higher cover would help too
    bool operator==(const BoxLowersInductance &) const = default;
};

struct NoPicture
{
    enum class Reason
    {
        NoMetalLevels,
        BoxWithoutSize,
        NotPositive, // `dimension` is `value`
        TooFewSides  // `sides`
    };
    Reason reason = Reason::NoMetalLevels;
    SpiralDimension dimension = SpiralDimension::Turns;
    double value = 0;
    int sides = 0;
    bool operator==(const NoPicture &) const = default;
};

using FindingValues =
    std::variant<NoPicture, NoSpiralRole, NoBridgeRole, RadiusTooSmall, FeedSpacingExcess,
                 SpiralWiderThanBox, PointsOutsideBox, ConductorContact, NarrowFeature,
                 VerticesOffGrid, LayoutSize, LeadsStacked, BoxLowersInductance>;

// One result of the design checks; core/wording/findingtext.h puts it into words.
struct DesignFinding
{
    FindingSeverity severity = FindingSeverity::Warning;
    FindingCode code = FindingCode::NoLayout;
    FindingValues values;
    QList<int> polygons;           // indices into the laid-out document's polygons, to outline
    std::optional<Point> location; // a point to mark, in the project's coordinates
    std::optional<int> level;      // the metal level it concerns, where there is one

    bool isError() const { return severity == FindingSeverity::Error; }
    bool operator==(const DesignFinding &) const = default;
};

// The create command asks about these in its own words rather than as a layout error.
inline bool hasOwnCreatePrompt(FindingCode code)
{
    return code == FindingCode::NoSpiralLevel || code == FindingCode::InnerRadius ||
           code == FindingCode::FeedSpacing;
}

inline bool hasErrors(const QList<DesignFinding> &findings)
{
    for (const DesignFinding &finding : findings) {
        if (finding.isError())
            return true;
    }
    return false;
}

// The first error that the create command does not already ask about in its own words.
inline const DesignFinding *firstPlainError(const QList<DesignFinding> &findings)
{
    for (const DesignFinding &finding : findings) {
        if (finding.isError() && !hasOwnCreatePrompt(finding.code))
            return &finding;
    }
    return nullptr;
}

} // namespace torvane
