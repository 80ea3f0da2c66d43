#pragma once

#include <QString>

namespace torvane {

// Whether the file name ends in a suffix the layout picture is written in (.svg, .png), any
// case. Apart from the drawing code, which needs QtGui, so that callers without it can check.
bool isLayoutPictureName(const QString &fileName);
// The suffix in lower case: "svg", "png", or another.
QString layoutPictureSuffix(const QString &fileName);

} // namespace torvane
