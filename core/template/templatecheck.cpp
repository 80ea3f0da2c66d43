#include "core/template/templatecheck.h"

#include "core/sonnet/numberformat.h"

#include <cmath>

namespace torvane {

namespace {
bool positive(double value)
{
    return std::isfinite(value) && value > 0;
}
} // namespace

std::optional<QString> templateDefect(const ProjectDocument &document)
{
    const GeometryBlock &geometry = document.geometry;
    const BoxSettings &box = geometry.box;
    if (geometry == GeometryBlock{})
        return QStringLiteral("no geometry (GEO block) found");
    if (box == BoxSettings{} && geometry.dielectricLayers.isEmpty())
        return QStringLiteral("no box (BOX line) found");
    if (!positive(box.xWidth) || !positive(box.yWidth))
        return QStringLiteral("the box size %1 x %2 is not positive (BOX line)")
            .arg(formatReal(box.xWidth), formatReal(box.yWidth));
    const int xCells = box.xCells2 / 2;
    const int yCells = box.yCells2 / 2;
    if (xCells <= 0 || yCells <= 0)
        return QStringLiteral("the box cell counts %1 x %2 are not positive (BOX line)")
            .arg(xCells)
            .arg(yCells);
    if (geometry.dielectricLayers.isEmpty())
        return QStringLiteral("no dielectric layer found (below the BOX line)");
    return std::nullopt;
}

} // namespace torvane
