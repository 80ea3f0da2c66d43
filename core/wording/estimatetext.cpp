#include "core/wording/estimatetext.h"

#include "core/sonnet/numberformat.h"

namespace torvane {

EstimateTexts estimateTexts(const torvane::EstimateValues &values)
{
    EstimateTexts texts;
    texts.inductance =
        values.inductance ? inductanceEstimateText(*values.inductance) : QStringLiteral("n/a");
    texts.size = formatReal(values.sizeX) + QStringLiteral(" / ") + formatReal(values.sizeY);
    if (values.minRadius)
        texts.minRadius = minRadiusHintText(*values.minRadius);
    return texts;
}

EstimateTexts estimateTexts(const SpiralParameters &parameters,
                            const ProjectDocument *templateDocument, const QStringList &layerSetup,
                            const QStringList &functionSetup)
{
    torvane::Technology technology = templateDocument
                                         ? torvane::Technology::fromTemplate(*templateDocument)
                                         : torvane::Technology::builtIn();
    if (templateDocument) {
        (void)technology.setMetals(layerSetup);
        (void)technology.setRoles(functionSetup);
    }
    return estimateTexts(torvane::DesignJob(std::move(technology), parameters, {}).estimate());
}

QString minRadiusHintText(double radius)
{
    return QStringLiteral("(min > ") + formatReal(radius) + QLatin1Char(')');
}

} // namespace torvane
