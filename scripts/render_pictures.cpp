// Draws the shape pictures of the main window, the About picture and the program icon from the
// real spiral layouts on the built-in template: render_pictures OUTPUT_FOLDER
#include "core/spiral/differentialspiral.h"
#include "core/spiral/nsideddifferentialspiral.h"
#include "core/spiral/nsidedspiral.h"
#include "core/spiral/roundspiral.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace torvane;

namespace {
struct Stack
{
    ProjectDocument document = builtInTemplate();
    QStringList layerSetup;
    QStringList functionSetup;
    Stack() { readLayerSetup(document, layerSetup, functionSetup); }
};

QColor levelColour(const Polygon &polygon, const QStringList &roles)
{
    if (polygon.isVia())
        return QColor(60, 60, 60);
    const QString role = roles.value(static_cast<int>(polygon.level));
    if (role == roleBridge)
        return QColor(70, 110, 200);
    return QColor(205, 120, 45);
}

// Lower levels first, so the spiral level lies on top of its bridges; vias over both.
// `box` is the part of the project shown: the winding with the start of its feeds.
void paintLayout(QPainter &painter, const QRectF &target, const QRectF &box,
                 const ProjectDocument &document, const QStringList &roles)
{
    painter.setClipRect(target);
    const double scale = std::min(target.width() / box.width(), target.height() / box.height());
    const QPointF offset = target.center() - box.center() * scale;
    QList<const Polygon *> order;
    for (const Polygon &polygon : document.geometry.polygons)
        order.append(&polygon);
    std::stable_sort(order.begin(), order.end(), [](const Polygon *a, const Polygon *b) {
        if (a->isVia() != b->isVia())
            return !a->isVia();
        return a->level > b->level;
    });
    painter.setRenderHint(QPainter::Antialiasing);
    for (const Polygon *polygon : order) {
        QPolygonF shape;
        for (const Point &p : polygon->points)
            shape << QPointF(p.x, p.y) * scale + offset;
        const QColor colour = levelColour(*polygon, roles);
        painter.setPen(QPen(colour.darker(140), 1));
        painter.setBrush(colour);
        painter.drawPolygon(shape);
    }
}

bool save(const QImage &image, const QString &fileName)
{
    if (!image.save(fileName)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(fileName));
        return false;
    }
    std::printf("%s\n", qPrintable(fileName));
    return true;
}

// The menu and window icon: the round spiral on a light plate with a transparent surround.
bool renderIcon(const QString &fileName, int size)
{
    Stack stack;
    stack.document.geometry.clearGeometry();
    cRoundSpiral spiral(3.5, 14, 10, 5, 10, &stack.layerSetup, &stack.functionSetup);
    spiral.writeLayout(stack.document);
    const double extent = spiral.outerDiameter() * 1.08;
    const BoxSettings &box = stack.document.geometry.box;
    const QRectF view(box.xWidth / 2 - extent / 2, box.yWidth / 2 - extent / 2, extent, extent);
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate =
        QRectF(0, 0, size, size).adjusted(size / 32.0, size / 32.0, -size / 32.0, -size / 32.0);
    painter.setPen(QPen(QColor(150, 150, 150), size / 64.0));
    painter.setBrush(QColor(250, 248, 242));
    painter.drawRoundedRect(plate, size / 8.0, size / 8.0);
    const double inset = size / 9.0;
    paintLayout(painter, plate.adjusted(inset, inset, -inset, -inset), view, stack.document,
                stack.functionSetup);
    painter.end();
    return save(image, fileName);
}

// `layout` writes the spiral and returns its larger outer size.
bool render(const QString &fileName, QSize size, const std::function<double(Stack &)> &layout,
            const QString &caption = {})
{
    Stack stack;
    stack.document.geometry.clearGeometry();
    const double extent = layout(stack) * 1.3;
    const BoxSettings &box = stack.document.geometry.box;
    const QRectF view(box.xWidth / 2 - extent / 2, box.yWidth / 2 - extent / 2, extent, extent);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QRectF area = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(8, 8, -8, -8);
    if (!caption.isEmpty()) {
        const QRectF textArea(area.left(), area.bottom() - 28, area.width(), 28);
        area.setBottom(textArea.top() - 6);
        QFont font = painter.font();
        font.setPixelSize(20);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(QColor(40, 40, 40));
        painter.drawText(textArea, Qt::AlignCenter, caption);
    }
    paintLayout(painter, area, view, stack.document, stack.functionSetup);
    painter.end();
    return save(image, fileName);
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_pictures OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QSize tab(200, 200);
    bool ok = true;
    ok &= render(out.filePath("Round200.png"), tab, [](Stack &s) {
        cRoundSpiral spiral(3.25, 30, 10, 6, 10, &s.layerSetup, &s.functionSetup);
        spiral.writeLayout(s.document);
        return spiral.outerDiameter();
    });
    ok &= render(out.filePath("nSided200.png"), tab, [](Stack &s) {
        cNSidedSpiral spiral(8, 3.25, 30, 10, 6, 10, &s.layerSetup, &s.functionSetup);
        spiral.writeLayout(s.document);
        return std::max(spiral.sizeX(), spiral.sizeY());
    });
    ok &= render(out.filePath("diffround.png"), tab, [](Stack &s) {
        cDifferentialSpiral spiral(3, 40, 10, 6, 10, true, 10, true, &s.layerSetup,
                                   &s.functionSetup);
        spiral.writeLayout(s.document);
        return std::max(spiral.sizeX(), spiral.sizeY());
    });
    ok &= render(out.filePath("diffocta.png"), tab, [](Stack &s) {
        cNSidedDifferentialSpiral spiral(3, 8, 45, 10, 6, 10, true, 10, true, &s.layerSetup,
                                         &s.functionSetup);
        spiral.writeLayout(s.document);
        return std::max(spiral.sizeX(), spiral.sizeY());
    });
    ok &= render(
        out.filePath("spirale.png"), QSize(140, 170),
        [](Stack &s) {
            cRoundSpiral spiral(4, 20, 8, 5, 8, &s.layerSetup, &s.functionSetup);
            spiral.writeLayout(s.document);
            return spiral.outerDiameter();
        },
        QStringLiteral("Torvane"));
    ok &= renderIcon(out.filePath("torvane.png"), 256);
    return ok ? 0 : 1;
}
