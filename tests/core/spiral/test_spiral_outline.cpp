#include "core/spiral/centerlinepath.h"
#include "spiraltestsupport.h"

#include <QTest>

#include <cmath>
#include <numbers>

using namespace torvane;

using Points = QList<Point>;
constexpr double pi = std::numbers::pi;

class SpiralOutlineTest : public QObject
{
    Q_OBJECT

private slots:
    void direction_data();
    void direction();
    void miterPoint_data();
    void miterPoint();
    void outline_data();
    void outline();
    void shortPathLeavesPolygonAlone();
};

void SpiralOutlineTest::direction_data()
{
    QTest::addColumn<double>("dy");
    QTest::addColumn<double>("dx");
    QTest::addColumn<double>("angle");
    QTest::newRow("right") << 0.0 << 1.0 << 0.0;
    QTest::newRow("down right") << 1.0 << 1.0 << pi / 4;
    QTest::newRow("left") << 0.0 << -1.0 << pi;
    QTest::newRow("up left stays below 3pi/2") << -1.0 << -1.0 << 5 * pi / 4;
    QTest::newRow("down") << 1.0 << 0.0 << pi / 2;
    QTest::newRow("up") << -1.0 << 0.0 << -pi / 2;
    QTest::newRow("dx under threshold counts as vertical") << 1.0 << 1e-11 << pi / 2;
    QTest::newRow("zero vector") << 0.0 << 0.0 << -pi / 2;
}

void SpiralOutlineTest::direction()
{
    QFETCH(double, dy);
    QFETCH(double, dx);
    QFETCH(double, angle);
    QCOMPARE(CenterLinePath::direction(dy, dx), angle);
}

void SpiralOutlineTest::miterPoint_data()
{
    QTest::addColumn<Points>("abc");
    QTest::addColumn<double>("side");
    QTest::addColumn<Point>("corner");
    const Points rightAngle{{0, 0}, {10, 0}, {10, 10}};
    QTest::newRow("right angle, plus side") << rightAngle << pi / 2 << Point(9, 1);
    QTest::newRow("right angle, minus side") << rightAngle << -pi / 2 << Point(11, -1);
    QTest::newRow("straight") << Points{{0, 0}, {5, 0}, {10, 0}} << pi / 2 << Point(5, 1);
    // Up (-pi/2) then left (pi): the directions straddle the range limit.
    QTest::newRow("across the range limit")
        << Points{{0, 0}, {0, -10}, {-10, -10}} << pi / 2 << Point(1, -11);
}

void SpiralOutlineTest::miterPoint()
{
    QFETCH(Points, abc);
    QFETCH(double, side);
    QFETCH(Point, corner);
    COMPARE_POINTS(Points{CenterLinePath::miterPoint(abc[0], abc[1], abc[2], 1, side)},
                   Points{corner});
}

void SpiralOutlineTest::outline_data()
{
    QTest::addColumn<Points>("path");
    QTest::addColumn<double>("width");
    QTest::addColumn<Points>("outline");
    QTest::newRow("horizontal") << Points{{0, 0}, {10, 0}} << 2.0
                                << Points{{0, 1}, {10, 1}, {10, -1}, {0, -1}, {0, 1}};
    QTest::newRow("right angle") << Points{{0, 0}, {10, 0}, {10, 10}} << 2.0
                                 << Points{{0, 1},   {9, 1},  {9, 10}, {11, 10},
                                           {11, -1}, {0, -1}, {0, 1}};
    QTest::newRow("equal points point up")
        << Points{{0, 0}, {0, 0}} << 2.0 << Points{{1, 0}, {1, 0}, {-1, 0}, {-1, 0}, {1, 0}};
    QTest::newRow("leftward feed, vertex 1 on the wall")
        << Points{{135, 207.5}, {0, 207.5}} << 10.0
        << Points{{135, 202.5}, {0, 202.5}, {0, 212.5}, {135, 212.5}, {135, 202.5}};
}

void SpiralOutlineTest::outline()
{
    QFETCH(Points, path);
    QFETCH(double, width);
    QFETCH(Points, outline);
    CenterLinePath line(width);
    for (const Point &p : path)
        line.append(p);
    Polygon polygon;
    polygon.points = {Point(-7, -7)};
    line.outline(polygon);
    QCOMPARE(polygon.points.first(), Point(-7, -7)); // appends, never replaces
    polygon.points.removeFirst();
    COMPARE_POINTS(polygon.points, outline);
}

void SpiralOutlineTest::shortPathLeavesPolygonAlone()
{
    Polygon polygon;
    CenterLinePath line(4);
    line.outline(polygon);
    line.append(3, 4);
    line.outline(polygon);
    QVERIFY(polygon.points.isEmpty());
}

QTEST_APPLESS_MAIN(SpiralOutlineTest)
#include "test_spiral_outline.moc"
