// Inductance from the drawn geometry: field-solver reference cases, the closed forms against
// brute-force integration, and the properties any partial inductance must have.
#include "core/inductance/currentpath.h"
#include "core/inductance/gausslegendre.h"
#include "core/inductance/geometryinductance.h"
#include "core/inductance/spiralcurrentpath.h"
#include "core/spiral/roundspiral.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(Vec3)

namespace {
QDir referenceDir()
{
    return QDir(QStringLiteral(TORVANE_INDUCTANCE_DIR));
}

SpiralShape shapeNamed(const QString &name)
{
    if (name == QLatin1String("nsided"))
        return SpiralShape::NSided;
    if (name == QLatin1String("diffround"))
        return SpiralShape::RoundDifferential;
    if (name == QLatin1String("diffnsided"))
        return SpiralShape::NSidedDifferential;
    return SpiralShape::Round;
}

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
        QFile csv(dir.filePath(QStringLiteral("reference.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList header = QString::fromLatin1(csv.readLine()).trimmed().split(',');
        const auto column = [&](const char *name) {
            return static_cast<int>(header.indexOf(QLatin1String(name)));
        };
        int cases = 0;
        while (!csv.atEnd()) {
            const QStringList row = QString::fromLatin1(csv.readLine()).trimmed().split(',');
            if (row.size() != header.size())
                continue;
            SpiralParameters p;
            p.shape = shapeNamed(row[column("shape")]);
            p.sides = row[column("sides")].toInt();
            p.turns = row[column("turns")].toDouble();
            p.radius = row[column("radius_um")].toDouble();
            p.spiralWidth = row[column("width_um")].toDouble();
            p.spacing = row[column("spacing_um")].toDouble();
            p.bridgeWidth = row[column("bridge_width_um")].toDouble();
            const GeometryInductance result =
                geometryInductance(p, document, layerSetup, functionSetup);
            QVERIFY2(result.hasValues(), qPrintable(row[0] + ": " + result.reason));
            const double values[2] = {*result.winding * 1e9, *result.referencePlanes * 1e9};
            const double expected[2] = {row[column("L_winding_nH")].toDouble(),
                                        row[column("L_refplanes_nH")].toDouble()};
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
        const auto spiral = makeSpiral(parameters(SpiralShape(shape), 3.25 - (shape >= 2) * 0.25),
                                       &t.layerSetup, &t.functionSetup);
        const BoxSettings &box = t.document.geometry.box;
        const SpiralCurrentPaths paths =
            spiralCurrentPaths(spiral->drawnLayout(t.document),
                               metalLevelHeights(t.document.geometry), box.xWidth, box.yWidth);
        QVERIFY(paths.failure.isEmpty());
        const auto [winding, planes] = pathInductances(paths.winding, paths.outside);
        const auto [mirrorWinding, mirrorPlanes] =
            pathInductances(mirrored(paths.winding), mirrored(paths.outside));
        QVERIFY(winding > 0 && planes > 0);
        QVERIFY(std::fabs(mirrorWinding / winding - 1) < 1e-9);
        QVERIFY(std::fabs(mirrorPlanes / planes - 1) < 1e-9);
    }

    void growsWithTurns()
    {
        const Template t;
        for (int shape = 0; shape < 4; ++shape) {
            double previous = 0;
            for (const double turns : {1.0, 2.0, 3.0, 4.0}) {
                const GeometryInductance result = t.of(parameters(SpiralShape(shape), turns));
                QVERIFY2(result.hasValues(), qPrintable(result.reason));
                QVERIFY2(*result.winding > previous, qPrintable(QString::number(shape)));
                QVERIFY(*result.referencePlanes > 0);
                previous = *result.winding;
            }
        }
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
