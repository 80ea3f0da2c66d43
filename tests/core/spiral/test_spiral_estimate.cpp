#include "core/spiral/differentialspiral.h"
#include "core/spiral/nsideddifferentialspiral.h"
#include "core/spiral/nsidedspiral.h"
#include "core/spiral/roundspiral.h"

#include <QTest>

#include <memory>

using namespace torvane;

namespace {
enum Shape
{
    Round,
    NSided,
    Differential,
    NSidedDifferential
};

std::unique_ptr<cRoundSpiral> makeShape(int shape, int sides, double turns, double radius,
                                        double width, double spacing)
{
    switch (shape) {
    case NSided:
        return std::make_unique<cNSidedSpiral>(sides, turns, radius, width, spacing, 10, nullptr,
                                               nullptr);
    case Differential:
        return std::make_unique<cDifferentialSpiral>(turns, radius, width, spacing, 10, true, 0,
                                                     true, nullptr, nullptr);
    case NSidedDifferential:
        return std::make_unique<cNSidedDifferentialSpiral>(turns, sides, radius, width, spacing, 10,
                                                           true, 0, true, nullptr, nullptr);
    default:
        return std::make_unique<cRoundSpiral>(turns, radius, width, spacing, 10, nullptr, nullptr);
    }
}

struct InductanceCase
{
    int shape;
    int sides;
    double turns, radius, width, spacing, lengthScale;
    QString text;
    double inductanceScale = 1e9;
};

struct FakeLabel
{
    QString text;
    void setText(const QString &t) { text = t; }
};
} // namespace

class SpiralEstimateTest : public QObject
{
    Q_OBJECT

private slots:
    void sizes_data();
    void sizes();
    void quarterTurns_data();
    void quarterTurns();
    void inductance_data();
    void inductance();
    void showInductanceWritesLabel();
};

void SpiralEstimateTest::sizes_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<double>("outerDiameter");
    QTest::addColumn<double>("sizeX");
    QTest::addColumn<double>("sizeY");
    QTest::newRow("round") << int(Round) << 200.0 << 200.0 << 200.0;
    QTest::newRow("n-sided") << int(NSided) << 200.0 << 200.0 << 200.0;
    QTest::newRow("differential") << int(Differential) << 180.0 << 200.0 << 222.0710678;
    QTest::newRow("n-sided differential") << int(NSidedDifferential) << 180.0 << 200.0 << 200.0;
}

void SpiralEstimateTest::sizes()
{
    QFETCH(int, shape);
    QFETCH(double, outerDiameter);
    QFETCH(double, sizeX);
    QFETCH(double, sizeY);
    const auto spiral = makeShape(shape, 8, 3, 50, 10, 5);
    QCOMPARE(spiral->outerDiameter(), outerDiameter);
    QCOMPARE(spiral->sizeX(), sizeX);
    QVERIFY(qAbs(spiral->sizeY() - sizeY) < 1e-6);
}

void SpiralEstimateTest::quarterTurns_data()
{
    QTest::addColumn<double>("turns");
    QTest::addColumn<qint64>("quarters");
    QTest::newRow("2") << 2.0 << qint64(8);
    QTest::newRow("2.125 rounds up") << 2.125 << qint64(9);
    QTest::newRow("2.25") << 2.25 << qint64(9);
    QTest::newRow("2.375 rounds up") << 2.375 << qint64(10);
    QTest::newRow("2.74") << 2.74 << qint64(11);
    QTest::newRow("99.99") << 99.99 << qint64(400);
}

void SpiralEstimateTest::quarterTurns()
{
    QFETCH(double, turns);
    QFETCH(qint64, quarters);
    QCOMPARE(cRoundSpiral(turns, 50, 10, 5, 10, nullptr, nullptr).quarterTurns(), quarters);
}

void SpiralEstimateTest::inductance_data()
{
    // Expected texts worked out separately from the current-sheet and Wheeler expressions;
    // mostly um (1e-6 m) and nH (1e9 per henry).
    QTest::addColumn<InductanceCase>("c");
    const auto row = [](const char *name, const InductanceCase &c) {
        QTest::newRow(name) << c;
    };
    row("round", {Round, 0, 3, 50, 10, 5, 1e-6, "1.71427"});
    row("round differential uses its own diameter",
        {Differential, 0, 3, 50, 10, 5, 1e-6, "1.71736"});
    row("radius 0 gives fill ratio 1", {Round, 0, 2, 0, 10, 5, 1e-6, "0.0967752"});
    row("dout = din gives inf", {Round, 0, 2, 50, 0, 0, 1e-6, "inf"});
    row("3 sides: circle terms", {NSided, 3, 3, 50, 10, 5, 1e-6, "1.71427 to 1.74826"});
    row("4 sides", {NSided, 4, 3, 50, 10, 5, 1e-6, "2.04743 to 2.07116"});
    row("5 sides", {NSided, 5, 3, 50, 10, 5, 1e-6, "2.04743 to 2.07116"});
    row("6 sides, Wheeler smaller", {NSided, 6, 3, 50, 10, 5, 1e-6, "1.73875 to 1.77472"});
    row("7 sides", {NSided, 7, 3, 50, 10, 5, 1e-6, "1.73875 to 1.77472"});
    row("8 sides", {NSided, 8, 3, 50, 10, 5, 1e-6, "1.74826 to 1.76827"});
    row("11 sides", {NSided, 11, 3, 50, 10, 5, 1e-6, "1.74826 to 1.76827"});
    row("12 sides: circle terms", {NSided, 12, 3, 50, 10, 5, 1e-6, "1.71427 to 1.74826"});
    row("mil and pH", {NSided, 4, 5, 20, 10, 5, 2.54e-5, "79083 to 79702.5", 1e12});
    row("n-sided differential",
        {NSidedDifferential, 8, 2, 40, 10, 10, 1e-6, "0.632091 to 0.63362"});
    // dout = -din: the current sheet is nan, Wheeler 0; unordered puts Wheeler first.
    row("unordered", {NSided, 6, 1, -1, 1, 0.5, 1e-6, "0 to nan"});
}

void SpiralEstimateTest::inductance()
{
    QFETCH(InductanceCase, c);
    const auto spiral = makeShape(c.shape, c.sides, c.turns, c.radius, c.width, c.spacing);
    QCOMPARE(spiral->inductanceText(c.lengthScale, c.inductanceScale), c.text);
}

void SpiralEstimateTest::showInductanceWritesLabel()
{
    FakeLabel label;
    cNSidedSpiral(8, 3, 50, 10, 5, 10, nullptr, nullptr).showInductance(1e-6, 1e9, &label);
    QCOMPARE(label.text, QStringLiteral("1.74826 to 1.76827"));
}

QTEST_APPLESS_MAIN(SpiralEstimateTest)
#include "test_spiral_estimate.moc"
