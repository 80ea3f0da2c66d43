#include "core/spiral/nsidedspiral.h"
#include "core/spiral/roundspiral.h"
#include "spiraltestsupport.h"

#include <QTest>

using namespace torvane;

using Points = QList<Point>;

namespace {
// Lengths of every single-ended case below: R = 50, W = 10, S = 5, bridge 8, box 400 x 400.
constexpr double box = 400;
const QStringList metals{QStringLiteral("Lossless"), QStringLiteral("Gold")};

Points shifted(const Points &points, double by)
{
    Points out;
    for (const Point &p : points)
        out.append(Point(p.x + by, p.y + by));
    return out;
}
} // namespace

class SpiralLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void recordOrder();
    void roundWinding();
    void outerFeedSide_data();
    void outerFeedSide();
    void levelRoles_data();
    void levelRoles();
    void metalTypePerLevel();
    void nSidedWinding_data();
    void nSidedWinding();
    void nSidedFeedToTop();
};

void SpiralLayoutTest::recordOrder()
{
    ProjectDocument doc = makeDocument(box, box, 800, 800, 3, metals);
    const QStringList names{"Gold", "Lossless", "Lossless"};
    const QStringList roles{"bridge", "none", "spiral"};
    cRoundSpiral(2, 50, 10, 5, 8, &names, &roles).writeLayout(doc);

    const QList<Polygon> &polygons = doc.geometry.polygons;
    QCOMPARE(polygons.size(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(polygons[i].debugId, 10 + i);
    const QStringList fills{"N", "V", "N", "N", "N"};
    const QList<unsigned> levels{0, 2, 2, 2, 0};
    const QList<int> metalTypes{1, 0, 0, 0, -1};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(polygons[i].fillType, fills[i]);
        QCOMPARE(polygons[i].level, levels[i]);
        QCOMPARE(polygons[i].metalType, metalTypes[i]);
        QCOMPARE(polygons[i].isVia(), i == 4);
    }
    // Bridge from the pad's inner edge to the right wall; feed from the outer end (280, 200).
    COMPARE_POINTS(polygons[0].points,
                   (Points{{245, 204}, {245, 196}, {400, 196}, {400, 204}, {245, 204}}));
    QCOMPARE(polygons[1].points.size(), 2 * 72 + 4);
    COMPARE_POINTS(polygons[2].points,
                   (Points{{255, 205}, {245, 205}, {245, 195}, {255, 195}, {255, 205}}));
    COMPARE_POINTS(polygons[3].points,
                   (Points{{275, 205}, {275, 195}, {400, 195}, {400, 205}, {275, 205}}));
    COMPARE_POINTS(polygons[4].points, polygons[2].points);
    QCOMPARE(polygons[4].toLevel, 2);

    QCOMPARE(doc.geometry.ports, (QList<Port>{Port(2, 10, 2), Port(1, 13, 2)}));
    QCOMPARE(doc.geometry.referencePlanes.size(), 1);
    QCOMPARE(doc.geometry.referencePlanes[0].side, QStringLiteral("RIGHT"));
    QCOMPARE(doc.geometry.referencePlanes[0].type, QStringLiteral("FIX"));
    QCOMPARE(doc.geometry.referencePlanes[0].length, 115.0);
}

void SpiralLayoutTest::roundWinding()
{
    ProjectDocument doc = makeDocument(box, box, 800, 800, 1);
    const QStringList roles{"spiral"};
    cRoundSpiral(2.25, 50, 10, 5, 8, nullptr, &roles).writeLayout(doc);

    // 81 steps of 10 degrees: the radial end edge points straight up, 810 degrees round.
    const Points &points = doc.geometry.polygons[0].points;
    QCOMPARE(points.size(), 2 * 81 + 4);
    COMPARE_POINTS((Points{points[0], points[1], points[82], points[83], points.last()}),
                   (Points{{250, 200}, {255, 200}, {200, 111.25}, {200, 121.25}, {250, 200}}));
    // Centre line at 0 and 360 degrees one pitch apart.
    QVERIFY(qAbs(points[1 + 36].x - (255 + 15)) < 1e-9);
}

void SpiralLayoutTest::outerFeedSide_data()
{
    QTest::addColumn<int>("sides"); // 0: round
    QTest::addColumn<double>("turns");
    QTest::addColumn<QStringList>("planeSides");
    QTest::addColumn<double>("planeLength");
    QTest::addColumn<Points>("wallEdge"); // feed vertices 2 and 3
    const QStringList right{"RIGHT"};
    QTest::newRow("round 2: right") << 0 << 2.0 << right << 115.0 << Points{{400, 195}, {400, 205}};
    QTest::newRow("round 2.25: top")
        << 0 << 2.25 << QStringList{"TOP", "RIGHT"} << 111.25 << Points{{195, 0}, {205, 0}};
    QTest::newRow("round 2.5: left")
        << 0 << 2.5 << QStringList{"LEFT", "RIGHT"} << 107.5 << Points{{0, 205}, {0, 195}};
    QTest::newRow("round 2.75: bottom")
        << 0 << 2.75 << QStringList{"BOTTOM", "RIGHT"} << 103.75 << Points{{205, 400}, {195, 400}};
    // n-sided: the end's inner corner (outerEnd) less W from the wall it faces.
    QTest::newRow("square 2: right")
        << 4 << 2.0 << right << 115.0 << Points{{400, 195}, {400, 205}};
    QTest::newRow("square 2.25: top")
        << 4 << 2.25 << QStringList{"TOP", "RIGHT"} << 115.0 << Points{{196.25, 0}, {206.25, 0}};
    QTest::newRow("octagon 1.5: left") << 8 << 1.5 << QStringList{"LEFT", "RIGHT"} << 122.5
                                       << Points{{0, 205.303301}, {0, 195.303301}};
    QTest::newRow("pentagon 1.25: top, 6 sides drawn")
        << 5 << 1.25 << QStringList{"TOP", "RIGHT"} << 132.263067
        << Points{{216.468071, 0}, {226.468071, 0}};
}

void SpiralLayoutTest::outerFeedSide()
{
    QFETCH(int, sides);
    QFETCH(double, turns);
    QFETCH(QStringList, planeSides);
    QFETCH(double, planeLength);
    QFETCH(Points, wallEdge);
    ProjectDocument doc = makeDocument(box, box, 800, 800, 1);
    const QStringList roles{"spiral"};
    if (sides == 0)
        cRoundSpiral(turns, 50, 10, 5, 8, nullptr, &roles).writeLayout(doc);
    else
        cNSidedSpiral(sides, turns, 50, 10, 5, 8, nullptr, &roles).writeLayout(doc);

    const Polygon &feed = doc.geometry.polygons[2];
    COMPARE_POINTS(feed.points.mid(2, 2), wallEdge);
    QCOMPARE(doc.geometry.ports, QList<Port>{Port(1, feed.debugId, 2)});
    QStringList actualSides;
    for (const ReferencePlane &plane : doc.geometry.referencePlanes) {
        actualSides.append(plane.side);
        QVERIFY2(qAbs(plane.length - planeLength) < 1e-5,
                 qPrintable(QString::number(plane.length)));
    }
    QCOMPARE(actualSides, planeSides);
}

void SpiralLayoutTest::levelRoles_data()
{
    QTest::addColumn<QStringList>("roles");
    QTest::addColumn<QList<int>>("polygonLevels"); // via excluded
    QTest::addColumn<QList<int>>("portNumbers");
    QTest::addColumn<int>("viaFrom");
    QTest::addColumn<int>("viaTo");
    QTest::newRow("two spiral levels")
        << QStringList{"spiral", "spiral"} << QList<int>{0, 0, 0, 1, 1, 1} << QList<int>{1, 1} << 0
        << 1;
    QTest::newRow("roles are case-sensitive")
        << QStringList{"Spiral", "bridge", "none"} << QList<int>{1} << QList<int>{2} << 0 << 1;
    QTest::newRow("all none: via from the level count to 0")
        << QStringList{"none", "none", "none"} << QList<int>{} << QList<int>{} << 3 << 0;
    QTest::newRow("no levels") << QStringList{} << QList<int>{} << QList<int>{} << 0 << 0;
}

void SpiralLayoutTest::levelRoles()
{
    QFETCH(QStringList, roles);
    QFETCH(QList<int>, polygonLevels);
    QFETCH(QList<int>, portNumbers);
    QFETCH(int, viaFrom);
    QFETCH(int, viaTo);
    ProjectDocument doc = makeDocument(box, box, 800, 800, 3, metals);
    cRoundSpiral(2, 50, 10, 5, 8, nullptr, &roles).writeLayout(doc);

    QList<Polygon> polygons = doc.geometry.polygons;
    const Polygon via = polygons.takeLast();
    QList<int> levels;
    for (const Polygon &polygon : polygons)
        levels.append(int(polygon.level));
    QCOMPARE(levels, polygonLevels);
    QList<int> ports;
    for (const Port &port : doc.geometry.ports)
        ports.append(port.portNumber);
    QCOMPARE(ports, portNumbers);
    QVERIFY(via.isVia());
    QCOMPARE(int(via.level), viaFrom);
    QCOMPARE(via.toLevel, viaTo);
}

void SpiralLayoutTest::metalTypePerLevel()
{
    ProjectDocument doc = makeDocument(box, box, 800, 800, 3, {"Lossless", "Gold", "Gold"});
    // Level 1's name differs in case only; level 2 has no name at all.
    const QStringList names{"Gold", "gold"};
    const QStringList roles{"spiral", "spiral", "spiral"};
    cNSidedSpiral(8, 2, 50, 10, 5, 8, &names, &roles).writeLayout(doc);
    const QList<Polygon> &polygons = doc.geometry.polygons;
    QCOMPARE(polygons.size(), 10);
    const QList<int> perLevel{1, -1, -1};
    for (int i = 0; i < 9; ++i)
        QCOMPARE(polygons[i].metalType, perLevel[i / 3]);
}

void SpiralLayoutTest::nSidedWinding_data()
{
    QTest::addColumn<int>("sides");
    QTest::addColumn<double>("turns");
    QTest::addColumn<double>("radius");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<int>("pointCount");
    QTest::addColumn<Point>("outerEnd"); // relative to the box centre
    QTest::addColumn<QString>("fill");
    QTest::newRow("square, 2 turns")
        << 4 << 2.0 << 50.0 << 10.0 << 5.0 << 22 << Point(75, 0) << "N";
    QTest::newRow("square, 2.25 turns")
        << 4 << 2.25 << 50.0 << 10.0 << 5.0 << 24 << Point(-3.75, -75) << "N";
    QTest::newRow("hexagon, 3 turns")
        << 6 << 3.0 << 40.0 << 8.0 << 4.0 << 42 << Point(72, 0) << "V";
    QTest::newRow("octagon, 1.5 turns ends left")
        << 8 << 1.5 << 50.0 << 10.0 << 5.0 << 30 << Point(-67.5, 5.303301) << "V";
    QTest::newRow("pentagon, 1.25 turns: floor(6.25) sides")
        << 5 << 1.25 << 50.0 << 10.0 << 5.0 << 18 << Point(16.468071, -57.736933) << "V";
}

void SpiralLayoutTest::nSidedWinding()
{
    QFETCH(int, sides);
    QFETCH(double, turns);
    QFETCH(double, radius);
    QFETCH(double, width);
    QFETCH(double, spacing);
    QFETCH(int, pointCount);
    QFETCH(Point, outerEnd);
    QFETCH(QString, fill);
    ProjectDocument doc = makeDocument(box, box, 800, 800, 1);
    const QStringList roles{"spiral"};
    cNSidedSpiral spiral(sides, turns, radius, width, spacing, 8, nullptr, &roles);
    spiral.writeLayout(doc);

    const Polygon &winding = doc.geometry.polygons[0];
    QCOMPARE(winding.fillType, fill);
    QCOMPARE(winding.points.size(), pointCount);
    const Point end = shifted({outerEnd}, 200)[0];
    COMPARE_POINTS((Points{Point(spiral.outerEndX(), spiral.outerEndY())}), Points{end});
    COMPARE_POINTS(Points{winding.points[pointCount / 2]}, Points{end});
    if (sides == 4 && turns == 2.0) {
        const Points expected{{50, 0},   {55, 0},   {55, -55},    {-62.5, -55}, {-62.5, 70},
                              {70, 70},  {70, -70}, {-77.5, -70}, {-77.5, 85},  {85, 85},
                              {85, 0},   {75, 0},   {75, 75},     {-67.5, 75},  {-67.5, -60},
                              {60, -60}, {60, 60},  {-52.5, 60},  {-52.5, -45}, {45, -45},
                              {45, 0},   {50, 0}};
        COMPARE_POINTS(winding.points, shifted(expected, 200));
    }
}

void SpiralLayoutTest::nSidedFeedToTop()
{
    ProjectDocument doc = makeDocument(box, box, 800, 800, 1);
    const QStringList roles{"spiral"};
    cNSidedSpiral(4, 2.25, 50, 10, 5, 8, nullptr, &roles).writeLayout(doc);
    // Centre line from (1.25, -80) up to half a width below the wall, square ends.
    COMPARE_POINTS(doc.geometry.polygons[2].points,
                   (Points{{206.25, 125}, {196.25, 125}, {196.25, 0}, {206.25, 0}, {206.25, 125}}));
}

QTEST_APPLESS_MAIN(SpiralLayoutTest)
#include "test_spiral_layout.moc"
