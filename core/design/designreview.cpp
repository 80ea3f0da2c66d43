#include "core/design/designreview.h"

#include "core/checks/boxcheck.h"
#include "core/checks/designchecks.h"
#include "core/spiral/roundspiral.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"
#include "core/template/units.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace torvane {

namespace {
bool positive(double value)
{
    return std::isfinite(value) && value > 0;
}

// Values a half-typed field can give, which no layout can be made of.
std::optional<NoPicture> parameterFailure(const SpiralParameters &p)
{
    using Dimension = SpiralDimension;
    QList<std::pair<Dimension, double>> needed{{Dimension::Turns, p.turns},
                                               {Dimension::ConductorWidth, p.spiralWidth},
                                               {Dimension::Spacing, p.spacing},
                                               {Dimension::InnerRadius, p.radius}};
    if (!isDifferential(p.shape) || p.centerTap)
        needed.append({isDifferential(p.shape) ? Dimension::CentreTapWidth : Dimension::BridgeWidth,
                       p.bridgeWidth});
    if (isDifferential(p.shape) && !p.feedSpacingAuto)
        needed.append({Dimension::FeedSpacing, p.feedSpacing});
    for (const auto &[dimension, value] : std::as_const(needed)) {
        if (!positive(value))
            return NoPicture{NoPicture::Reason::NotPositive, dimension, value, 0};
    }
    const bool polygonal =
        p.shape == SpiralShape::NSided || p.shape == SpiralShape::NSidedDifferential;
    if (polygonal && p.sides < 3)
        return NoPicture{NoPicture::Reason::TooFewSides, Dimension::Turns, 0, p.sides};
    return std::nullopt;
}

QRectF windingExtent(const ProjectDocument &layout, const QStringList &roles)
{
    const BoxSettings &box = layout.geometry.box;
    const double slack = 1e-9 * std::max(box.xWidth, box.yWidth);
    const auto onWall = [&](const Point &point) {
        return std::fabs(point.x) <= slack || std::fabs(point.y) <= slack ||
               std::fabs(point.x - box.xWidth) <= slack || std::fabs(point.y - box.yWidth) <= slack;
    };
    double minX = std::numeric_limits<double>::max();
    double minY = minX;
    double maxX = std::numeric_limits<double>::lowest();
    double maxY = maxX;
    for (const Polygon &polygon : layout.geometry.polygons) {
        if (polygon.isVia() || roles.value(static_cast<int>(polygon.level)) != roleSpiral ||
            std::any_of(polygon.points.begin(), polygon.points.end(), onWall))
            continue;
        for (const Point &point : polygon.points) {
            minX = std::min(minX, point.x);
            maxX = std::max(maxX, point.x);
            minY = std::min(minY, point.y);
            maxY = std::max(maxY, point.y);
        }
    }
    return minX <= maxX ? QRectF(QPointF(minX, minY), QPointF(maxX, maxY)) : QRectF();
}

// The inductance with and without the box, in the template's inductance unit.
std::optional<DesignFinding> boxEffect(const DesignReview &review,
                                       const GeometryInductance &inductance)
{
    const GeometryBlock &geometry = review.layout.geometry;
    const int unit =
        matchingUnitIndex(inductanceUnitNames(), review.layout.dimension.inductanceUnit);
    const TemplateBox box = conductingBoxOf(geometry);
    return boxEffectFinding(inductance,
                            unit >= 0 ? inductanceUnitNames()[unit] : fallbackInductanceUnitName,
                            box.box && box.box->cover);
}

std::optional<NoPicture> templateFailure(const ProjectDocument &document)
{
    const BoxSettings &box = document.geometry.box;
    if (document.geometry.metalLevelCount() == 0)
        return NoPicture{NoPicture::Reason::NoMetalLevels};
    if (!positive(box.xWidth) || !positive(box.yWidth))
        return NoPicture{NoPicture::Reason::BoxWithoutSize};
    return std::nullopt;
}
} // namespace

QString builtInTemplateNote()
{
    return QStringLiteral("No template loaded: drawn on the built-in template %1.")
        .arg(builtInTemplateFileName());
}

DesignReview reviewDesign(const ProjectDocument *templateDocument,
                          const SpiralParameters &parameters, const QStringList &layerSetup,
                          const QStringList &functionSetup, const QString &lengthUnit)
{
    DesignReview review;
    review.lengthUnit = lengthUnit;
    if (templateDocument) {
        review.layout = *templateDocument;
        review.layerSetup = layerSetup;
        review.functionSetup = functionSetup;
    } else {
        review.layout = builtInTemplate();
        readLayerSetup(review.layout, review.layerSetup, review.functionSetup);
        review.note = builtInTemplateNote();
    }
    review.droppedItems = review.layout.geometry.clearGeometry();

    // Laid out even when no picture can be made of it: "Create Spiral ..." and the export may
    // still be told to write what the fields give.
    makeSpiral(parameters, &review.layerSetup, &review.functionSetup)->writeLayout(review.layout);
    std::optional<NoPicture> failure = templateFailure(review.layout);
    if (!failure)
        failure = parameterFailure(parameters);
    if (failure) {
        // The rules that need no geometry still speak: the roles and the create conditions.
        ProjectDocument technology = review.layout;
        technology.geometry.clearGeometry();
        review.findings = checkDesign(technology, parameters, review.functionSetup, lengthUnit);
        review.findings.prepend(
            {FindingSeverity::Error, FindingCode::NoLayout, *failure, {}, {}, {}});
        return review;
    }
    review.windingExtent = windingExtent(review.layout, review.functionSetup);
    review.findings = checkDesign(review.layout, parameters, review.functionSetup, lengthUnit);
    if (review.hasPicture()) {
        review.inductance =
            geometryInductance(parameters, review.layout, review.layerSetup, review.functionSetup);
        if (const auto finding = boxEffect(review, *review.inductance))
            review.findings.append(*finding);
    }
    return review;
}

const DesignFinding *DesignReview::pictureFailure() const
{
    for (const DesignFinding &finding : findings) {
        // The create command refuses the inner radius, so the preview says why instead of
        // drawing its folded half-turns.
        if (finding.code == FindingCode::NoLayout || finding.code == FindingCode::InnerRadius)
            return &finding;
    }
    return nullptr;
}

} // namespace torvane
