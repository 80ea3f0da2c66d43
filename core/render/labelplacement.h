#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace torvane {

// Where a measure's text goes: beside the measure from a to b (below or above a horizontal
// one, right or left of a vertical one), at its middle unless that covers one of `obstacles`
// (port numbers, leads), then further along it, then on its other side; always on `canvas` when
// that is not empty.
QRectF measureLabel(const QPointF &a, const QPointF &b, const QSizeF &size, bool belowOrRight,
                    const QRectF &canvas, const QList<QRectF> &obstacles);

} // namespace torvane
