#include "core/render/labelplacement.h"

#include <algorithm>
#include <cmath>

namespace torvane {

QRectF measureLabel(const QPointF &a, const QPointF &b, const QSizeF &size, bool belowOrRight,
                    const QRectF &canvas, const QList<QRectF> &obstacles)
{
    const bool vertical = std::fabs(a.x() - b.x()) < std::fabs(a.y() - b.y());
    const auto placed = [&](double along, bool side) {
        const QPointF at = a + (b - a) * along;
        QRectF label(QPointF(), size);
        if (vertical)
            label.moveCenter(at + QPointF(side ? size.width() / 2 + 4 : -size.width() / 2 - 4, 0));
        else
            label.moveCenter(at +
                             QPointF(0, side ? size.height() / 2 + 2 : -size.height() / 2 - 2));
        // Kept on the canvas, even where the layout reaches its edge.
        if (!canvas.isEmpty()) {
            label.moveLeft(std::clamp(label.left(), canvas.left(),
                                      std::max(canvas.left(), canvas.right() - label.width())));
            label.moveTop(std::clamp(label.top(), canvas.top(),
                                     std::max(canvas.top(), canvas.bottom() - label.height())));
        }
        return label;
    };
    // Along its own side first: the other side of a winding's measure is the winding.
    for (const bool side : {belowOrRight, !belowOrRight}) {
        for (const double along : {0.5, 0.25, 0.75, 0.1, 0.9}) {
            const QRectF label = placed(along, side);
            if (std::none_of(obstacles.begin(), obstacles.end(),
                             [&](const QRectF &obstacle) { return obstacle.intersects(label); }))
                return label;
        }
    }
    return placed(0.5, belowOrRight);
}

} // namespace torvane
