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

// One result of the design checks.
struct DesignFinding
{
    FindingSeverity severity = FindingSeverity::Warning;
    QString code;                  // stable short name, such as "outside-box"
    QString message;               // one sentence in plain words, numbers with their unit
    QList<int> polygons;           // indices into the laid-out document's polygons, to outline
    std::optional<Point> location; // a point to mark, in the project's coordinates
    std::optional<int> level;      // the metal level it concerns, where there is one

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

// What "Create Spiral ..." asks when the layout has errors, naming the first one; empty when
// there is none.
inline QString layoutErrorsQuestion(const QList<DesignFinding> &findings)
{
    for (const DesignFinding &finding : findings) {
        if (finding.isError())
            return QStringLiteral("The layout has errors:\n") + finding.message +
                   QStringLiteral("\nCreate anyway?");
    }
    return {};
}
