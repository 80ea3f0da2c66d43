#include "core/template/estimate.h"

#include "core/sonnet/numberformat.h"
#include "core/spiral/roundspiral.h"
#include "core/template/units.h"

EstimateTexts estimateTexts(const SpiralParameters &parameters,
                            const ProjectDocument *templateDocument, const QStringList &layerSetup,
                            const QStringList &functionSetup)
{
    const auto spiral = makeSpiral(parameters, &layerSetup, &functionSetup);
    EstimateTexts texts;
    if (templateDocument) {
        const double lengthScale = MetresPerLengthUnit(templateDocument->dimension.lengthUnit);
        const double inductanceScale =
            1.0 / HenriesPerInductanceUnit(templateDocument->dimension.inductanceUnit);
        texts.inductance = spiral->inductanceText(lengthScale, inductanceScale);
    } else {
        texts.inductance = QStringLiteral("n/a");
    }
    const bool round = parameters.shape == SpiralShape::Round;
    const double x = round ? spiral->outerDiameter() : spiral->sizeX();
    const double y = round ? spiral->outerDiameter() : spiral->sizeY();
    texts.size = formatReal(x) + QStringLiteral(" / ") + formatReal(y);
    if (parameters.shape == SpiralShape::NSidedDifferential) {
        texts.minRadius = minRadiusHintText(
            minimumInnerRadius(templateCellSize(templateDocument), parameters.spiralWidth,
                               parameters.spacing, parameters.sides));
    }
    return texts;
}

double templateCellSize(const ProjectDocument *templateDocument)
{
    return templateDocument ? templateDocument->geometry.box.cellSizeY() : 0.0;
}

QString minRadiusHintText(double radius)
{
    return QStringLiteral("(min > ") + formatReal(radius) + QLatin1Char(')');
}
