#pragma once

#include "core/design/designreview.h"
#include "core/design/result.h"
#include "core/export/picturename.h"

#include <QSize>
#include <QString>

namespace torvane {

// Writes the preview picture of a review as SVG or PNG, chosen by the file's suffix, fitted to
// `size` pixels; a failure carries the reason the file cannot be written.
// Needs a QGuiApplication (for fonts), which may run on the offscreen platform.
torvane::Status writeLayoutPicture(const QString &fileName, const DesignReview &review, QSize size);

} // namespace torvane
