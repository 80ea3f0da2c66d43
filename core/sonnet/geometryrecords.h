#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <limits>
#include <optional>

namespace torvane {

// A vertex in the project's length unit; y grows downwards from the box's top-left corner.
struct Point
{
    double x = 0;
    double y = 0;

    Point() = default;
    Point(double x, double y) : x(x), y(y) {}
    bool operator==(const Point &) const = default;
};

// Ties a port or a reference plane to one vertex of a polygon.
struct PolygonLink
{
    int polygonId = 0;
    int vertexIndex = 0;
    int count = 1;

    PolygonLink() = default;
    PolygonLink(int polygonId, int vertexIndex) : polygonId(polygonId), vertexIndex(vertexIndex) {}
    bool operator==(const PolygonLink &) const = default;
};

inline const QString viaPolygonType = QStringLiteral("VIA POLYGON");

// A via's "TOLEVEL GND": the ground plane under every metal level, so it orders after them.
inline constexpr int groundLevel = std::numeric_limits<int>::max();
// A level as the file names it: its number, or "GND".
QString levelText(int level);

struct Polygon
{
    QString type; // empty for metal, "VIA POLYGON" for a via, else the type line as read
    unsigned level = 0;
    int toLevel = 0;
    int metalType = -1;
    QString fillType = QStringLiteral("N");
    int debugId = 0;
    std::array<int, 7> headerIntegers{1, 1, 100, 100, 0, 0, 0};
    QString headerFlag = QStringLiteral("Y");
    // Keyword lines (such as "TLAYNAM ...") that newer simulator versions put between the
    // header and the points; kept so that such files are read completely. A via's first entry
    // that begins with a blank is the rest of its TOLEVEL line (" RING NOCOVERS") instead:
    // a field of its own would make every polygon of a large project larger.
    QStringList extraLines;
    QList<Point> points;

    Polygon() = default;
    Polygon(int debugId, unsigned level, int metalType, const QString &fillType);
    bool operator==(const Polygon &) const = default;

    // Square of side 2*halfSide centred on (x, y), counter-clockwise from the lower right.
    static Polygon square(double x, double y, double halfSide);
    static Polygon viaSquare(double x, double y, double halfSide, unsigned level, int toLevel);
    void makeVia(unsigned level, int toLevel);
    bool isVia() const { return type == viaPolygonType; }
};

struct Port
{
    QString type = QStringLiteral("STD");
    PolygonLink link;
    int portNumber = 0;
    std::array<double, 6> portReals{50, 0, 0, 0, 0, 0};
    QString extraWord; // "AGND" ports only
    double extraReal = 0;
    QString rest = {}; // further words on the line of the port's values, written back after them

    Port() = default;
    Port(int portNumber, int polygonId, int vertexIndex);
    bool operator==(const Port &) const = default;
};

struct ReferencePlane
{
    QString side; // "LEFT", "RIGHT", "TOP", "BOTTOM"
    QString type; // "FIX" for a fixed length
    double length = 0;
    std::optional<PolygonLink> link;
    QString rest = {}; // further words on a fixed plane's line, written back after its length

    bool operator==(const ReferencePlane &) const = default;
};

// "EVIA"/"EVIAS" lines: held as read, never written.
struct EviaRecord
{
    unsigned valueA = 0;
    int valueB = 0;
    int valueC = 0;

    bool operator==(const EviaRecord &) const = default;
};

} // namespace torvane
