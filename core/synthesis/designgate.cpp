#include "core/synthesis/designgate.h"

#include "core/checks/designchecks.h"
#include "core/wording/findingtext.h"

#include <algorithm>

namespace torvane {

namespace {
ProjectDocument laidOut(const SpiralParameters &parameters, const ProjectDocument &templateDocument,
                        const QStringList &layerSetup, const QStringList &functionSetup)
{
    ProjectDocument layout = templateDocument;
    layOutSpiral(layout, parameters, layerSetup, functionSetup);
    return layout;
}

bool fitsInBox(const ProjectDocument &layout)
{
    const BoxSettings &box = layout.geometry.box;
    const double slack = 1e-9 * std::max({1.0, box.xWidth, box.yWidth});
    for (const Polygon &polygon : layout.geometry.polygons) {
        for (const Point &point : polygon.points) {
            if (!(point.x >= -slack && point.x <= box.xWidth + slack && point.y >= -slack &&
                  point.y <= box.yWidth + slack))
                return false;
        }
    }
    // A reference plane reaching past the winding's outer end leaves no feed to measure from.
    for (const ReferencePlane &plane : layout.geometry.referencePlanes) {
        if (!(plane.length >= 0))
            return false;
    }
    return true;
}
} // namespace

bool spiralFitsInBox(const SpiralParameters &parameters, const ProjectDocument &templateDocument,
                     const QStringList &layerSetup, const QStringList &functionSetup)
{
    return fitsInBox(laidOut(parameters, templateDocument, layerSetup, functionSetup));
}

QString firstDesignError(const SpiralParameters &parameters,
                         const ProjectDocument &templateDocument, const QStringList &layerSetup,
                         const QStringList &functionSetup, const QString &lengthUnit)
{
    const SpiralParameters &p = parameters;
    if (p.shape == SpiralShape::NSidedDifferential) {
        if (const auto minimum = innerRadiusShortfall(templateDocument.geometry.box, p.spiralWidth,
                                                      p.spacing, p.radius, p.sides))
            return innerRadiusMessage(*minimum, lengthUnit).section(QLatin1Char('\n'), 0, 0);
    }
    const ProjectDocument layout = laidOut(parameters, templateDocument, layerSetup, functionSetup);
    if (!fitsInBox(layout))
        return QStringLiteral("The spiral does not fit in the template's box.");
    for (const DesignFinding &finding :
         checkDesign(layout, parameters, functionSetup, lengthUnit)) {
        if (finding.isError())
            return findingMessage(finding);
    }
    return {};
}

} // namespace torvane
