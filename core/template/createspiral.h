#pragma once

#include "core/sonnet/projectdocument.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class cRoundSpiral;

// The shape index is the index of the window's shape tab and the stored "SpiralType".
enum class SpiralShape
{
    Round = 0,
    NSided = 1,
    RoundDifferential = 2,
    NSidedDifferential = 3
};

inline bool isDifferential(SpiralShape shape)
{
    return shape == SpiralShape::RoundDifferential || shape == SpiralShape::NSidedDifferential;
}

// What one shape tab holds. Lengths are plain numbers in the document's length unit.
struct SpiralParameters
{
    SpiralShape shape = SpiralShape::Round;
    double turns = 2;
    int sides = 8;
    double radius = 25;
    double spiralWidth = 10;
    double spacing = 10;
    double bridgeWidth = 10;
    bool feedSpacingAuto = true;
    double feedSpacing = 10;
    bool centerTap = true;
};

// The spiral object of the shape; it keeps the two list pointers, which must outlive it.
std::unique_ptr<cRoundSpiral> makeSpiral(const SpiralParameters &parameters,
                                         const QStringList *layerSetup,
                                         const QStringList *functionSetup);

inline const QString noSpiralLevelQuestion =
    QStringLiteral("No layer for spiral selected!\nContinue anyway?");
inline const QString feedSpacingQuestion =
    QStringLiteral("Feed spacing to large!\nContinue anyway?");

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
