#include "core/render/viewtransform.h"

#include <algorithm>
#include <cmath>

namespace torvane {

ViewTransform ViewTransform::fitting(const QRectF &extent, const QRectF &canvas, double margin)
{
    const QRectF area = canvas.adjusted(margin, margin, -margin, -margin);
    const double width = std::max(extent.width(), 1e-12);
    const double height = std::max(extent.height(), 1e-12);
    double scale =
        std::min(std::max(area.width(), 1.0) / width, std::max(area.height(), 1.0) / height);
    if (!std::isfinite(scale) || scale <= 0)
        scale = 1;
    const QPointF centre = extent.center();
    return {scale, area.center() - QPointF(centre.x() * scale, centre.y() * scale)};
}

ViewTransform ViewTransform::zoomedAt(const QPointF &canvasPoint, double factor) const
{
    const Point fixed = toProject(canvasPoint);
    const double zoomed = scale * factor;
    return {zoomed, canvasPoint - QPointF(fixed.x * zoomed, fixed.y * zoomed)};
}

} // namespace torvane
