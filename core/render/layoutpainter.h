#pragma once

#include "core/design/designreview.h"
#include "core/render/viewtransform.h"

#include <QColor>
#include <QList>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace torvane {

// Draws a reviewed layout: the box and, when zoomed in far enough, its cell grid; each metal
// level in its own colour with a legend; vias; port numbers; the reference planes, dashed,
// with their lengths; the outer size as a dimension line; and the polygons of the findings
// outlined in red. Without a picture it writes the reason instead. Shared by the window's
// preview and `torvane-cli render`.
class LayoutPainter
{
public:
    struct Options
    {
        bool legend = true;
        bool note = true; // the review's note, at the bottom; the window shows it as a label
    };

    explicit LayoutPainter(const DesignReview &review) : review(review) {}

    void paint(QPainter &painter, const QRectF &canvas, const ViewTransform &view,
               const Options &options) const;

    // What a fitted view shows: the box, everything drawn, and room for the dimension lines.
    QRectF extent() const;
    ViewTransform fittedView(const QRectF &canvas) const;

    static QColor levelColour(int level);

private:
    void paintGrid(QPainter &painter, const QRectF &canvas, const ViewTransform &view) const;
    void paintPolygons(QPainter &painter, const QRectF &canvas, const ViewTransform &view) const;
    void paintReferencePlanes(QPainter &painter, const ViewTransform &view) const;
    // Where the port numbers go: on their edges, stepped apart where they meet.
    QList<QPointF> portCentres(const ViewTransform &view) const;
    // What a dimension's text must not cover: the port numbers and the leads to the walls.
    QList<QRectF> leadsAndPorts(const ViewTransform &view) const;
    void paintPorts(QPainter &painter, const ViewTransform &view) const;
    void paintDimensions(QPainter &painter, const ViewTransform &view,
                         const QList<QRectF> &obstacles) const;
    void paintFindings(QPainter &painter, const QRectF &canvas, const ViewTransform &view) const;
    void paintLegend(QPainter &painter, const QRectF &canvas) const;
    void paintNote(QPainter &painter, const QRectF &canvas) const;
    void paintFailure(QPainter &painter, const QRectF &canvas) const;

    const DesignReview &review;
};

} // namespace torvane
