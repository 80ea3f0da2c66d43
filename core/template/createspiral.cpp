#include "core/template/createspiral.h"

#include "core/spiral/differentialspiral.h"
#include "core/spiral/nsideddifferentialspiral.h"
#include "core/spiral/nsidedspiral.h"
#include "core/spiral/roundspiral.h"
#include "core/template/layerroles.h"

#include <QFileInfo>
#include <QLocale>

#include <cmath>

namespace torvane {

namespace {
constexpr double pi = 3.141592653589793;

double tangentOfPiOver(int sides)
{
    const double angle = pi / sides;
    return std::sin(angle) / std::cos(angle);
}
} // namespace

std::unique_ptr<cRoundSpiral> makeSpiral(const SpiralParameters &p, const QStringList *layerSetup,
                                         const QStringList *functionSetup)
{
    switch (p.shape) {
    case SpiralShape::NSided:
        return std::make_unique<cNSidedSpiral>(p.sides, p.turns, p.radius, p.spiralWidth, p.spacing,
                                               p.bridgeWidth, layerSetup, functionSetup);
    case SpiralShape::RoundDifferential:
        return std::make_unique<cDifferentialSpiral>(
            p.turns, p.radius, p.spiralWidth, p.spacing, p.bridgeWidth, p.feedSpacingAuto,
            p.feedSpacing, p.centerTap, layerSetup, functionSetup);
    case SpiralShape::NSidedDifferential:
        return std::make_unique<cNSidedDifferentialSpiral>(
            p.turns, p.sides, p.radius, p.spiralWidth, p.spacing, p.bridgeWidth, p.feedSpacingAuto,
            p.feedSpacing, p.centerTap, layerSetup, functionSetup);
    case SpiralShape::Round:
        break;
    }
    return std::make_unique<cRoundSpiral>(p.turns, p.radius, p.spiralWidth, p.spacing,
                                          p.bridgeWidth, layerSetup, functionSetup);
}

bool hasSpiralLevel(const QStringList &functionSetup)
{
    return functionSetup.contains(roleSpiral);
}

double requiredSideLength(double cellSize, double width, double spacing)
{
    const double half = (width * 0.5) / std::sqrt(2.0);
    // Equal or unordered (nan) values keep the cell size.
    const double margin = half > cellSize ? half : cellSize;
    return 4 * margin + (width + spacing);
}

double minimumInnerRadius(double cellSize, double width, double spacing, int sides)
{
    return requiredSideLength(cellSize, width, spacing) / (2 * tangentOfPiOver(sides));
}

std::optional<double> innerRadiusShortfall(const BoxSettings &box, double width, double spacing,
                                           double radius, int sides)
{
    const double cellSize = box.cellSizeY();
    const double required = requiredSideLength(cellSize, width, spacing);
    const double available = 2 * radius * tangentOfPiOver(sides);
    if (required > available)
        return minimumInnerRadius(cellSize, width, spacing, sides);
    return std::nullopt;
}

QString innerRadiusMessage(double minimumRadius, const QString &lengthUnitText)
{
    return QStringLiteral("Inner radius must exceed ") +
           QLocale::c().toString(minimumRadius, 'g', 6) + QLatin1Char(' ') + lengthUnitText +
           QStringLiteral(".\nCannot create spiral.");
}

bool feedSpacingTooLarge(double width, double spacing, double feedSpacing)
{
    return feedSpacing > width + width / std::sqrt(2.0) + spacing;
}

QString withProjectSuffix(const QString &fileName)
{
    if (fileName.isEmpty() || QFileInfo(fileName).fileName().contains(QLatin1Char('.')))
        return fileName;
    return fileName + QStringLiteral(".son");
}

QStringList layOutSpiral(ProjectDocument &document, const SpiralParameters &parameters,
                         const QStringList &layerSetup, const QStringList &functionSetup)
{
    QStringList dropped = document.geometry.clearGeometry();
    makeSpiral(parameters, &layerSetup, &functionSetup)->writeLayout(document);
    return dropped;
}

int createSpiralProject(ProjectDocument &document, const SpiralParameters &parameters,
                        const QStringList &layerSetup, const QStringList &functionSetup,
                        bool staircase, const QString &fileName, QString *errorText,
                        QStringList *notes)
{
    QStringList dropped = layOutSpiral(document, parameters, layerSetup, functionSetup);
    if (notes)
        *notes = std::move(dropped);
    return saveWithLayerSetup(document, fileName, layerSetup, functionSetup, staircase, errorText);
}

} // namespace torvane
