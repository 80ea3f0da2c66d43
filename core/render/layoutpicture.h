#pragma once

#include "core/design/designreview.h"
#include "core/export/picturename.h"

#include <QSize>
#include <QString>

// Writes the preview picture of a review as SVG or PNG, chosen by the file's suffix, fitted to
// `size` pixels. Returns 0, or 1 with the reason in errorText when the file cannot be written.
// Needs a QGuiApplication (for fonts), which may run on the offscreen platform.
int writeLayoutPicture(const QString &fileName, const DesignReview &review, QSize size,
                       QString *errorText = nullptr);
