#pragma once

#include "core/sonnet/projectdocument.h"

#include <QString>

namespace torvane {

// How big a laid-out project is: its polygon points, and about how many bytes it takes once
// written (the points dominate; a point takes about 24 bytes).
struct LayoutSize
{
    qint64 points = 0;
    qint64 approximateBytes = 0;

    bool operator==(const LayoutSize &) const = default;
};

LayoutSize measureLayout(const ProjectDocument &document);

// More than a million points or 100 MB of output: usually a template with far more "spiral"
// levels than meant.
bool isLargeLayout(const LayoutSize &size);

// Empty when the layout is of a usual size, else a sentence naming the size, such as
// "Unusually large layout: 3600000 points, about 3.6 GB of output."
QString largeLayoutWarning(const LayoutSize &size);

} // namespace torvane
