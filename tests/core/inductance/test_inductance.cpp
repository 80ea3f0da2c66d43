// Inductance from the drawn geometry: field-solver reference cases, the closed forms against
// brute-force integration, and the properties any partial inductance must have.
#include "core/inductance/clustersum.h"
#include "core/inductance/currentpath.h"
#include "core/inductance/fastlog.h"
#include "core/inductance/gausslegendre.h"
#include "core/inductance/geometryinductance.h"
#include "core/inductance/spiralcurrentpath.h"
#include "core/spiral/roundspiral.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"
#include "referencecases.h"

#include <QDir>

#include <array>
#include <QFile>
#include <QtTest>

#include <bit>
#include <cmath>

using namespace torvane;

Q_DECLARE_METATYPE(Vec3)

namespace {
// Neumann's integral by composite Gauss-Legendre, 12 panels of 8 points along each filament.
double bruteForceMutual(Vec3 p0, Vec3 p1, Vec3 q0, Vec3 q1)
{
    const GaussRule &rule = gaussLegendre(8);
    const int panels = 12;
    const Vec3 a = p1 - p0;
    const Vec3 b = q1 - q0;
    double sum = 0;
    for (int i = 0; i < panels * 8; ++i) {
        const double s = (i / 8 + 0.5 + 0.5 * rule.nodes[i % 8]) / panels;
        for (int j = 0; j < panels * 8; ++j) {
            const double t = (j / 8 + 0.5 + 0.5 * rule.nodes[j % 8]) / panels;
            sum += rule.weights[i % 8] * rule.weights[j % 8] / norm(p0 + s * a - (q0 + t * b));
        }
    }
    return sum * dot(a, b) / (4.0 * panels * panels);
}

// Two tapes (horizontal, widths across in the plane) by exact filament terms at composite
// Gauss points across both widths.
double bruteForceTapes(Vec3 a0, Vec3 a1, double wa, Vec3 b0, Vec3 b1, double wb, int panels)
{
    const GaussRule &rule = gaussLegendre(8);
    const auto across = [](Vec3 p0, Vec3 p1) {
        const double length = std::hypot(p1.x - p0.x, p1.y - p0.y);
        return Vec3{-(p1.y - p0.y) / length, (p1.x - p0.x) / length, 0};
    };
    const Vec3 na = across(a0, a1);
    const Vec3 nb = across(b0, b1);
    const auto offset = [&](int i, double w) {
        return w * ((i / 8 + 0.5 + 0.5 * rule.nodes[i % 8]) / panels - 0.5);
    };
    double sum = 0;
    for (int i = 0; i < panels * 8; ++i) {
        const double u = offset(i, wa);
        for (int j = 0; j < panels * 8; ++j) {
            const double v = offset(j, wb);
            sum += rule.weights[i % 8] * rule.weights[j % 8] *
                   filamentMutual(a0 + u * na, a1 + u * na, b0 + v * nb, b1 + v * nb);
        }
    }
    return sum / (4.0 * panels * panels);
}

struct Template
{
    ProjectDocument document = builtInTemplate();
    QStringList layerSetup;
    QStringList functionSetup;
    Template() { readLayerSetup(document, layerSetup, functionSetup); }
    GeometryInductance of(const SpiralParameters &p) const
    {
        return geometryInductance(p, document, layerSetup, functionSetup);
    }
    SpiralCurrentPaths pathsOf(const SpiralParameters &p) const
    {
        const auto spiral = makeSpiral(p, &layerSetup, &functionSetup);
        const BoxSettings &box = document.geometry.box;
        return spiralCurrentPaths(spiral->drawnLayout(document),
                                  metalLevelHeights(document.geometry), box.xWidth, box.yWidth);
    }
};

SpiralParameters parameters(SpiralShape shape, double turns, double spacing = 5)
{
    SpiralParameters p;
    p.shape = shape;
    p.turns = turns;
    p.sides = 6;
    p.radius = 30;
    p.spiralWidth = 8;
    p.spacing = spacing;
    p.bridgeWidth = 8;
    return p;
}

std::vector<CurrentPiece> mirrored(std::vector<CurrentPiece> pieces)
{
    for (CurrentPiece &piece : pieces) {
        piece.start.x = -piece.start.x;
        piece.end.x = -piece.end.x;
    }
    return pieces;
}
} // namespace

class InductanceTest : public QObject
{
    Q_OBJECT

private slots:
    void fieldSolverReferences()
    {
        const QDir dir = referenceDir();
        if (!dir.exists(QStringLiteral("reference.csv")))
            QSKIP("no inductance reference folder beside the project");
        ProjectDocument document;
        QCOMPARE(loadProject(dir.filePath(QStringLiteral("box1000.son")), document), 0);
        QStringList layerSetup;
        QStringList functionSetup;
        readLayerSetup(document, layerSetup, functionSetup);
        const ReferenceTable table = readReferenceTable(QStringLiteral("reference.csv"));
        int cases = 0;
        for (const QStringList &row : table.rows) {
            const GeometryInductance result =
                geometryInductance(table.spiral(row), document, layerSetup, functionSetup);
            QVERIFY2(result.hasValues(), qPrintable(row[0] + ": " + result.reason));
            const double values[2] = {*result.winding * 1e9, *result.referencePlanes * 1e9};
            const double expected[2] = {table.number(row, "L_winding_nH"),
                                        table.number(row, "L_refplanes_nH")};
            for (int k = 0; k < 2; ++k) {
                const double error = values[k] / expected[k] - 1;
                QVERIFY2(std::fabs(error) < 0.005,
                         qPrintable(QStringLiteral("%1 column %2: %3 nH, expected %4 nH")
                                        .arg(row[0])
                                        .arg(k)
                                        .arg(values[k])
                                        .arg(expected[k])));
            }
            ++cases;
        }
        QVERIFY(cases >= 8);
    }

    void filamentsAgreeWithBruteForce_data()
    {
        QTest::addColumn<Vec3>("p0");
        QTest::addColumn<Vec3>("p1");
        QTest::addColumn<Vec3>("q0");
        QTest::addColumn<Vec3>("q1");
        QTest::newRow("coplanar at an angle")
            << Vec3{0, 0, 0} << Vec3{10, 0, 0} << Vec3{3, 5, 0} << Vec3{14, 9, 0};
        QTest::newRow("skew, levels apart")
            << Vec3{0, 0, 0} << Vec3{10, 0, 0} << Vec3{3, 5, 4} << Vec3{-4, 9, 4};
        QTest::newRow("antiparallel, offset")
            << Vec3{0, 0, 0} << Vec3{10, 0, 0} << Vec3{12, 1, 3} << Vec3{2, 1, 3};
        QTest::newRow("general") << Vec3{1, 2, 3} << Vec3{10, -3, 1} << Vec3{-5, 7, 2}
                                 << Vec3{3, 12, -4};
    }

    void filamentsAgreeWithBruteForce()
    {
        QFETCH(Vec3, p0);
        QFETCH(Vec3, p1);
        QFETCH(Vec3, q0);
        QFETCH(Vec3, q1);
        const double exact = filamentMutual(p0, p1, q0, q1);
        QVERIFY(std::fabs(exact / bruteForceMutual(p0, p1, q0, q1) - 1) < 1e-9);
        // Neumann's integral is symmetric and flips sign with one direction.
        QVERIFY(std::fabs(filamentMutual(q0, q1, p0, p1) - exact) < 1e-12 * std::fabs(exact));
        QVERIFY(std::fabs(filamentMutual(p1, p0, q0, q1) + exact) < 1e-12 * std::fabs(exact));
    }

    void subdividedPieceSumsToTheWhole_data()
    {
        QTest::addColumn<Vec3>("end");
        QTest::addColumn<double>("width");
        QTest::newRow("tape along x") << Vec3{40, 0, 0} << 8.0;
        QTest::newRow("slanted tape") << Vec3{30, -17, 0} << 3.0;
        QTest::newRow("short wide tape") << Vec3{2, 1, 0} << 10.0;
        QTest::newRow("via") << Vec3{0, 0, -5} << 8.0;
    }

    void subdividedPieceSumsToTheWhole()
    {
        QFETCH(Vec3, end);
        QFETCH(double, width);
        const double whole = pathInductance({{{0, 0, 0}, end, width, 1}});
        for (const int parts : {2, 3, 7}) {
            std::vector<CurrentPiece> pieces;
            for (int k = 0; k < parts; ++k)
                pieces.push_back(
                    {(double(k) / parts) * end, (double(k + 1) / parts) * end, width, 1});
            // Exact for neighbours; pieces a few widths apart use rules good to a few 1e-5.
            QVERIFY2(std::fabs(pathInductance(pieces) / whole - 1) < 1e-4,
                     qPrintable(QString::number(parts)));
        }
    }

    void mirrorImagesAgree_data()
    {
        QTest::addColumn<int>("shape");
        for (int shape = 0; shape < 4; ++shape)
            QTest::addRow("shape %d", shape) << shape;
    }

    void mirrorImagesAgree()
    {
        QFETCH(int, shape);
        const Template t;
        const SpiralCurrentPaths paths =
            t.pathsOf(parameters(SpiralShape(shape), 3.25 - (shape >= 2) * 0.25));
        QVERIFY(paths.failure.isEmpty());
        const auto [winding, planes] = pathInductances(paths.winding, paths.outside);
        const auto [mirrorWinding, mirrorPlanes] =
            pathInductances(mirrored(paths.winding), mirrored(paths.outside));
        QVERIFY(winding > 0 && planes > 0);
        QVERIFY(std::fabs(mirrorWinding / winding - 1) < 1e-9);
        QVERIFY(std::fabs(mirrorPlanes / planes - 1) < 1e-9);
    }

    void tapesInOnePlane_data()
    {
        QTest::addColumn<Vec3>("b0");
        QTest::addColumn<Vec3>("b1");
        QTest::addColumn<double>("tolerance");
        // a runs from (0, 0) to (30, 0), 10 wide; b is 8 wide. Where the tapes touch the
        // brute force converges slowly, so its own error sets the tolerance.
        QTest::newRow("side by side") << Vec3{3, 15, 0} << Vec3{33, 15, 0} << 1e-10;
        QTest::newRow("antiparallel, offset") << Vec3{50, 12, 0} << Vec3{20, 12, 0} << 1e-10;
        QTest::newRow("apart at an angle") << Vec3{10, 25, 0} << Vec3{40, 45, 0} << 1e-10;
        QTest::newRow("crossing") << Vec3{12, -20, 0} << Vec3{20, 25, 0} << 1e-6;
        QTest::newRow("joined at 10 degrees") << Vec3{30, 0, 0} << Vec3{59.5, 5.2, 0} << 2e-5;
        QTest::newRow("joined at 45 degrees") << Vec3{30, 0, 0} << Vec3{51, 21, 0} << 2e-5;
        QTest::newRow("joined at 135 degrees") << Vec3{30, 0, 0} << Vec3{9, 21, 0} << 2e-5;
    }

    void tapesInOnePlane()
    {
        QFETCH(Vec3, b0);
        QFETCH(Vec3, b1);
        QFETCH(double, tolerance);
        const Vec3 a0{0, 0, 0};
        const Vec3 a1{30, 0, 0};
        const double exact = coplanarTapeMutual(a0, a1, 10, b0, b1, 8);
        const double brute = bruteForceTapes(a0, a1, 10, b0, b1, 8, 16);
        QVERIFY2(
            std::fabs(exact / brute - 1) < tolerance,
            qPrintable(QStringLiteral("%1 vs %2").arg(exact, 0, 'g', 12).arg(brute, 0, 'g', 12)));
        QVERIFY(std::fabs(coplanarTapeMutual(b0, b1, 8, a0, a1, 10) / exact - 1) < 1e-12);
    }

    void tapeClosedFormsAgree()
    {
        // Parallel tapes and a tape with itself have older closed forms of their own.
        const double parallel =
            coplanarTapeMutual({0, 0, 0}, {30, 0, 0}, 10, {3, 15, 0}, {33, 15, 0}, 8);
        QVERIFY(std::fabs(parallel / parallelTapeMutual(0, 30, -5, 5, 3, 33, 11, 19, 0) - 1) <
                1e-12);
        const double self =
            coplanarTapeMutual({0, 0, 0}, {30, 0, 0}, 10, {0, 0, 0}, {30, 0, 0}, 10);
        QVERIFY(std::fabs(self / tapeSelf(30, 10) - 1) < 1e-12);
    }

    void widthTermsBeyondThreeWidths_data()
    {
        QTest::addColumn<Vec3>("b0");
        QTest::addColumn<Vec3>("b1");
        // a runs from (0, 0, 0) to (60, 0, 0); both tapes are 10 wide.
        QTest::newRow("parallel, 3 widths") << Vec3{-10, 40, 0} << Vec3{70, 40, 0};
        QTest::newRow("antiparallel, 4 widths") << Vec3{50, -50, 0} << Vec3{-20, -50, 0};
        QTest::newRow("at an angle") << Vec3{70, 35, 0} << Vec3{110, 95, 0};
        QTest::newRow("end on the other's line") << Vec3{80, 31, 0} << Vec3{120, 93, 0};
        QTest::newRow("level below, parallel") << Vec3{-10, 35, -5} << Vec3{70, 35, -5};
        QTest::newRow("level below, crossing in plan") << Vec3{20, 32, -5} << Vec3{100, -70, -5};
    }

    void widthTermsBeyondThreeWidths()
    {
        QFETCH(Vec3, b0);
        QFETCH(Vec3, b1);
        const Vec3 a0{0, 0, 0};
        const Vec3 a1{60, 0, 0};
        const double tapes = bruteForceTapes(a0, a1, 10, b0, b1, 10, 1);
        const double filaments = filamentMutual(a0, a1, b0, b1);
        const double withWidths = filaments + widthTerm(a0, a1, 10, b0, b1, 10);
        // What is left is of fourth order in width / distance.
        QVERIFY2(std::fabs(withWidths / tapes - 1) < 2e-4,
                 qPrintable(QString::number(withWidths / tapes - 1)));
        QVERIFY(std::fabs(withWidths / tapes - 1) < 0.1 * std::fabs(filaments / tapes - 1));
    }

    void tapesOnOneSlantedLine()
    {
        // On a slanted line rounding leaves the pieces a hair apart across; the width term must
        // not blow up over that, whichever piece comes first.
        const Vec3 along{std::cos(0.7), std::sin(0.7), 0};
        const Vec3 a0{65, 10, 0};
        const Vec3 a1 = a0 + 60.0 * along;
        const Vec3 b0 = a0 + 94.0 * along;
        const Vec3 b1 = a0 + 150.0 * along;
        const double exact = coplanarTapeMutual(a0, a1, 10, b0, b1, 10);
        for (const auto &[p0, p1, q0, q1] :
             {std::array{a0, a1, b0, b1}, std::array{b0, b1, a0, a1}}) {
            const double expanded =
                filamentMutual(p0, p1, q0, q1) + widthTerm(p0, p1, 10, q0, q1, 10);
            QVERIFY2(std::fabs(expanded / exact - 1) < 1e-3,
                     qPrintable(QStringLiteral("%1 vs %2").arg(expanded).arg(exact)));
        }
    }

    void logarithmWithinAnUlp()
    {
        double worst = 0;
        for (int k = 0; k < 200000; ++k) {
            const double x = std::ldexp(1 + std::fmod(k * 0.618033988749895, 1.0), k % 2001 - 1000);
            const double reference = std::log(x);
            worst = std::max(worst,
                             std::fabs(fastLog(x) - reference) /
                                 std::fabs(std::nextafter(reference, 2 * reference) - reference));
        }
        QVERIFY2(worst <= 1, qPrintable(QString::number(worst)));
    }

    void clusteredSumsMatchPairwise_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("sides");
        QTest::addColumn<double>("turns");
        QTest::newRow("round") << int(SpiralShape::Round) << 0 << 8.5;
        QTest::newRow("octagon") << int(SpiralShape::NSided) << 8 << 8.0;
        QTest::newRow("16 sides") << int(SpiralShape::NSided) << 16 << 6.0;
        QTest::newRow("round differential") << int(SpiralShape::RoundDifferential) << 0 << 6.0;
        QTest::newRow("octagon differential") << int(SpiralShape::NSidedDifferential) << 8 << 6.0;
        QTest::newRow("16 sides differential") << int(SpiralShape::NSidedDifferential) << 16 << 5.0;
    }

    void clusteredSumsMatchPairwise()
    {
        QFETCH(int, shape);
        QFETCH(int, sides);
        QFETCH(double, turns);
        const Template t;
        SpiralParameters p = parameters(SpiralShape(shape), turns);
        p.sides = sides;
        const SpiralCurrentPaths paths = t.pathsOf(p);
        QVERIFY(paths.failure.isEmpty());
        const auto [winding, planes] = pathInductances(paths.winding, paths.outside);
        const auto [pairWinding, pairPlanes] = pairwiseInductances(paths.winding, paths.outside);
        QVERIFY2(std::fabs(winding / pairWinding - 1) < 2e-5,
                 qPrintable(QString::number(winding / pairWinding - 1)));
        QVERIFY2(std::fabs(planes / pairPlanes - 1) < 2e-5,
                 qPrintable(QString::number(planes / pairPlanes - 1)));

        // Stripes of work summed in a fixed order: the same bits on any number of threads.
        std::vector<PieceFrame> frames;
        std::vector<double> currents;
        for (const CurrentPiece &piece : paths.winding) {
            frames.push_back(frameOf(piece));
            currents.push_back(piece.current);
        }
        ClusterSettings one;
        one.threads = 1;
        ClusterSettings three;
        three.threads = 3;
        QVERIFY(clusteredPairSums(frames, currents, frames.size(), one).all ==
                clusteredPairSums(frames, currents, frames.size(), three).all);
    }

    void growsWithTurns()
    {
        const Template t;
        // Differential polygons with 4 and 8 sides have feeds on one line with winding pieces.
        const std::pair<SpiralShape, int> cases[] = {{SpiralShape::Round, 6},
                                                     {SpiralShape::NSided, 6},
                                                     {SpiralShape::RoundDifferential, 6},
                                                     {SpiralShape::NSidedDifferential, 4},
                                                     {SpiralShape::NSidedDifferential, 6},
                                                     {SpiralShape::NSidedDifferential, 8}};
        for (const auto &[shape, sides] : cases) {
            double previous = 0;
            for (const double turns : {1.0, 2.0, 3.0, 4.0}) {
                SpiralParameters p = parameters(shape, turns);
                p.sides = sides;
                const GeometryInductance result = t.of(p);
                const QString what = QStringLiteral("shape %1, %2 sides, %3 turns")
                                         .arg(int(shape))
                                         .arg(sides)
                                         .arg(turns);
                QVERIFY2(result.hasValues(),
                         qPrintable(what + QStringLiteral(": ") + result.reason));
                // One more turn adds, but never multiplies by more than the turns squared do.
                QVERIFY2(*result.winding > previous &&
                             (previous == 0 || *result.winding < 5 * previous),
                         qPrintable(what));
                QVERIFY(*result.referencePlanes > 0);
                previous = *result.winding;
            }
        }
    }

    // Current enters by one feed and leaves by the other: along the whole path from one
    // reference plane to the other, the current moments add up to the step between the two
    // feeds' ends on their plane. A feed reversed would add twice its length.
    void differentialFeedsCarryOppositeCurrents_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("sides");
        QTest::newRow("round differential") << int(SpiralShape::RoundDifferential) << 0;
        QTest::newRow("hexagonal differential") << int(SpiralShape::NSidedDifferential) << 6;
        QTest::newRow("octagonal differential") << int(SpiralShape::NSidedDifferential) << 8;
    }

    void differentialFeedsCarryOppositeCurrents()
    {
        QFETCH(int, shape);
        QFETCH(int, sides);
        const Template t;
        SpiralParameters p = parameters(SpiralShape(shape), 3);
        p.sides = sides;
        p.radius = 60;
        const SpiralCurrentPaths paths = t.pathsOf(p);
        QVERIFY(paths.failure.isEmpty() && !paths.outside.empty());
        Vec3 moment{0, 0, 0};
        for (const std::vector<CurrentPiece> *part : {&paths.winding, &paths.outside}) {
            for (const CurrentPiece &piece : *part)
                moment = moment + piece.current * (piece.end - piece.start);
        }
        // Feeds of width 8, their gap the spacing of 5: their centres 13 apart.
        QVERIFY2(std::fabs(norm(moment) - 13) < 1e-6,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(moment.x).arg(moment.y).arg(moment.z)));
    }

    void degenerateGeometryStaysFinite()
    {
        const CurrentPiece piece{{0, 0, 0}, {10, 0, 0}, 2, 1};
        const CurrentPiece point{{5, 0, 0}, {5, 0, 0}, 2, 1};
        const CurrentPiece back{{10, 0, 0}, {0, 0, 0}, 2, 1};
        const double self = pathInductance({piece});
        QVERIFY(std::isfinite(self) && self > 0);
        QCOMPARE(pathInductance({piece, point}), self);
        QVERIFY(std::fabs(pathInductance({piece, piece}) / (4 * self) - 1) < 1e-12);
        QVERIFY(std::fabs(pathInductance({piece, back})) < 1e-9 * self);

        const Template t;
        // Turns all but touching, a zero radius: finite values.
        for (const SpiralParameters &p :
             {parameters(SpiralShape::Round, 3, 0.001), parameters(SpiralShape::NSided, 3, 0.001),
              parameters(SpiralShape::RoundDifferential, 2, 0.001)}) {
            SpiralParameters zeroRadius = p;
            zeroRadius.radius = 0;
            for (const SpiralParameters &q : {p, zeroRadius}) {
                const GeometryInductance result = t.of(q);
                QVERIFY2(result.hasValues(), qPrintable(result.reason));
                QVERIFY(std::isfinite(*result.winding) && std::isfinite(*result.referencePlanes));
            }
        }
        // No meaningful value: a reason instead.
        SpiralParameters overlapping = parameters(SpiralShape::Round, 3, -4);
        SpiralParameters notANumber = parameters(SpiralShape::NSided, 3);
        notANumber.spiralWidth = std::nan("");
        SpiralParameters tooLarge = parameters(SpiralShape::Round, 40);
        for (const SpiralParameters &p : {overlapping, notANumber, tooLarge}) {
            const GeometryInductance result = t.of(p);
            QVERIFY(!result.hasValues() && !result.reason.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(InductanceTest)
#include "test_inductance.moc"
