#pragma once

#include "core/template/createspiral.h"

// The texts of the window's estimate panel for one shape tab.
struct EstimateTexts
{
    QString inductance; // value, "a to b" range, or "n/a" without a template
    QString size;       // "x / y"
    QString minRadius;  // "(min > r)", n-sided differential only, else empty
};

// With a template the inductance uses the document's own LNG and IND unit names.
EstimateTexts estimateTexts(const SpiralParameters &parameters,
                            const ProjectDocument *templateDocument, const QStringList &layerSetup,
                            const QStringList &functionSetup);

// Cell size along y of the template, 0 without one.
double templateCellSize(const ProjectDocument *templateDocument);
QString minRadiusHintText(double radius);
