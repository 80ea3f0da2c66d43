#pragma once

#include "core/design/designjob.h"

#include <QString>

namespace torvane {

// The texts of the window's estimate panel for one shape tab, as the command line prints them
// too.
struct EstimateTexts
{
    QString inductance; // value, "a to b" range, or "n/a" without a template
    QString size;       // "x / y"
    QString minRadius;  // "(min > r)", n-sided differential only, else empty
};

EstimateTexts estimateTexts(const torvane::EstimateValues &values);
// The same for the parameters on a template (none: the built-in one's sizes, no inductance).
EstimateTexts estimateTexts(const SpiralParameters &parameters,
                            const ProjectDocument *templateDocument, const QStringList &layerSetup,
                            const QStringList &functionSetup);

QString minRadiusHintText(double radius);

} // namespace torvane
