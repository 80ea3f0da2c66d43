#include "core/render/layoutpainter.h"

#include "core/render/labelplacement.h"

#include "core/sonnet/numberformat.h"
#include "core/template/layerroles.h"
#include "core/wording/findingtext.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace torvane {

namespace {
const QColor boxFill(255, 255, 255);
const QColor canvasFill(236, 238, 241);
const QColor boxEdge(90, 90, 90);
const QColor gridLine(225, 228, 232);
const QColor viaFill(45, 45, 45);
const QColor planeColour(120, 60, 160);
const QColor dimensionColour(40, 40, 40);
const QColor findingColour(220, 20, 20);
const QColor warningColour(230, 140, 0);

// Beyond this many pixels the raster engine's fixed-point numbers run out: such polygons are
// cut to a margin around the canvas first.
constexpr double safeExtent = 1 << 20;

// One pixel wide at every zoom: the raster engine draws these on its fast path.
QPen cosmeticPen(const QColor &colour, double width = 1)
{
    QPen pen(colour, width);
    pen.setCosmetic(true);
    return pen;
}

// The points of an outline as bytes, to find outlines repeated on other levels.
QByteArray outlineKey(const QList<Point> &points)
{
    return QByteArray(reinterpret_cast<const char *>(points.constData()),
                      static_cast<qsizetype>(points.size() * sizeof(Point)));
}

QFont sizedFont(const QFont &base, double pixels, bool bold = false)
{
    QFont font = base;
    font.setPixelSize(static_cast<int>(pixels));
    font.setBold(bold);
    return font;
}

QString lengthText(double value, const QString &unit)
{
    return formatReal(value) + QLatin1Char(' ') + unit;
}

// Sutherland-Hodgman against one side of a rectangle, for polygons far larger than the canvas.
QPolygonF clipped(const QPolygonF &shape, const QRectF &rect)
{
    QPolygonF result = shape;
    const auto clipSide = [&result](auto inside, auto cut) {
        QPolygonF output;
        for (qsizetype i = 0; i < result.size(); ++i) {
            const QPointF &current = result[i];
            const QPointF &previous = result[(i + result.size() - 1) % result.size()];
            if (inside(current)) {
                if (!inside(previous))
                    output.append(cut(previous, current));
                output.append(current);
            } else if (inside(previous)) {
                output.append(cut(previous, current));
            }
        }
        result = output;
    };
    const auto atX = [](double x) {
        return [x](const QPointF &a, const QPointF &b) {
            const double t = (x - a.x()) / (b.x() - a.x());
            return QPointF(x, a.y() + t * (b.y() - a.y()));
        };
    };
    const auto atY = [](double y) {
        return [y](const QPointF &a, const QPointF &b) {
            const double t = (y - a.y()) / (b.y() - a.y());
            return QPointF(a.x() + t * (b.x() - a.x()), y);
        };
    };
    clipSide([&](const QPointF &p) { return p.x() >= rect.left(); }, atX(rect.left()));
    clipSide([&](const QPointF &p) { return p.x() <= rect.right(); }, atX(rect.right()));
    clipSide([&](const QPointF &p) { return p.y() >= rect.top(); }, atY(rect.top()));
    clipSide([&](const QPointF &p) { return p.y() <= rect.bottom(); }, atY(rect.bottom()));
    return result;
}

// The polygon on the canvas, without points closer than about a third of a pixel to the last
// one kept, so that even million-point layouts paint quickly; empty when it cannot be seen.
QPolygonF canvasPolygon(const QList<Point> &points, const ViewTransform &view, const QRectF &canvas)
{
    QPolygonF shape;
    shape.reserve(points.size());
    QRectF bounds;
    for (const Point &point : points) {
        const QPointF q = view.toCanvas(point);
        if (!shape.isEmpty() && std::fabs(q.x() - shape.last().x()) < 0.35 &&
            std::fabs(q.y() - shape.last().y()) < 0.35)
            continue;
        shape.append(q);
    }
    if (shape.size() < 2)
        return {};
    bounds = shape.boundingRect();
    if (!bounds.adjusted(-2, -2, 2, 2).intersects(canvas))
        return {};
    if (bounds.width() > safeExtent || bounds.height() > safeExtent)
        return clipped(shape, canvas.adjusted(-100, -100, 100, 100));
    return shape;
}

void drawArrowHead(QPainter &painter, const QPointF &tip, const QPointF &from)
{
    const QPointF direction = tip - from;
    const double length = std::hypot(direction.x(), direction.y());
    if (length < 1e-9)
        return;
    const QPointF unit = direction / length;
    const QPointF normal(-unit.y(), unit.x());
    const QPointF base = tip - unit * 6;
    painter.drawPolygon(QPolygonF{tip, base + normal * 3, base - normal * 3});
}

// A measure from a to b with arrows at both ends, and its text beside it.
void drawMeasure(QPainter &painter, const QPointF &a, const QPointF &b, const QString &text,
                 bool textBelowOrRight, const QList<QRectF> &obstacles = {})
{
    painter.drawLine(a, b);
    painter.setBrush(painter.pen().color());
    drawArrowHead(painter, a, b);
    drawArrowHead(painter, b, a);
    painter.setBrush(Qt::NoBrush);
    const QFontMetricsF metrics(painter.font());
    const QSizeF size(metrics.horizontalAdvance(text) + 6, metrics.height());
    const QRectF label =
        measureLabel(a, b, size, textBelowOrRight, painter.clipBoundingRect(), obstacles);
    painter.fillRect(label, QColor(255, 255, 255, 200));
    painter.drawText(label, Qt::AlignCenter, text);
}
} // namespace

QColor LayoutPainter::levelColour(int level)
{
    // Level 1 copper and level 2 blue, as the built-in template's spiral and bridge.
    static const QColor palette[] = {{70, 160, 90},  {205, 120, 45}, {70, 110, 200},
                                     {150, 90, 190}, {40, 150, 160}, {185, 70, 80},
                                     {150, 145, 50}, {120, 120, 130}};
    constexpr int count = sizeof(palette) / sizeof(palette[0]);
    return palette[((level % count) + count) % count];
}

QRectF LayoutPainter::extent() const
{
    const BoxSettings &box = review.layout.geometry.box;
    double minX = 0;
    double minY = 0;
    double maxX = std::max(box.xWidth, 0.0);
    double maxY = std::max(box.yWidth, 0.0);
    if (review.hasPicture()) {
        for (const Polygon &polygon : review.layout.geometry.polygons) {
            for (const Point &point : polygon.points) {
                if (!std::isfinite(point.x) || !std::isfinite(point.y))
                    continue;
                minX = std::min(minX, point.x);
                maxX = std::max(maxX, point.x);
                minY = std::min(minY, point.y);
                maxY = std::max(maxY, point.y);
            }
        }
    }
    return {QPointF(minX, minY), QPointF(maxX, maxY)};
}

ViewTransform LayoutPainter::fittedView(const QRectF &canvas) const
{
    // Room around the box for the dimension lines, the port numbers and the legend.
    return ViewTransform::fitting(extent(), canvas,
                                  std::min(canvas.width(), canvas.height()) / 12 + 24);
}

void LayoutPainter::paint(QPainter &painter, const QRectF &canvas, const ViewTransform &view,
                          const Options &options) const
{
    painter.save();
    painter.setClipRect(canvas);
    painter.fillRect(canvas, canvasFill);
    if (!review.hasPicture()) {
        paintFailure(painter, canvas);
        painter.restore();
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const BoxSettings &box = review.layout.geometry.box;
    const QRectF boxRect(view.toCanvas(0, 0), view.toCanvas(box.xWidth, box.yWidth));
    painter.fillRect(boxRect.intersected(canvas.adjusted(-2, -2, 2, 2)), boxFill);
    paintGrid(painter, canvas, view);
    painter.setPen(QPen(boxEdge, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(boxRect.intersected(canvas.adjusted(-4, -4, 4, 4)));

    paintPolygons(painter, canvas, view);
    paintReferencePlanes(painter, view);
    paintDimensions(painter, view, leadsAndPorts(view));
    paintFindings(painter, canvas, view);
    paintPorts(painter, view);
    if (options.legend)
        paintLegend(painter, canvas);
    if (options.note)
        paintNote(painter, canvas);
    painter.restore();
}

void LayoutPainter::paintGrid(QPainter &painter, const QRectF &canvas,
                              const ViewTransform &view) const
{
    const BoxSettings &box = review.layout.geometry.box;
    const double stepX = box.cellSizeX() * view.scale;
    const double stepY = box.cellSizeY() * view.scale;
    constexpr double visible = 8; // pixels between lines before the grid is drawn
    if (!std::isfinite(stepX) || !std::isfinite(stepY) || stepX < visible || stepY < visible)
        return;
    const QRectF boxRect(view.toCanvas(0, 0), view.toCanvas(box.xWidth, box.yWidth));
    const QRectF area = boxRect.intersected(canvas);
    if (area.isEmpty())
        return;
    painter.setPen(QPen(gridLine, 1));
    const double firstX =
        boxRect.left() + std::ceil((area.left() - boxRect.left()) / stepX) * stepX;
    for (double x = firstX; x <= area.right(); x += stepX)
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    const double firstY = boxRect.top() + std::ceil((area.top() - boxRect.top()) / stepY) * stepY;
    for (double y = firstY; y <= area.bottom(); y += stepY)
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
}

void LayoutPainter::paintPolygons(QPainter &painter, const QRectF &canvas,
                                  const ViewTransform &view) const
{
    const QList<Polygon> &polygons = review.layout.geometry.polygons;
    // Lower levels (higher numbers) first, so that the upper ones lie on top; vias over all.
    QList<int> order(polygons.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (polygons[a].isVia() != polygons[b].isVia())
            return !polygons[a].isVia();
        return polygons[a].level > polygons[b].level;
    });
    // A winding repeated on many stacked levels is drawn once, on the uppermost of them, which
    // would hide the others anyway.
    QHash<QByteArray, int> uppermost;
    for (int index : order) {
        if (!polygons[index].isVia())
            uppermost.insert(outlineKey(polygons[index].points), index);
    }
    for (int index : order) {
        const Polygon &polygon = polygons[index];
        if (!polygon.isVia() && uppermost.value(outlineKey(polygon.points)) != index)
            continue;
        const QPolygonF shape = canvasPolygon(polygon.points, view, canvas);
        if (shape.isEmpty())
            continue;
        // Filled without antialiasing, which costs many times more on long windings, then
        // outlined smoothly with a thin pen.
        const QColor colour =
            polygon.isVia() ? viaFill : levelColour(static_cast<int>(polygon.level));
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawPolygon(shape);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(cosmeticPen(polygon.isVia() ? QColor(Qt::black) : colour.darker(150)));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(shape);
        const QRectF bounds = shape.boundingRect();
        if (polygon.isVia() && bounds.width() > 6 && bounds.height() > 6) {
            painter.setPen(cosmeticPen(QColor(235, 235, 235)));
            painter.drawLine(bounds.topLeft(), bounds.bottomRight());
            painter.drawLine(bounds.topRight(), bounds.bottomLeft());
        }
    }
}

void LayoutPainter::paintReferencePlanes(QPainter &painter, const ViewTransform &view) const
{
    const BoxSettings &box = review.layout.geometry.box;
    QPen dashed(planeColour, 1.5, Qt::DashLine);
    painter.setFont(sizedFont(painter.font(), 11));
    for (const ReferencePlane &plane : review.layout.geometry.referencePlanes) {
        const double l = plane.length;
        Point wall, at, from, to;
        if (plane.side == QLatin1String("LEFT")) {
            wall = Point(0, box.yWidth * 0.06);
            at = Point(l, box.yWidth * 0.06);
            from = Point(l, 0);
            to = Point(l, box.yWidth);
        } else if (plane.side == QLatin1String("RIGHT")) {
            wall = Point(box.xWidth, box.yWidth * 0.06);
            at = Point(box.xWidth - l, box.yWidth * 0.06);
            from = Point(box.xWidth - l, 0);
            to = Point(box.xWidth - l, box.yWidth);
        } else if (plane.side == QLatin1String("TOP")) {
            wall = Point(box.xWidth * 0.06, 0);
            at = Point(box.xWidth * 0.06, l);
            from = Point(0, l);
            to = Point(box.xWidth, l);
        } else if (plane.side == QLatin1String("BOTTOM")) {
            wall = Point(box.xWidth * 0.06, box.yWidth);
            at = Point(box.xWidth * 0.06, box.yWidth - l);
            from = Point(0, box.yWidth - l);
            to = Point(box.xWidth, box.yWidth - l);
        } else {
            continue;
        }
        painter.setPen(dashed);
        painter.drawLine(view.toCanvas(from), view.toCanvas(to));
        painter.setPen(QPen(planeColour, 1));
        drawMeasure(painter, view.toCanvas(wall), view.toCanvas(at),
                    lengthText(l, review.lengthUnit), false);
    }
}

QList<QRectF> LayoutPainter::leadsAndPorts(const ViewTransform &view) const
{
    QList<QRectF> areas;
    for (const QPointF &centre : portCentres(view))
        areas.append(QRectF(centre - QPointF(9, 9), QSizeF(18, 18)));
    const QRectF &winding = review.windingExtent;
    for (const Polygon &polygon : review.layout.geometry.polygons) {
        if (polygon.isVia() || polygon.points.isEmpty())
            continue;
        QRectF bounds;
        for (const Point &point : polygon.points)
            bounds |= QRectF(view.toCanvas(point), QSizeF(0.01, 0.01));
        const QRectF inWinding = QRectF(view.toCanvas(winding.left(), winding.top()),
                                        view.toCanvas(winding.right(), winding.bottom()))
                                     .normalized();
        if (!inWinding.adjusted(-1, -1, 1, 1).contains(bounds))
            areas.append(bounds.adjusted(-2, -2, 2, 2));
    }
    return areas;
}

QList<QPointF> LayoutPainter::portCentres(const ViewTransform &view) const
{
    const QList<Polygon> &polygons = review.layout.geometry.polygons;
    QList<QPointF> placed;
    for (const Port &port : review.layout.geometry.ports) {
        const auto polygon = std::find_if(polygons.begin(), polygons.end(), [&](const Polygon &p) {
            return !p.isVia() && p.debugId == port.link.polygonId;
        });
        if (polygon == polygons.end() || polygon->points.isEmpty())
            continue;
        const qsizetype count = polygon->points.size();
        const qsizetype vertex = std::clamp<qsizetype>(port.link.vertexIndex, 0, count - 1);
        const Point &a = polygon->points[vertex];
        const Point &b = polygon->points[(vertex + 1) % count];
        const Point edge((a.x + b.x) / 2, (a.y + b.y) / 2);
        QPointF centre = view.toCanvas(edge);
        // Ports on the same spot (a bridge under a feed) step outwards, away from the box.
        const BoxSettings &box = review.layout.geometry.box;
        const double dx = edge.x - box.xWidth / 2;
        const double dy = edge.y - box.yWidth / 2;
        const QPointF outwards = std::fabs(dx) * box.yWidth >= std::fabs(dy) * box.xWidth
                                     ? QPointF(dx < 0 ? -16 : 16, 0)
                                     : QPointF(0, dy < 0 ? -16 : 16);
        while (std::any_of(placed.begin(), placed.end(), [&](const QPointF &other) {
            return std::hypot(other.x() - centre.x(), other.y() - centre.y()) < 13;
        }))
            centre += outwards;
        placed.append(centre);
    }
    return placed;
}

void LayoutPainter::paintPorts(QPainter &painter, const ViewTransform &view) const
{
    painter.setFont(sizedFont(painter.font(), 10, true));
    const QList<QPointF> centres = portCentres(view);
    const QList<Port> &ports = review.layout.geometry.ports;
    for (qsizetype i = 0; i < centres.size() && i < ports.size(); ++i) {
        const QRectF disc(centres[i] - QPointF(7, 7), QSizeF(14, 14));
        const Port &port = ports[i];
        painter.setPen(QPen(Qt::black, 1.2));
        painter.setBrush(QColor(255, 250, 205));
        painter.drawEllipse(disc);
        painter.drawText(disc, Qt::AlignCenter, QString::number(port.portNumber));
    }
    painter.setBrush(Qt::NoBrush);
}

void LayoutPainter::paintDimensions(QPainter &painter, const ViewTransform &view,
                                    const QList<QRectF> &obstacles) const
{
    const QRectF &winding = review.windingExtent;
    if (winding.isEmpty())
        return;
    painter.setFont(sizedFont(painter.font(), 11));
    painter.setPen(QPen(dimensionColour, 1));
    constexpr double away = 18; // pixels between the winding and its dimension lines

    const QPointF left = view.toCanvas(winding.left(), winding.bottom());
    const QPointF right = view.toCanvas(winding.right(), winding.bottom());
    const QPointF below(0, away);
    painter.drawLine(left + QPointF(0, 4), left + below + QPointF(0, 4));
    painter.drawLine(right + QPointF(0, 4), right + below + QPointF(0, 4));
    drawMeasure(painter, left + below, right + below,
                lengthText(winding.width(), review.lengthUnit), true, obstacles);

    const QPointF top = view.toCanvas(winding.left(), winding.top());
    const QPointF bottom = view.toCanvas(winding.left(), winding.bottom());
    const QPointF aside(-away, 0);
    painter.drawLine(top - QPointF(4, 0), top + aside - QPointF(4, 0));
    painter.drawLine(bottom - QPointF(4, 0), bottom + aside - QPointF(4, 0));
    drawMeasure(painter, top + aside, bottom + aside,
                lengthText(winding.height(), review.lengthUnit), false, obstacles);
}

void LayoutPainter::paintFindings(QPainter &painter, const QRectF &canvas,
                                  const ViewTransform &view) const
{
    const QList<Polygon> &polygons = review.layout.geometry.polygons;
    painter.setBrush(Qt::NoBrush);
    QSet<QByteArray> outlined; // a winding repeated on stacked levels, outlined once
    for (const DesignFinding &finding : review.findings) {
        painter.setPen(cosmeticPen(finding.isError() ? findingColour : warningColour));
        // A warning such as vertices off the grid may concern every polygon: only its place
        // is marked.
        for (int index : finding.isError() ? finding.polygons : QList<int>()) {
            if (index < 0 || index >= polygons.size())
                continue;
            const QByteArray key = outlineKey(polygons[index].points);
            if (outlined.contains(key))
                continue;
            outlined.insert(key);
            const QPolygonF shape = canvasPolygon(polygons[index].points, view, canvas);
            // Twice, a little apart: a wider pen would leave the raster engine's fast path.
            if (!shape.isEmpty()) {
                painter.drawPolygon(shape);
                painter.drawPolygon(shape.translated(0.8, 0.8));
            }
        }
        if (finding.location) {
            painter.setPen(cosmeticPen(finding.isError() ? findingColour : warningColour, 2));
            painter.drawEllipse(view.toCanvas(*finding.location), 7, 7);
        }
    }
}

void LayoutPainter::paintLegend(QPainter &painter, const QRectF &canvas) const
{
    struct Entry
    {
        QString text;
        int level; // -1: via, -2: finding
    };
    QList<Entry> entries;
    QList<bool> drawn(review.functionSetup.size(), false);
    bool vias = false;
    for (const Polygon &polygon : review.layout.geometry.polygons) {
        if (polygon.isVia())
            vias = true;
        else if (polygon.level < static_cast<unsigned>(drawn.size()))
            drawn[static_cast<int>(polygon.level)] = true;
    }
    for (int level = 0; level < review.functionSetup.size(); ++level) {
        if (!drawn[level] && review.functionSetup[level] == roleNone)
            continue;
        entries.append({QStringLiteral("Level %1: %2, %3")
                            .arg(level)
                            .arg(review.layerSetup.value(level, defaultLevelMetal),
                                 review.functionSetup[level]),
                        level});
    }
    if (vias)
        entries.append({QStringLiteral("Via"), -1});
    if (hasErrors(review.findings))
        entries.append({QStringLiteral("Error"), -2});
    if (entries.isEmpty())
        return;

    painter.setFont(sizedFont(painter.font(), 11));
    const QFontMetricsF metrics(painter.font());
    double width = 0;
    for (const Entry &entry : std::as_const(entries))
        width = std::max(width, metrics.horizontalAdvance(entry.text));
    const double line = metrics.height() + 3;
    const QRectF frame(canvas.topLeft() + QPointF(8, 8),
                       QSizeF(width + 36, line * static_cast<double>(entries.size()) + 8));
    painter.setPen(QPen(QColor(180, 180, 180), 1));
    painter.setBrush(QColor(255, 255, 255, 225));
    painter.drawRoundedRect(frame, 4, 4);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry &entry = entries[i];
        const QRectF swatch(frame.left() + 8,
                            frame.top() + 4 + line * static_cast<double>(i) + (line - 12) / 2, 12,
                            12);
        if (entry.level == -1) {
            painter.setPen(QPen(Qt::black, 1));
            painter.setBrush(viaFill);
        } else if (entry.level == -2) {
            painter.setPen(QPen(findingColour, 2));
            painter.setBrush(Qt::NoBrush);
        } else {
            const QColor colour = levelColour(entry.level);
            painter.setPen(QPen(colour.darker(150), 1));
            painter.setBrush(colour);
        }
        painter.drawRect(swatch);
        painter.setPen(QColor(30, 30, 30));
        painter.drawText(QRectF(swatch.right() + 8, frame.top() + 4 + line * static_cast<double>(i),
                                width + 4, line),
                         Qt::AlignVCenter | Qt::AlignLeft, entry.text);
    }
    painter.setBrush(Qt::NoBrush);
}

void LayoutPainter::paintNote(QPainter &painter, const QRectF &canvas) const
{
    if (review.note.isEmpty())
        return;
    QFont font = sizedFont(painter.font(), 11);
    font.setItalic(true);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QRectF frame(canvas.left() + 8, canvas.bottom() - metrics.height() - 14,
                       metrics.horizontalAdvance(review.note) + 12, metrics.height() + 6);
    painter.fillRect(frame, QColor(255, 255, 255, 225));
    painter.setPen(QColor(60, 60, 60));
    painter.drawText(frame, Qt::AlignCenter, review.note);
}

void LayoutPainter::paintFailure(QPainter &painter, const QRectF &canvas) const
{
    painter.setFont(sizedFont(painter.font(), 13));
    painter.setPen(QColor(150, 20, 20));
    const QRectF area = canvas.adjusted(24, 24, -24, -24);
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
                     QStringLiteral("No picture: ") + pictureFailureText(review));
}

} // namespace torvane
