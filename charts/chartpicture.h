#pragma once

#include <QChart>
#include <QSize>
#include <QString>

// Writes the chart as SVG or PNG, chosen by the file's suffix, at `size` pixels; all or
// nothing. Returns 0, or 1 with the reason in errorText. Needs a QApplication, which may run on
// the offscreen platform.
int writeChartPicture(const QString &fileName, QChart &chart, QSize size,
                      QString *errorText = nullptr);
