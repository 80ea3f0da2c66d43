// Synthesis from a target inductance on the built-in template.
#include "core/inductance/geometryinductance.h"
#include "core/sonnet/numberformat.h"
#include "core/synthesis/designgate.h"
#include "core/synthesis/synthesis.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"
#include "core/wording/estimatetext.h"
#include "core/wording/inductancetext.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <cmath>
#include <future>

using namespace torvane;

namespace {
struct Template
{
    ProjectDocument document = builtInTemplate();
    QStringList layerSetup;
    QStringList functionSetup;
    Template() { readLayerSetup(document, layerSetup, functionSetup); }
};

SynthesisRequest request(SpiralShape shape, double nanohenries)
{
    SynthesisRequest r;
    r.design.shape = shape;
    r.design.spiralWidth = 10;
    r.design.spacing = 3;
    r.target = nanohenries * 1e-9;
    r.maxTurns = 10;
    return r;
}
} // namespace

Q_DECLARE_METATYPE(SynthesisRequest)

class SynthesisTest : public QObject
{
    Q_OBJECT

private slots:
    void candidatesMeetTheTarget_data();
    void candidatesMeetTheTarget();
    void impossibleTargetsExplained_data();
    void impossibleTargetsExplained();
    void mostCompactComeFirst_data();
    void mostCompactComeFirst();
    void manySpiralLevelsRefusedAtOnce();
    void stopEndsTheSearchAtOnce();
};

void SynthesisTest::candidatesMeetTheTarget_data()
{
    QTest::addColumn<SynthesisRequest>("request");
    QTest::newRow("round, reference planes") << request(SpiralShape::Round, 2);
    SynthesisRequest winding = request(SpiralShape::NSided, 3);
    winding.design.sides = 6;
    winding.place = InductancePlace::Winding;
    winding.tolerance = 0.005;
    QTest::newRow("hexagon, winding, 0.5 %") << winding;
    QTest::newRow("round differential") << request(SpiralShape::RoundDifferential, 3);
    QTest::newRow("octagonal differential") << request(SpiralShape::NSidedDifferential, 3);
    SynthesisRequest snapped = request(SpiralShape::Round, 2);
    snapped.snapRadius = true;
    QTest::newRow("radius on the grid") << snapped;
    SynthesisRequest narrowed = request(SpiralShape::Round, 1);
    narrowed.minTurns = 2.1;
    narrowed.maxTurns = 3.4;
    narrowed.minRadius = 30;
    narrowed.maxRadius = 90;
    QTest::newRow("narrowed ranges") << narrowed;
}

void SynthesisTest::candidatesMeetTheTarget()
{
    QFETCH(SynthesisRequest, request);
    const Template t;
    const SynthesisResult result =
        synthesizeSpiral(request, t.document, t.layerSetup, t.functionSetup);
    QCOMPARE(result.outcome, SynthesisOutcome::Found);
    QVERIFY(!result.candidates.isEmpty() && result.candidates.size() <= request.count);
    const double step = isDifferential(request.design.shape) ? 1 : 0.25;
    double previousSize = 0;
    for (const SynthesisCandidate &c : result.candidates) {
        const SpiralParameters &p = c.parameters;
        const double size = std::max(c.sizeX, c.sizeY);
        QVERIFY(size >= previousSize);
        previousSize = size;
        QCOMPARE(std::fmod(p.turns, step), 0.0);
        QVERIFY(p.turns >= request.minTurns && p.turns <= request.maxTurns);
        QVERIFY(p.radius >= request.minRadius && p.radius <= request.maxRadius);
        if (request.snapRadius)
            QCOMPARE(std::fmod(p.radius, t.document.geometry.box.cellSizeX()), 0.0);
        QVERIFY(spiralFitsInBox(p, t.document, t.layerSetup, t.functionSetup));
        // Sizes as the window's estimate panel shows them: x and y of their own.
        QCOMPARE(formatReal(c.sizeX) + " / " + formatReal(c.sizeY),
                 estimateTexts(p, &t.document, t.layerSetup, t.functionSetup).size);

        // The radius as printed, with three decimals, laid out again gives what was reported.
        SpiralParameters typed = p;
        typed.radius = QLocale::c().toString(p.radius, 'f', 3).toDouble();
        const GeometryInductance again =
            geometryInductance(typed, t.document, t.layerSetup, t.functionSetup);
        QVERIFY(again.hasValues());
        const double value =
            request.place == InductancePlace::Winding ? *again.winding : *again.referencePlanes;
        QVERIFY2(std::fabs(value / request.target - 1) <= request.tolerance,
                 qPrintable(QString::number(value)));
        QCOMPARE(value, metValue(c, request.place));
        QCOMPARE(c.deviation, value / request.target - 1);
    }
    // Seen through the closed form, every solved turn count costs a few geometry values.
    QVERIFY2(result.evaluations <= 60, qPrintable(QString::number(result.evaluations)));
}

void SynthesisTest::impossibleTargetsExplained_data()
{
    QTest::addColumn<SynthesisRequest>("request");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("says");
    QTest::newRow("too large") << request(SpiralShape::Round, 1000)
                               << int(SynthesisOutcome::AboveLargest)
                               << "1000 nH is too large for the 400 x 400 um box: the most that "
                                  "fits is ";
    QTest::newRow("below one turn")
        << request(SpiralShape::NSided, 0.005) << int(SynthesisOutcome::BelowSmallest)
        << "0.005 nH is below what 1 turn gives at the smallest "
           "inner radius, 0.001 um: ";
    SynthesisRequest noRoom = request(SpiralShape::RoundDifferential, 2);
    noRoom.minRadius = 190;
    QTest::newRow("nothing fits") << noRoom << int(SynthesisOutcome::NothingFits)
                                  << "Nothing fits in the 400 x 400 um box";
    SynthesisRequest coarse = request(SpiralShape::Round, 2);
    coarse.minTurns = coarse.maxTurns = 4;
    coarse.snapRadius = true;
    coarse.tolerance = 0.0001;
    QTest::newRow("missed on the grid") << coarse << int(SynthesisOutcome::NoneWithinReach)
                                        << "No design meets 2 nH within 0.01 % with the radius "
                                           "on the cell grid and passes the design checks; the "
                                           "nearest is ";
    SynthesisRequest quarter = request(SpiralShape::Round, 2);
    quarter.minTurns = 2.3;
    quarter.maxTurns = 2.45;
    QTest::newRow("no quarter turn in range") << quarter << int(SynthesisOutcome::InvalidRequest)
                                              << "The turns range holds no quarter turn";
}

void SynthesisTest::impossibleTargetsExplained()
{
    QFETCH(SynthesisRequest, request);
    QFETCH(int, outcome);
    QFETCH(QString, says);
    const Template t;
    const SynthesisResult result =
        synthesizeSpiral(request, t.document, t.layerSetup, t.functionSetup);
    QCOMPARE(int(result.outcome), outcome);
    QVERIFY(result.candidates.isEmpty());
    const QString text = synthesisExplanation(request, result, t.document.geometry.box,
                                              QStringLiteral("um"), QStringLiteral("nH"));
    QVERIFY2(text.startsWith(says), qPrintable(text));
    // The nearest value is real: reachable, clean and on the far side of the target.
    const bool hasNearest = outcome != int(SynthesisOutcome::NothingFits) &&
                            outcome != int(SynthesisOutcome::InvalidRequest);
    QCOMPARE(result.nearest.has_value(), hasNearest);
    if (!hasNearest)
        return;
    const SynthesisCandidate &nearest = *result.nearest;
    QVERIFY(spiralFitsInBox(nearest.parameters, t.document, t.layerSetup, t.functionSetup));
    QVERIFY(std::fabs(nearest.deviation) > request.tolerance);
    if (outcome == int(SynthesisOutcome::AboveLargest))
        QVERIFY(nearest.deviation < 0);
    if (outcome == int(SynthesisOutcome::BelowSmallest))
        QVERIFY(nearest.deviation > 0 && nearest.parameters.turns == 1);
    QVERIFY2(text.contains(geometryValueText(metValue(nearest, request.place) * 1e9)),
             qPrintable(text));
}

void SynthesisTest::mostCompactComeFirst_data()
{
    QTest::addColumn<SynthesisRequest>("request");
    for (const SpiralShape shape : {SpiralShape::Round, SpiralShape::NSided}) {
        SynthesisRequest r = request(shape, 2);
        r.design.sides = 6;
        r.maxTurns = 40;
        QTest::newRow(shape == SpiralShape::Round ? "round" : "hexagon") << r;
    }
}

// Asking for more candidates finds no more compact one: the search stops only behind the five
// smallest, whose order is by the larger side, then the area.
void SynthesisTest::mostCompactComeFirst()
{
    QFETCH(SynthesisRequest, request);
    const Template t;
    const SynthesisResult five =
        synthesizeSpiral(request, t.document, t.layerSetup, t.functionSetup);
    SynthesisRequest more = request;
    more.count = 15;
    const SynthesisResult fifteen =
        synthesizeSpiral(more, t.document, t.layerSetup, t.functionSetup);
    QCOMPARE(five.candidates.size(), 5);
    QVERIFY(fifteen.candidates.size() > 5);
    for (qsizetype i = 0; i < fifteen.candidates.size(); ++i) {
        const SynthesisCandidate &c = fifteen.candidates[i];
        if (i < 5)
            QCOMPARE(
                QPair(c.parameters.turns, c.parameters.radius),
                QPair(five.candidates[i].parameters.turns, five.candidates[i].parameters.radius));
        if (i == 0)
            continue;
        const SynthesisCandidate &b = fifteen.candidates[i - 1];
        const double side = std::max(c.sizeX, c.sizeY), before = std::max(b.sizeX, b.sizeY);
        QVERIFY(side > before || (side == before && c.sizeX * c.sizeY >= b.sizeX * b.sizeY));
    }
}

// Each further copy of the winding paired with all others made a search of minutes.
void SynthesisTest::manySpiralLevelsRefusedAtOnce()
{
    const ProjectDocument stack =
        parseProject("DIM\nLNG UM\nEND DIM\nGEO\nBOX 6 400 400 400 400 20 "
                     "0\n" +
                     QByteArray(" 1 1 1 0 0 0 0 \"L\"\n").repeated(7) + "END GEO\n");
    QElapsedTimer timer;
    timer.start();
    const SynthesisResult result =
        synthesizeSpiral(request(SpiralShape::Round, 2), stack, QStringList(6, "Lossless"),
                         QStringList(6, "spiral"));
    QCOMPARE(result.outcome, SynthesisOutcome::InvalidRequest);
    QVERIFY2(result.problem.startsWith("6 metal levels have the role \"spiral\"; the inductance "
                                       "from the geometry is computed for at most 4"),
             qPrintable(result.problem));
    QVERIFY(timer.elapsed() < 1000);
}

void SynthesisTest::stopEndsTheSearchAtOnce()
{
    // Four copies of the winding: a search of seconds.
    const Template t;
    SynthesisRequest heavy = request(SpiralShape::Round, 20);
    heavy.maxTurns = 30;
    std::stop_source stop;
    heavy.stop = stop.get_token();
    const QStringList roles(4, QStringLiteral("spiral"));
    std::future<SynthesisResult> search = std::async(std::launch::async, [&] {
        return synthesizeSpiral(heavy, t.document, t.layerSetup, roles);
    });
    QCOMPARE(search.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    QElapsedTimer timer;
    timer.start();
    stop.request_stop();
    const SynthesisResult result = search.get();
    const qint64 stopping = timer.elapsed();
    // Typically under 20 ms; the bound leaves room for a machine busy with other tests, and is
    // still far below the seconds the search would take.
    QVERIFY2(stopping < 500, qPrintable(QStringLiteral("%1 ms").arg(stopping)));
    QCOMPARE(result.outcome, SynthesisOutcome::Cancelled);
    QVERIFY(result.candidates.isEmpty());
}

QTEST_GUILESS_MAIN(SynthesisTest)
#include "test_synthesis.moc"
