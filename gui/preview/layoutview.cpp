#include "gui/preview/layoutview.h"

#include "core/render/layoutpainter.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using namespace torvane;

namespace {
// How far the user may zoom from the fitted view, out and in.
constexpr double zoomOutLimit = 1.0 / 20;
constexpr double zoomInLimit = 1e5;
} // namespace

LayoutView::LayoutView(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::CrossCursor);
}

void LayoutView::setReview(std::shared_ptr<const DesignReview> review)
{
    const bool sameBox =
        shown && review && shown->layout.geometry.box == review->layout.geometry.box;
    shown = std::move(review);
    // A zoomed-in view stays where the user put it as long as the box stays the same.
    if (!userView || !sameBox)
        fitAll();
    update();
}

void LayoutView::fitAll()
{
    userView = false;
    if (shown)
        transform = LayoutPainter(*shown).fittedView(QRectF(rect()));
    update();
}

void LayoutView::centreOn(const Point &point)
{
    const QPointF at = transform.toCanvas(point);
    transform = transform.panned(QRectF(rect()).center() - at);
    userView = true;
    update();
}

void LayoutView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!shown) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    LayoutPainter::Options options;
    options.note = false; // the panel shows it above the picture
    LayoutPainter(*shown).paint(painter, QRectF(rect()), transform, options);
}

void LayoutView::resizeEvent(QResizeEvent *)
{
    if (!userView)
        fitAll();
}

void LayoutView::wheelEvent(QWheelEvent *event)
{
    if (!shown)
        return;
    const double fitted = LayoutPainter(*shown).fittedView(QRectF(rect())).scale;
    const double wanted = transform.scale * std::pow(1.0015, event->angleDelta().y());
    const double scale = std::clamp(wanted, fitted * zoomOutLimit, fitted * zoomInLimit);
    transform = transform.zoomedAt(event->position(), scale / transform.scale);
    userView = true;
    update();
    event->accept();
}

void LayoutView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        dragFrom = event->position();
        setCursor(Qt::ClosedHandCursor);
    }
}

void LayoutView::mouseMoveEvent(QMouseEvent *event)
{
    if (dragFrom && (event->buttons() & Qt::LeftButton)) {
        transform = transform.panned(event->position() - *dragFrom);
        dragFrom = event->position();
        userView = true;
        update();
    }
    emit hovered(coordinatesText(event->position()));
}

void LayoutView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        dragFrom.reset();
        setCursor(Qt::CrossCursor);
    }
}

void LayoutView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        fitAll();
}

void LayoutView::leaveEvent(QEvent *)
{
    emit hovered(QString());
}

QString LayoutView::coordinatesText(const QPointF &canvasPoint) const
{
    if (!shown || !shown->hasPicture())
        return {};
    const Point at = transform.toProject(canvasPoint);
    // As many decimals as a pixel resolves, so the numbers do not jitter below that.
    const int decimals =
        std::clamp(static_cast<int>(std::ceil(-std::log10(1 / transform.scale))), 0, 6);
    const QLocale c = QLocale::c();
    return QStringLiteral("x %1, y %2 %3")
        .arg(c.toString(at.x, 'f', decimals), c.toString(at.y, 'f', decimals), shown->lengthUnit);
}
