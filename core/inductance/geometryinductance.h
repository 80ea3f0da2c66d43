#pragma once

#include "core/inductance/boximages.h"
#include "core/inductance/spiralcurrentpath.h"
#include "core/sonnet/projectdocument.h"
#include "core/template/createspiral.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <stop_token>

namespace torvane {

// The inductance of the layout that `create` would write on this template, computed from
// its conductors: partial inductance of the open current path, uniform current, zero-
// thickness metal at the levels' heights in the dielectric stack; in free space, and in the
// template's box, whose cover, ground plane and side walls are perfect conductors
// (inBoxInductances).
struct GeometryInductance
{
    // Both in henries, or neither.
    std::optional<double> winding;
    std::optional<double> referencePlanes;
    QString reason; // why there are no values; empty when there are
    // The same two in the box: both in henries, or neither.
    std::optional<double> inBoxWinding;
    std::optional<double> inBoxReferencePlanes;
    QString inBoxReason; // why there are no values in the box; empty when there are

    bool hasValues() const { return winding.has_value() && referencePlanes.has_value(); }
    bool hasInBoxValues() const
    {
        return inBoxWinding.has_value() && inBoxReferencePlanes.has_value();
    }
};

enum class BoxEffect
{
    Included,
    Left, // free-space values only, for callers that need no more and want them sooner
};

// Copies of the winding on several "spiral" levels pair up with each other: the work grows with
// the square of their number, so beyond this many no value is computed.
inline constexpr int maxGeometrySpiralLevels = 4;

// The current paths of the layout that `create` would write on this template and the metres
// per length unit, or why there are none.
struct TracedSpiral
{
    SpiralCurrentPaths paths;
    double lengthScale = 0;
    QString reason; // empty when traced
};

// Lengths of the parameters are in the template's length unit (its DIM block).
TracedSpiral traceSpiral(const SpiralParameters &parameters,
                         const ProjectDocument &templateDocument, const QStringList &layerSetup,
                         const QStringList &functionSetup);

// A requested stop ends the computation early, without values.
GeometryInductance geometryInductance(const SpiralParameters &parameters,
                                      const ProjectDocument &templateDocument,
                                      const QStringList &layerSetup,
                                      const QStringList &functionSetup, std::stop_token stop = {},
                                      BoxEffect box = BoxEffect::Included);
// Why the roles allow no geometry inductance (no "spiral" level, or too many); empty when
// they do.
QString spiralLevelProblem(const QStringList &functionSetup);

// The height of each metal level in the template's stack, level 0 at 0 and the others below.
QList<double> metalLevelHeights(const GeometryBlock &geometry);

// The conductors of the template's box in the heights of metalLevelHeights: the side walls at
// the box edges, the ground plane below the last dielectric layer and the cover above the
// first, each unless its metal is free space. Or the reason why the box has none.
struct TemplateBox
{
    std::optional<ConductingBox> box;
    QString reason;
};
TemplateBox conductingBoxOf(const GeometryBlock &geometry);

// A top or bottom metal of the free-space model, or named so ("Free Space", "FREESPACE").
bool isFreeSpace(const MetalType &metal);

} // namespace torvane
