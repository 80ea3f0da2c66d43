#pragma once

#include "core/sonnet/projectdocument.h"
#include "core/template/createspiral.h"

#include <QString>
#include <QStringList>

namespace torvane {

// Whether every polygon of the spiral, laid out on the template as create lays it out, lies
// inside the template's box, with room for its reference planes.
bool spiralFitsInBox(const SpiralParameters &parameters, const ProjectDocument &templateDocument,
                     const QStringList &layerSetup, const QStringList &functionSetup);

// The first error that keeps the spiral from being created as it stands (the fit above, then
// the design checks), in one sentence with lengths in `lengthUnit`; empty when there is none.
QString firstDesignError(const SpiralParameters &parameters,
                         const ProjectDocument &templateDocument, const QStringList &layerSetup,
                         const QStringList &functionSetup, const QString &lengthUnit);

} // namespace torvane
