#include "core/inductance/geometryinductance.h"

#include "core/inductance/boxinductance.h"
#include "core/spiral/roundspiral.h"
#include "core/template/layerroles.h"
#include "core/template/units.h"

#include <QRegularExpression>

#include <cmath>
#include <utility>

namespace torvane {

namespace {
// mu0 / (4 pi) in henries per metre.
constexpr double mu0Over4Pi = 1e-7;
// Far more pieces than the window's largest spirals need: beyond it the sum would take minutes.
constexpr double maxSidesTimesTurns = 20000;

bool finite(const SpiralParameters &p)
{
    return std::isfinite(p.turns) && std::isfinite(p.radius) && std::isfinite(p.spiralWidth) &&
           std::isfinite(p.spacing) && std::isfinite(p.bridgeWidth) && std::isfinite(p.feedSpacing);
}

QString parameterProblem(const SpiralParameters &p, const ProjectDocument &document)
{
    if (!finite(p))
        return QStringLiteral("A parameter is not a number.");
    if (!(p.turns > 0))
        return QStringLiteral("The spiral needs more than 0 turns.");
    if (!(p.spiralWidth > 0))
        return QStringLiteral("The width must be larger than 0.");
    if (!(p.spacing > 0))
        return QStringLiteral("The spacing must be larger than 0, or the turns overlap.");
    if (!(p.radius >= 0))
        return QStringLiteral("The inner radius must not be negative.");
    if (!(p.bridgeWidth > 0))
        return QStringLiteral("The bridge width must be larger than 0.");
    const bool polygonal =
        p.shape == SpiralShape::NSided || p.shape == SpiralShape::NSidedDifferential;
    if (polygonal && p.sides < 3)
        return QStringLiteral("A polygon needs at least 3 sides.");
    const double sides = polygonal ? p.sides : 36;
    if (sides * p.turns > maxSidesTimesTurns)
        return QStringLiteral("Too many turns or sides for the computation.");
    if (isDifferential(p.shape) && (p.turns < 1 || std::floor(p.turns) != p.turns))
        return QStringLiteral("A differential spiral needs a whole number of turns.");
    if (p.shape == SpiralShape::NSidedDifferential) {
        if (const auto minimum = innerRadiusShortfall(document.geometry.box, p.spiralWidth,
                                                      p.spacing, p.radius, p.sides))
            return innerRadiusMessage(*minimum, document.dimension.lengthUnit).section('\n', 0, 0);
    }
    return QString();
}

bool fitsInBox(const DrawnLayout &layout, const BoxSettings &box)
{
    const double slack = 1e-9 * std::max({1.0, box.xWidth, box.yWidth});
    for (const DrawnConductor &conductor : layout.conductors) {
        for (const Point &p : conductor.points) {
            if (!(p.x >= -slack && p.x <= box.xWidth + slack && p.y >= -slack &&
                  p.y <= box.yWidth + slack))
                return false;
        }
    }
    for (const ReferencePlane &plane : layout.referencePlanes) {
        if (!(plane.length >= 0))
            return false;
    }
    return true;
}
} // namespace

QList<double> metalLevelHeights(const GeometryBlock &geometry)
{
    QList<double> heights;
    double z = 0;
    for (qsizetype i = 1; i < geometry.dielectricLayers.size(); ++i) {
        heights.append(z);
        z -= geometry.dielectricLayers[i].thickness;
    }
    return heights;
}

QString spiralLevelProblem(const QStringList &functionSetup)
{
    if (!hasSpiralLevel(functionSetup))
        return QStringLiteral("No metal level has the role \"spiral\".");
    if (const qsizetype levels = functionSetup.count(roleSpiral); levels > maxGeometrySpiralLevels)
        return QStringLiteral("%1 metal levels have the role \"spiral\"; the inductance from the "
                              "geometry is computed for at most %2, as each further level "
                              "multiplies the work.")
            .arg(levels)
            .arg(maxGeometrySpiralLevels);
    return {};
}

bool isFreeSpace(const MetalType &metal)
{
    QString name = metal.name;
    name.remove(QRegularExpression(QStringLiteral("[\\s_-]")));
    return metal.model.compare(QLatin1String("FREESPACE"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("freespace"), Qt::CaseInsensitive) == 0;
}

TemplateBox conductingBoxOf(const GeometryBlock &geometry)
{
    TemplateBox result;
    const BoxSettings &size = geometry.box;
    if (!(size.xWidth > 0) || !(size.yWidth > 0) || !std::isfinite(size.xWidth) ||
        !std::isfinite(size.yWidth)) {
        result.reason = QStringLiteral("The template's box has no size.");
        return result;
    }
    double below = 0;
    for (qsizetype i = 1; i < geometry.dielectricLayers.size(); ++i)
        below += geometry.dielectricLayers[i].thickness;
    const double above =
        geometry.dielectricLayers.isEmpty() ? 0.0 : geometry.dielectricLayers[0].thickness;
    if (!(above + below > 0) || !std::isfinite(above + below)) {
        result.reason = QStringLiteral("The template's dielectric layers have no thickness.");
        return result;
    }
    ConductingBox box;
    box.xWidth = size.xWidth;
    box.yWidth = size.yWidth;
    if (!isFreeSpace(geometry.topMetal))
        box.cover = above;
    if (!isFreeSpace(geometry.bottomMetal))
        box.ground = -below;
    result.box = box;
    return result;
}

namespace {
void addInBoxValues(GeometryInductance &result, const SpiralCurrentPaths &paths,
                    const GeometryBlock &geometry, double metresPerUnit, std::stop_token stop)
{
    const TemplateBox box = conductingBoxOf(geometry);
    if (!box.box) {
        result.inBoxReason = box.reason;
        return;
    }
    const InBoxInductances inBox = inBoxInductances(paths.winding, paths.outside, *box.box,
                                                    {*result.winding, *result.referencePlanes},
                                                    metresPerUnit, std::move(stop));
    if (!inBox.values) {
        result.inBoxReason = inBox.reason;
        return;
    }
    result.inBoxWinding = inBox.values->winding;
    result.inBoxReferencePlanes = inBox.values->referencePlanes;
}
} // namespace

TracedSpiral traceSpiral(const SpiralParameters &parameters,
                         const ProjectDocument &templateDocument, const QStringList &layerSetup,
                         const QStringList &functionSetup)
{
    TracedSpiral traced;
    traced.reason = spiralLevelProblem(functionSetup);
    if (!traced.reason.isEmpty())
        return traced;
    traced.reason = parameterProblem(parameters, templateDocument);
    if (!traced.reason.isEmpty())
        return traced;
    traced.lengthScale = MetresPerLengthUnit(templateDocument.dimension.lengthUnit);
    if (!(traced.lengthScale > 0) || !std::isfinite(traced.lengthScale)) {
        traced.reason = QStringLiteral("The template's length unit is unknown.");
        return traced;
    }

    const auto spiral = makeSpiral(parameters, &layerSetup, &functionSetup);
    const DrawnLayout layout = spiral->drawnLayout(templateDocument);
    const BoxSettings &box = templateDocument.geometry.box;
    if (!fitsInBox(layout, box)) {
        traced.reason = QStringLiteral("The spiral does not fit in the template's box.");
        return traced;
    }
    traced.paths = spiralCurrentPaths(layout, metalLevelHeights(templateDocument.geometry),
                                      box.xWidth, box.yWidth);
    traced.reason = traced.paths.failure;
    return traced;
}

GeometryInductance geometryInductance(const SpiralParameters &parameters,
                                      const ProjectDocument &templateDocument,
                                      const QStringList &layerSetup,
                                      const QStringList &functionSetup, std::stop_token stop,
                                      BoxEffect boxEffect)
{
    GeometryInductance result;
    const TracedSpiral traced =
        traceSpiral(parameters, templateDocument, layerSetup, functionSetup);
    if (!traced.reason.isEmpty()) {
        result.reason = result.inBoxReason = traced.reason;
        return result;
    }
    const auto [windingSum, planesSum] =
        pathInductances(traced.paths.winding, traced.paths.outside, stop);
    if (stop.stop_requested()) {
        result.reason = result.inBoxReason = QStringLiteral("The computation was stopped.");
        return result;
    }
    const double winding = mu0Over4Pi * traced.lengthScale * windingSum;
    const double planes = mu0Over4Pi * traced.lengthScale * planesSum;
    if (!std::isfinite(winding) || !std::isfinite(planes) || !(winding > 0) || !(planes > 0)) {
        result.reason = result.inBoxReason =
            QStringLiteral("The drawn geometry gives no finite inductance.");
        return result;
    }
    result.winding = winding;
    result.referencePlanes = planes;
    if (boxEffect == BoxEffect::Included)
        addInBoxValues(result, traced.paths, templateDocument.geometry, traced.lengthScale, stop);
    else
        result.inBoxReason = QStringLiteral("The box was left out.");
    return result;
}

} // namespace torvane
