#pragma once

#include "core/sonnet/projectdocument.h"
#include "core/spiral/spiralparameters.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace torvane {

class cRoundSpiral;

// The spiral object of the shape; it keeps the two list pointers, which must outlive it.
std::unique_ptr<cRoundSpiral> makeSpiral(const SpiralParameters &parameters,
                                         const QStringList *layerSetup,
                                         const QStringList *functionSetup);

bool hasSpiralLevel(const QStringList &functionSetup);

// The smallest side length that fits the band of an n-sided differential spiral, and the
// inner radius that gives it; shared by the create check and the window's hint.
double requiredSideLength(double cellSize, double width, double spacing);
double minimumInnerRadius(double cellSize, double width, double spacing, int sides);

// The create command's inner radius check for n-sided differential spirals: the minimum
// radius when the entered one is too small, nothing when it passes.
std::optional<double> innerRadiusShortfall(const BoxSettings &box, double width, double spacing,
                                           double radius, int sides);
QString innerRadiusMessage(double minimumRadius, const QString &lengthUnitText);

bool feedSpacingTooLarge(double width, double spacing, double feedSpacing);

// A project name typed without a suffix ("ind1") gets ".son", as the file dialog adds it; a
// name with a dot anywhere stays as typed.
QString withProjectSuffix(const QString &fileName);

// Clears the document's geometry and lays out the spiral in it. Returns a sentence for each
// item of the template that went with the geometry because it named its polygons (see
// GeometryBlock::clearGeometry); everything else of the template stays.
QStringList layOutSpiral(ProjectDocument &document, const SpiralParameters &parameters,
                         const QStringList &layerSetup, const QStringList &functionSetup);

// layOutSpiral, then the save with the layer annotations. Returns the save status (0 success);
// `notes`, when given, receives layOutSpiral's sentences.
int createSpiralProject(ProjectDocument &document, const SpiralParameters &parameters,
                        const QStringList &layerSetup, const QStringList &functionSetup,
                        bool staircase, const QString &fileName, QString *errorText = nullptr,
                        QStringList *notes = nullptr);

} // namespace torvane
