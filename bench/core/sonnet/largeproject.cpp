#include "bench/core/sonnet/largeproject.h"

#include "core/template/builtintemplate.h"

#include <QRandomGenerator>

#include <cmath>

using namespace torvane;

ProjectDocument largeProject(int polygonCount)
{
    ProjectDocument document = builtInTemplate();
    QRandomGenerator random(1);
    document.geometry.polygons.reserve(polygonCount);
    for (int i = 0; i < polygonCount; ++i) {
        Polygon polygon(10 + i, static_cast<unsigned>(i % 4), i % 2, QStringLiteral("V"));
        const double cx = random.bounded(4000.0);
        const double cy = random.bounded(4000.0);
        for (int k = 0; k < 17; ++k) {
            const double angle = k * 0.3926990816987241;
            polygon.points.append(
                {cx + 1000.123456 * std::cos(angle), cy + 1000.654321 * std::sin(angle)});
        }
        polygon.points.append(polygon.points.constFirst());
        document.geometry.polygons.append(polygon);
    }
    return document;
}
