#include "spiraltestsupport.h"

#include <cmath>

using namespace torvane;

ProjectDocument makeDocument(double width, double height, int xCells2, int yCells2, int levels,
                             const QStringList &metalNames)
{
    ProjectDocument document;
    GeometryBlock &geometry = document.geometry;
    geometry.box.xWidth = width;
    geometry.box.yWidth = height;
    geometry.box.xCells2 = xCells2;
    geometry.box.yCells2 = yCells2;
    for (int i = 0; i <= levels; ++i) {
        DielectricLayer layer;
        layer.thickness = 10;
        layer.name = QStringLiteral("Layer %1").arg(i);
        geometry.dielectricLayers.append(layer);
    }
    for (const QString &name : metalNames)
        geometry.metalTypes.append(
            MetalType{QStringLiteral("MET"), name, 0, QStringLiteral("SUP"), QString()});
    return document;
}

static QString text(const Point &p)
{
    return QStringLiteral("(%1, %2)").arg(p.x, 0, 'g', 10).arg(p.y, 0, 'g', 10);
}

QString pointsDiffer(const QList<Point> &actual, const QList<Point> &expected, double tolerance)
{
    if (actual.size() != expected.size())
        return QStringLiteral("%1 points, expected %2").arg(actual.size()).arg(expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        if (std::fabs(actual[i].x - expected[i].x) > tolerance ||
            std::fabs(actual[i].y - expected[i].y) > tolerance)
            return QStringLiteral("point %1 is %2, expected %3")
                .arg(i)
                .arg(text(actual[i]), text(expected[i]));
    }
    return QString();
}
