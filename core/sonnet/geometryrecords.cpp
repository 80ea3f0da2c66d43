#include "core/sonnet/geometryrecords.h"

namespace torvane {

Polygon::Polygon(int debugId, unsigned level, int metalType, const QString &fillType)
    : level(level), metalType(metalType), fillType(fillType), debugId(debugId)
{}

Polygon Polygon::square(double x, double y, double halfSide)
{
    Polygon polygon;
    const double h = halfSide;
    polygon.points = {
        {x + h, y + h}, {x - h, y + h}, {x - h, y - h}, {x + h, y - h}, {x + h, y + h}};
    return polygon;
}

QString levelText(int level)
{
    return level == groundLevel ? QStringLiteral("GND") : QString::number(level);
}

Polygon Polygon::viaSquare(double x, double y, double halfSide, unsigned level, int toLevel)
{
    Polygon polygon = square(x, y, halfSide);
    polygon.makeVia(level, toLevel);
    return polygon;
}

void Polygon::makeVia(unsigned level, int toLevel)
{
    type = viaPolygonType;
    this->level = level;
    this->toLevel = toLevel;
}

Port::Port(int portNumber, int polygonId, int vertexIndex)
    : link(polygonId, vertexIndex), portNumber(portNumber)
{}

} // namespace torvane
