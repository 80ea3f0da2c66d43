#pragma once

#include "core/checks/designfinding.h"
#include "core/sonnet/projectdocument.h"
#include "core/template/createspiral.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace torvane {

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

} // namespace torvane
