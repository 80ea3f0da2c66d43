#pragma once

#include "core/design/result.h"

#include <QChart>
#include <QSize>
#include <QString>

// Writes the chart as SVG or PNG, chosen by the file's suffix, at `size` pixels; all or
// nothing; a failure carries the reason. Needs a QApplication, which may run on the offscreen
// platform.
torvane::Status writeChartPicture(const QString &fileName, QChart &chart, QSize size);
