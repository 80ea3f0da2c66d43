#pragma once

#include "core/design/designreview.h"
#include "core/render/viewtransform.h"

#include <QWidget>

#include <memory>
#include <optional>

// The canvas of the preview: draws a reviewed layout with the shared painter. The mouse wheel
// zooms around the cursor, dragging pans, a double click fits the whole layout again; until
// the user zooms or pans, every new layout and every resize is fitted.
class LayoutView : public QWidget
{
    Q_OBJECT

public:
    explicit LayoutView(QWidget *parent = nullptr);

    void setReview(std::shared_ptr<const torvane::DesignReview> review);
    const torvane::DesignReview *review() const { return shown.get(); }
    const torvane::ViewTransform &view() const { return transform; }
    // Centres the view on a project point without changing the zoom.
    void centreOn(const torvane::Point &point);
    void fitAll();

    QSize sizeHint() const override { return {420, 420}; }
    QSize minimumSizeHint() const override { return {160, 160}; }

signals:
    // The project coordinates under the mouse, as "x 12.5, y 30 um"; empty when it leaves.
    void hovered(const QString &coordinates);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QString coordinatesText(const QPointF &canvasPoint) const;

    std::shared_ptr<const torvane::DesignReview> shown;
    torvane::ViewTransform transform;
    bool userView = false; // zoomed or panned by the user since the last fit
    std::optional<QPointF> dragFrom;
};
