#pragma once

#include "core/sonnet/geometryrecords.h"

#include <QList>
#include <QString>

#include <optional>

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

// One result of the design checks.
struct DesignFinding
{
    FindingSeverity severity = FindingSeverity::Warning;
    FindingCode code = FindingCode::NoLayout;
    QString message;               // one sentence in plain words, numbers with their unit
    QList<int> polygons;           // indices into the laid-out document's polygons, to outline
    std::optional<Point> location; // a point to mark, in the project's coordinates
    std::optional<int> level;      // the metal level it concerns, where there is one
    // The create command's own question or refusal for it, where it has one, word for word.
    QString createPrompt;

    bool isError() const { return severity == FindingSeverity::Error; }
    bool operator==(const DesignFinding &) const = default;
};

inline bool hasErrors(const QList<DesignFinding> &findings)
{
    for (const DesignFinding &finding : findings) {
        if (finding.isError())
            return true;
    }
    return false;
}

// "error: ..." or "warning: ...", as the command line prints a finding.
inline QString findingLine(const DesignFinding &finding)
{
    return (finding.isError() ? QStringLiteral("error: ") : QStringLiteral("warning: ")) +
           finding.message;
}

// The first error that the create command does not already ask about in its own words.
inline const DesignFinding *firstPlainError(const QList<DesignFinding> &findings)
{
    for (const DesignFinding &finding : findings) {
        if (finding.isError() && finding.createPrompt.isEmpty())
            return &finding;
    }
    return nullptr;
}

// What "Create Spiral ..." asks when the layout has such an error; empty when there is none.
inline QString layoutErrorsQuestion(const QList<DesignFinding> &findings)
{
    const DesignFinding *error = firstPlainError(findings);
    return error ? QStringLiteral("The layout has errors:\n") + error->message +
                       QStringLiteral("\nCreate anyway?")
                 : QString();
}
