#pragma once

#include "core/checks/designfinding.h"
#include "core/sonnet/projectdocument.h"
#include "core/template/createspiral.h"

#include <QList>
#include <QString>
#include <QStringList>

// Codes of the findings, in the order the checks run.
namespace FindingCode {
inline const QString noSpiralLevel = QStringLiteral("no-spiral-level");
inline const QString noBridgeLevel = QStringLiteral("no-bridge-level");
inline const QString innerRadius = QStringLiteral("inner-radius");
inline const QString feedSpacing = QStringLiteral("feed-spacing");
inline const QString outsideBox = QStringLiteral("outside-box");
inline const QString overlap = QStringLiteral("overlap");
inline const QString narrowWidth = QStringLiteral("narrow-width");
inline const QString narrowGap = QStringLiteral("narrow-gap");
inline const QString offGrid = QStringLiteral("off-grid");
inline const QString largeLayout = QStringLiteral("large-layout");
inline const QString leadOverlap = QStringLiteral("lead-overlap");
// From the design review: the box lowers the inductance noticeably (boxcheck.h).
inline const QString boxEffect = QStringLiteral("box-effect");
// No picture can be made: a template without metal levels or box, or a length of 0.
inline const QString noLayout = QStringLiteral("no-layout");
} // namespace FindingCode

// Every design rule over a spiral laid out by its parameters in a template's box: the level
// roles, the create command's conditions, the box, conductors that touch, features narrower
// than a cell, vertices off the cell grid and an unusually large layout. `lengthUnit` is the name
// shown with lengths. Errors come first, each group in the order above. Below the n-sided
// differential inner radius only the roles and the create conditions are checked.
QList<DesignFinding> checkDesign(const ProjectDocument &layout, const SpiralParameters &parameters,
                                 const QStringList &functionSetup, const QString &lengthUnit);

// The findings the create command asks about in its own words (their createPrompt), in the
// order it asks: no spiral level, inner radius, feed spacing.
QList<DesignFinding> ownPromptFindings(const QList<DesignFinding> &findings);
