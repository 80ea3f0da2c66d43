#include "core/spiral/differentialspiral.h"
#include "core/spiral/nsideddifferentialspiral.h"
#include "core/spiral/nsidedspiral.h"
#include "spiraltestsupport.h"

#include <QSet>
#include <QTest>

#include <cmath>
#include <memory>
#include <numbers>

using namespace torvane;

using Points = QList<Point>;

namespace {
// Box 400 x 400 with a cell of 1; R = 50, W = 10, S = 5 unless a row says otherwise.
constexpr double c = 200;
constexpr double band = 7.5 + 5 / std::numbers::sqrt2; // pitch/2 + gap
const QStringList bridgeThenSpiral{"bridge", "spiral"};

std::unique_ptr<cDifferentialSpiral> makeDifferential(int sides, double turns, double bridge,
                                                      bool centerTap, const QStringList *roles,
                                                      bool feedAuto = true,
                                                      double feedSpacing = 100)
{
    if (sides == 0)
        return std::make_unique<cDifferentialSpiral>(turns, 50, 10, 5, bridge, feedAuto,
                                                     feedSpacing, centerTap, nullptr, roles);
    return std::make_unique<cNSidedDifferentialSpiral>(turns, sides, 50, 10, 5, bridge, feedAuto,
                                                       feedSpacing, centerTap, nullptr, roles);
}

ProjectDocument layout(cRoundSpiral &spiral, int yCells2 = 800)
{
    ProjectDocument doc = makeDocument(400, 400, 800, yCells2, 4, {"Lossless"});
    spiral.writeLayout(doc);
    return doc;
}

QList<Polygon> vias(const ProjectDocument &doc)
{
    QList<Polygon> out;
    for (const Polygon &polygon : doc.geometry.polygons) {
        if (polygon.isVia())
            out.append(polygon);
    }
    return out;
}

// Centre and width of a via outlined from a short two-point path.
Point viaCentre(const Polygon &via)
{
    return Point((via.points[0].x + via.points[2].x) / 2, (via.points[0].y + via.points[2].y) / 2);
}

double viaWidthOf(const Polygon &via)
{
    return std::hypot(via.points[0].x - via.points[3].x, via.points[0].y - via.points[3].y);
}
} // namespace

class SpiralDifferentialTest : public QObject
{
    Q_OBJECT

private slots:
    void workedExample();
    void joinsAndCrossings_data();
    void joinsAndCrossings();
    void feedJoins_data();
    void feedJoins();
    void centerTap_data();
    void centerTap();
    void stackedLevelVias_data();
    void stackedLevelVias();
    void polygonHalfTurn_data();
    void polygonHalfTurn();
    void nSidedMatchesRound_data();
    void nSidedMatchesRound();
    void debugIdsConsecutive_data();
    void debugIdsConsecutive();
    void layoutIsRepeatable();
};

void SpiralDifferentialTest::workedExample()
{
    cDifferentialSpiral spiral(2, 50, 10, 5, 10, true, 100, true, nullptr, &bridgeThenSpiral);
    const ProjectDocument doc = layout(spiral);

    const QList<CenterLinePath> &winding = spiral.windingPaths();
    QCOMPARE(winding.size(), 4 + 1 + 1 + 2); // half-turns, join, crossing, feeds; no feed joins
    const Points upper0 = winding[0].points;
    QCOMPARE(upper0.size(), 34);
    COMPARE_POINTS((Points{upper0[0], upper0[1], upper0[32], upper0[33]}),
                   (Points{{255, 188.9645}, {255, 185.4289}, {145, 185.4289}, {145, 188.9645}}));
    COMPARE_POINTS(winding[1].points.mid(0, 2), (Points{{255, 211.0355}, {255, 214.5711}}));
    COMPARE_POINTS(winding[4].points, (Points{{145, 211.0355}, {145, 188.9645}}));
    COMPARE_POINTS(winding[5].points,
                   (Points{{255, 211.0355}, {255, 207.5}, {270, 192.5}, {270, 188.9645}}));
    COMPARE_POINTS(winding[6].points, (Points{{135, 207.5}, {0, 207.5}}));
    COMPARE_POINTS(winding[7].points, (Points{{135, 192.5}, {0, 192.5}}));
    QCOMPARE(spiral.crossingPaths().size(), 1);
    COMPARE_POINTS(spiral.crossingPaths()[0].points,
                   (Points{{255, 188.9645}, {255, 192.5}, {270, 207.5}, {270, 211.0355}}));

    const QList<CenterLinePath> &tap = spiral.centerTapPaths();
    QCOMPARE(tap.size(), 4);
    COMPARE_POINTS(tap[0].points, (Points{{140, 200}, {235, 200}}));
    COMPARE_POINTS(tap[1].points,
                   (Points{{240, 200}, {240, 221.0355}, {285, 221.0355}, {285, 200}}));
    COMPARE_POINTS(tap[2].points,
                   (Points{{240, 200}, {240, 178.9645}, {285, 178.9645}, {285, 200}}));
    COMPARE_POINTS(tap[3].points, (Points{{290, 200}, {400, 200}}));

    // Bridge level: underpass (10), tap paths (11-14); spiral level: 15-22; vias 23-25.
    const QList<Polygon> &polygons = doc.geometry.polygons;
    QCOMPARE(polygons.size(), 16);
    const QList<CenterLinePath> drawn = spiral.crossingPaths() + tap + winding;
    QString fills;
    for (qsizetype i = 0; i < polygons.size(); ++i) {
        QCOMPARE(polygons[i].debugId, 10 + i);
        QCOMPARE(polygons[i].level, i < 5 || i > 12 ? 0u : 1u);
        fills += polygons[i].fillType;
        if (i < drawn.size()) {
            Polygon outline;
            drawn[i].outline(outline);
            QCOMPARE(polygons[i].points, outline.points);
        }
    }
    QCOMPARE(fills, QStringLiteral("VNNNNVVVVVVNNNNN"));
    QCOMPARE(doc.geometry.ports, (QList<Port>{Port(3, 14, 1), Port(2, 21, 1), Port(1, 22, 1)}));
    // The port vertices lie on the walls the leads run to.
    QCOMPARE(polygons[4].points[1].x, 400.0);
    QVERIFY(qAbs(polygons[11].points[1].x) < 1e-9 && qAbs(polygons[12].points[1].x) < 1e-9);

    // Underpass end, underpass start, tap on the inner join; each 8 wide, 0.1 or 1 long.
    const QList<Polygon> viaList = vias(doc);
    QCOMPARE(viaList.size(), 3);
    COMPARE_POINTS(
        viaList[0].points,
        (Points{
            {274, 211.0355}, {274, 210.9355}, {266, 210.9355}, {266, 211.0355}, {274, 211.0355}}));
    COMPARE_POINTS(
        viaList[1].points,
        (Points{
            {251, 188.9645}, {251, 189.0645}, {259, 189.0645}, {259, 188.9645}, {251, 188.9645}}));
    COMPARE_POINTS(viaList[2].points,
                   (Points{{141, 199.5}, {141, 200.5}, {149, 200.5}, {149, 199.5}, {141, 199.5}}));
    for (const Polygon &via : viaList) {
        QCOMPARE(via.level, 0u);
        QCOMPARE(via.toLevel, 1);
        QCOMPARE(via.metalType, -1);
        QCOMPARE(via.fillType, QStringLiteral("N"));
    }

    const QList<ReferencePlane> &planes = doc.geometry.referencePlanes;
    QCOMPARE(planes.size(), 2);
    QCOMPARE(planes[0].side, QStringLiteral("LEFT"));
    QCOMPARE(planes[0].length, 125.0);
    QCOMPARE(planes[1].side, QStringLiteral("RIGHT"));
    QCOMPARE(planes[1].length, 110.0);
}

void SpiralDifferentialTest::joinsAndCrossings_data()
{
    // x relative to the centre; r(i) = 55 + 15 i.
    QTest::addColumn<double>("turns");
    QTest::addColumn<double>("joinX");
    QTest::addColumn<QList<double>>("crossingX"); // right side first, then left
    QTest::newRow("1: join right, no crossings") << 1.0 << 55.0 << QList<double>{};
    QTest::newRow("2: join left, one on the right") << 2.0 << -55.0 << QList<double>{55};
    QTest::newRow("3: right base cx + pitch, left base cx")
        << 3.0 << 55.0 << QList<double>{70, -70};
    QTest::newRow("4") << 4.0 << -55.0 << QList<double>{55, 85, -85};
}

void SpiralDifferentialTest::joinsAndCrossings()
{
    QFETCH(double, turns);
    QFETCH(double, joinX);
    QFETCH(QList<double>, crossingX);
    for (int sides : {0, 6}) {
        const auto spiral = makeDifferential(sides, turns, 10, false, &bridgeThenSpiral);
        layout(*spiral);
        const QList<CenterLinePath> &winding = spiral->windingPaths();
        const qsizetype halves = 2 * qsizetype(turns);
        QCOMPARE(winding.size(), halves + 1 + crossingX.size() + 2);
        COMPARE_POINTS(winding[halves].points,
                       (Points{{c + joinX, c + band}, {c + joinX, c - band}}));
        QCOMPARE(spiral->crossingPaths().size(), crossingX.size());
        for (qsizetype k = 0; k < crossingX.size(); ++k) {
            const double u = c + crossingX[k];
            // The branch leaves the lower half-turn at u, the underpass the upper one.
            COMPARE_POINTS(
                winding[halves + 1 + k].points,
                (Points{{u, c + band}, {u, c + 7.5}, {u + 15, c - 7.5}, {u + 15, c - band}}));
            COMPARE_POINTS(
                spiral->crossingPaths()[k].points,
                (Points{{u, c - band}, {u, c - 7.5}, {u + 15, c + 7.5}, {u + 15, c + band}}));
        }
    }
}

void SpiralDifferentialTest::feedJoins_data()
{
    QTest::addColumn<int>("yCells2");
    QTest::addColumn<bool>("feedAuto");
    QTest::addColumn<double>("feedSpacing");
    QTest::addColumn<double>("bandEdge"); // pitch/2 + gap
    QTest::addColumn<double>("feedEdge"); // fs/2 + W; joins only when bandEdge exceeds it
    QTest::newRow("auto takes the spacing, not the field") << 800 << true << 1.0 << band << 12.5;
    QTest::newRow("narrow feeds get joins") << 800 << false << 1.0 << band << 10.5;
    QTest::newRow("cell 4 sets the gap") << 200 << false << 2.0 << 11.5 << 11.0;
    QTest::newRow("wide feeds overlap the half-turns") << 800 << false << 20.0 << band << 20.0;
}

void SpiralDifferentialTest::feedJoins()
{
    QFETCH(int, yCells2);
    QFETCH(bool, feedAuto);
    QFETCH(double, feedSpacing);
    QFETCH(double, bandEdge);
    QFETCH(double, feedEdge);
    const auto spiral = makeDifferential(0, 2, 10, false, &bridgeThenSpiral, feedAuto, feedSpacing);
    layout(*spiral, yCells2);
    const QList<CenterLinePath> &winding = spiral->windingPaths();
    // Outer turn centre line at cx - r(1) = 130.
    QList<CenterLinePath> joins = winding.mid(6, winding.size() - 8);
    if (bandEdge > feedEdge) {
        QCOMPARE(joins.size(), 2);
        COMPARE_POINTS(joins[0].points, (Points{{130, c + bandEdge}, {130, c + feedEdge}}));
        COMPARE_POINTS(joins[1].points, (Points{{130, c - bandEdge}, {130, c - feedEdge}}));
    } else {
        QCOMPARE(joins.size(), 0);
    }
    const double feedY = feedEdge - 5; // fs/2 + W/2
    COMPARE_POINTS(winding[winding.size() - 2].points, (Points{{135, c + feedY}, {0, c + feedY}}));
    COMPARE_POINTS(winding.last().points, (Points{{135, c - feedY}, {0, c - feedY}}));
}

void SpiralDifferentialTest::centerTap_data()
{
    // Bridge width 6 throughout, so min(W, B) differs from W.
    QTest::addColumn<double>("turns");
    QTest::addColumn<bool>("tap");
    QTest::addColumn<int>("tapPaths");
    QTest::addColumn<double>("leadStart");
    QTest::addColumn<double>("viaX");
    QTest::addColumn<double>("viaWidth");
    QTest::newRow("1 turn: two W/2 stubs") << 1.0 << true << 3 << 258.0 << 255.0 << 4.0;
    QTest::newRow("2 turns: bar, via half a width in") << 2.0 << true << 4 << 288.0 << 145.0 << 8.0;
    QTest::newRow("3 turns: detours from the join") << 3.0 << true << 3 << 303.0 << 255.0 << 4.0;
    QTest::newRow("no tap") << 2.0 << false << 0 << 0.0 << 0.0 << 0.0;
}

void SpiralDifferentialTest::centerTap()
{
    QFETCH(double, turns);
    QFETCH(bool, tap);
    QFETCH(int, tapPaths);
    QFETCH(double, leadStart);
    QFETCH(double, viaX);
    QFETCH(double, viaWidth);
    const auto spiral = makeDifferential(0, turns, 6, tap, &bridgeThenSpiral);
    const ProjectDocument doc = layout(*spiral);
    const QList<CenterLinePath> &paths = spiral->centerTapPaths();
    QCOMPARE(paths.size(), tapPaths);

    QList<int> portNumbers;
    for (const Port &port : doc.geometry.ports)
        portNumbers.append(port.portNumber);
    const QList<ReferencePlane> &planes = doc.geometry.referencePlanes;
    const QList<Polygon> viaList = vias(doc);
    QCOMPARE(viaList.size(), 2 * spiral->crossingPaths().size() + (tap ? 1 : 0));
    if (!tap) {
        QCOMPARE(portNumbers, (QList<int>{2, 1}));
        QCOMPARE(planes.size(), 1);
        QCOMPARE(planes[0].side, QStringLiteral("LEFT"));
        return;
    }
    QCOMPARE(portNumbers, (QList<int>{3, 2, 1}));
    COMPARE_POINTS(paths.last().points, (Points{{leadStart, c}, {400, c}}));
    QCOMPARE(paths.last().width, 10.0);
    QCOMPARE(planes.size(), 2);
    QCOMPARE(planes[1].side, QStringLiteral("RIGHT"));
    QCOMPARE(planes[1].length, 400 - leadStart);
    if (turns == 1) {
        COMPARE_POINTS(paths[0].points, (Points{{255, c}, {260, c}}));
        COMPARE_POINTS(paths[1].points, (Points{{255, c}, {250, c}}));
    } else {
        // Detours one band plus a bridge width off the centre, back at the lead's start - B/2.
        const CenterLinePath &lower = paths[paths.size() - 3];
        QCOMPARE(lower.width, 6.0);
        COMPARE_POINTS(lower.points.mid(2),
                       (Points{{leadStart - 3, c + band + 6}, {leadStart - 3, c}}));
    }
    const Polygon &via = viaList.last();
    COMPARE_POINTS(Points{viaCentre(via)}, Points{Point(viaX, c)});
    QVERIFY(qAbs(viaWidthOf(via) - viaWidth) < 1e-9);
    QVERIFY(qAbs(qAbs(via.points[1].y - via.points[0].y) - 1) < 1e-9); // one cell long
}

void SpiralDifferentialTest::stackedLevelVias_data()
{
    QTest::addColumn<int>("sides"); // 0: round
    QTest::addColumn<double>("turns");
    QTest::addColumn<QStringList>("roles");
    QTest::addColumn<QList<double>>("offsets"); // from cy: top, bottom of each turn
    QTest::addColumn<double>("width");
    const QStringList stacked{"spiral", "bridge", "spiral", "none"};
    const double apex = 7.5 + 2 * 5 / std::numbers::sqrt2; // pitch/2 + 2 gap
    const double cos30 = std::cos(std::numbers::pi / 6);
    QTest::newRow("round apexes") << 0 << 2.0 << stacked
                                  << QList<double>{-(apex + 55), apex + 55, -(apex + 70), apex + 70}
                                  << 8.0;
    QTest::newRow("odd turns keep the tap via's width")
        << 0 << 1.0 << stacked << QList<double>{-(apex + 55), apex + 55} << 4.0;
    QTest::newRow("octagon: side middles")
        << 8 << 2.0 << stacked << QList<double>{-55, 55, -70, 70} << 8.0;
    QTest::newRow("hexagon: corners")
        << 6 << 2.0 << stacked << QList<double>{-55 / cos30, 55 / cos30, -70 / cos30, 70 / cos30}
        << 8.0;
    QTest::newRow("one spiral level: none")
        << 8 << 2.0 << bridgeThenSpiral << QList<double>{} << 8.0;
}

void SpiralDifferentialTest::stackedLevelVias()
{
    QFETCH(int, sides);
    QFETCH(double, turns);
    QFETCH(QStringList, roles);
    QFETCH(QList<double>, offsets);
    QFETCH(double, width);
    const auto spiral = makeDifferential(sides, turns, 6, true, &roles);
    const ProjectDocument doc = layout(*spiral);
    const QList<Polygon> viaList = vias(doc);
    QCOMPARE(viaList.size(), 2 * spiral->crossingPaths().size() + 1 + offsets.size());

    const QList<Polygon> stacked = viaList.mid(viaList.size() - offsets.size());
    for (qsizetype k = 0; k < offsets.size(); ++k) {
        COMPARE_POINTS(Points{viaCentre(stacked[k])}, Points{Point(c, c + offsets[k])});
        QVERIFY(qAbs(viaWidthOf(stacked[k]) - width) < 1e-9);
        QVERIFY(qAbs(stacked[k].points[1].x - stacked[k].points[0].x - 0.1) < 1e-9);
        QCOMPARE(stacked[k].level, 0u);
        QCOMPARE(stacked[k].toLevel, 2);
    }
}

void SpiralDifferentialTest::polygonHalfTurn_data()
{
    QTest::addColumn<int>("sides");
    QTest::addColumn<QList<double>>("cornerDegrees");
    QTest::newRow("8") << 8 << QList<double>{22.5, 67.5, 112.5, 157.5};
    QTest::newRow("6") << 6 << QList<double>{30, 90, 150};
    QTest::newRow("5: n div 2 corners, none at the end") << 5 << QList<double>{36, 108};
}

void SpiralDifferentialTest::polygonHalfTurn()
{
    QFETCH(int, sides);
    QFETCH(QList<double>, cornerDegrees);
    const auto spiral = makeDifferential(sides, 2, 10, false, &bridgeThenSpiral);
    layout(*spiral);
    const double e = 7.5 + 2 * 5 / std::numbers::sqrt2;
    for (int i = 0; i < 2; ++i) {
        const double a = 55 + 15 * i;
        const double corner = a / std::cos(std::numbers::pi / sides);
        for (int upper = 1; upper >= 0; --upper) {
            const double sign = upper ? -1 : 1;
            Points expected{{c + a, c + sign * band}, {c + a, c + sign * e}};
            for (double degrees : cornerDegrees) {
                const double phi = degrees * std::numbers::pi / 180;
                expected.append(
                    Point(c + corner * std::cos(phi), c + sign * corner * std::sin(phi)));
            }
            expected.append({{c - a, c + sign * e}, {c - a, c + sign * band}});
            COMPARE_POINTS(spiral->windingPaths()[2 * i + 1 - upper].points, expected);
        }
    }
}

void SpiralDifferentialTest::nSidedMatchesRound_data()
{
    QTest::addColumn<double>("turns");
    QTest::addColumn<int>("sides");
    QTest::newRow("1, octagon") << 1.0 << 8;
    QTest::newRow("2, pentagon") << 2.0 << 5;
    QTest::newRow("3, hexagon") << 3.0 << 6;
    QTest::newRow("4, 16 sides") << 4.0 << 16;
}

void SpiralDifferentialTest::nSidedMatchesRound()
{
    QFETCH(double, turns);
    QFETCH(int, sides);
    const QStringList roles{"bridge", "spiral"};
    const auto round = makeDifferential(0, turns, 6, true, &roles);
    const auto polygonal = makeDifferential(sides, turns, 6, true, &roles);
    const ProjectDocument roundDoc = layout(*round);
    const ProjectDocument polygonalDoc = layout(*polygonal);

    const qsizetype halves = 2 * qsizetype(turns);
    QCOMPARE(polygonal->windingPaths().mid(halves), round->windingPaths().mid(halves));
    QCOMPARE(polygonal->crossingPaths(), round->crossingPaths());
    QCOMPARE(polygonal->centerTapPaths(), round->centerTapPaths());
    QCOMPARE(polygonalDoc.geometry.referencePlanes, roundDoc.geometry.referencePlanes);
    QCOMPARE(polygonalDoc.geometry.ports, roundDoc.geometry.ports);
    QCOMPARE(vias(polygonalDoc), vias(roundDoc));
}

void SpiralDifferentialTest::debugIdsConsecutive_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<QStringList>("roles");
    const QStringList stacked{"spiral", "bridge", "none", "spiral"};
    for (int shape = 0; shape < 4; ++shape) {
        QTest::addRow("shape %d, stacked", shape) << shape << stacked;
        QTest::addRow("shape %d, all none", shape) << shape << QStringList{"none", "none"};
    }
}

void SpiralDifferentialTest::debugIdsConsecutive()
{
    QFETCH(int, shape);
    QFETCH(QStringList, roles);
    std::unique_ptr<cRoundSpiral> spiral;
    if (shape == 0)
        spiral = std::make_unique<cRoundSpiral>(3, 50, 10, 5, 6, nullptr, &roles);
    else if (shape == 1)
        spiral = std::make_unique<cNSidedSpiral>(8, 3, 50, 10, 5, 6, nullptr, &roles);
    else
        spiral = makeDifferential(shape == 2 ? 0 : 8, 3, 6, true, &roles);
    const ProjectDocument doc = layout(*spiral);

    QSet<int> ids;
    const QList<Polygon> &polygons = doc.geometry.polygons;
    QVERIFY(!polygons.isEmpty());
    for (qsizetype i = 0; i < polygons.size(); ++i) {
        QCOMPARE(polygons[i].debugId, 10 + i);
        ids.insert(polygons[i].debugId);
    }
    for (const Port &port : doc.geometry.ports)
        QVERIFY(ids.contains(port.link.polygonId));
}

void SpiralDifferentialTest::layoutIsRepeatable()
{
    const auto spiral = makeDifferential(8, 3, 6, true, &bridgeThenSpiral);
    const ProjectDocument first = layout(*spiral);
    const qsizetype paths = spiral->windingPaths().size();
    QCOMPARE(layout(*spiral), first);
    QCOMPARE(spiral->windingPaths().size(), paths);
}

QTEST_APPLESS_MAIN(SpiralDifferentialTest)
#include "test_spiral_differential.moc"
