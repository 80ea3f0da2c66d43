#pragma once

#include "core/sonnet/geometryrecords.h"

#include <QPointF>
#include <QRectF>

namespace torvane {

// Maps project coordinates (length units, y downwards from the box's top-left corner) onto a
// canvas: a uniform scale and the canvas point where the project's origin lands.
struct ViewTransform
{
    double scale = 1; // canvas pixels per length unit
    QPointF origin;

    QPointF toCanvas(const Point &point) const
    {
        return {origin.x() + point.x * scale, origin.y() + point.y * scale};
    }
    QPointF toCanvas(double x, double y) const { return toCanvas(Point(x, y)); }
    Point toProject(const QPointF &canvasPoint) const
    {
        return {(canvasPoint.x() - origin.x()) / scale, (canvasPoint.y() - origin.y()) / scale};
    }

    // The whole of `extent` (project coordinates) centred in `canvas`, `margin` pixels clear
    // of its edges.
    static ViewTransform fitting(const QRectF &extent, const QRectF &canvas, double margin);
    // Zoomed by `factor`, keeping the project point under `canvasPoint` where it is.
    ViewTransform zoomedAt(const QPointF &canvasPoint, double factor) const;
    ViewTransform panned(const QPointF &by) const { return {scale, origin + by}; }
};

} // namespace torvane
