// Inductance in the box: field-solver references with box images, the clustered image sums
// against a plain sum over the images, and what the box description does with bad input.
#include "core/inductance/gausslegendre.h"
#include "core/inductance/geometryinductance.h"
#include "core/inductance/imagesum.h"
#include "core/inductance/spiralcurrentpath.h"
#include "core/spiral/roundspiral.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"
#include "referencecases.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <cmath>
#include <cstdlib>

using namespace torvane;

namespace {
struct Template
{
    ProjectDocument document;
    QStringList layerSetup;
    QStringList functionSetup;
    explicit Template(ProjectDocument loaded) : document(std::move(loaded))
    {
        readLayerSetup(document, layerSetup, functionSetup);
    }
    SpiralCurrentPaths pathsOf(const SpiralParameters &p) const
    {
        const auto spiral = makeSpiral(p, &layerSetup, &functionSetup);
        const BoxSettings &box = document.geometry.box;
        return spiralCurrentPaths(spiral->drawnLayout(document),
                                  metalLevelHeights(document.geometry), box.xWidth, box.yWidth);
    }
};

// Image index i along an axis with conductors at lower and upper (period = upper - lower, or
// 0 with one conductor): where a coordinate lands, written out afresh from the mirror rule.
double mirrored(int i, double v, double lower, double upper)
{
    const double period = upper - lower;
    const int k = i >= 0 ? i / 2 : -((-i + 1) / 2);
    if (i % 2 == 0)
        return v + 2 * k * period;
    return (i > 0 ? 2 * upper : 2 * lower) - v + 2 * (i > 0 ? k : k + 1) * period;
}

// The plain image sum: every image of every piece against every piece, Neumann's integral of
// the centre lines with three filaments across each width where the image is near, in cubes of
// whole periods until two in a row change the sum by less than 1e-6 of `scale`.
double plainImageSum(const std::vector<CurrentPiece> &pieces, const ConductingBox &box,
                     double scale)
{
    const bool both = box.cover && box.ground;
    const double low = box.ground.value_or(box.cover.value_or(0));
    const double high = box.cover.value_or(low);
    // Filaments spread over a tape's width, or over a via's square cross-section.
    const auto filaments = [](const CurrentPiece &p, const GaussRule &rule) {
        const Vec3 d = p.end - p.start;
        const double h = std::hypot(d.x, d.y);
        const Vec3 across = h > 0 ? Vec3{-d.y / h, d.x / h, 0} : Vec3{1, 0, 0};
        std::vector<std::pair<Vec3, double>> offsets;
        for (int i = 0; i < rule.count; ++i) {
            const Vec3 u = (0.5 * p.width * rule.nodes[i]) * across;
            if (h > 0) {
                offsets.emplace_back(u, 0.5 * rule.weights[i]);
                continue;
            }
            for (int j = 0; j < rule.count; ++j)
                offsets.emplace_back(u + Vec3{0, 0.5 * p.width * rule.nodes[j], 0},
                                     0.25 * rule.weights[i] * rule.weights[j]);
        }
        return offsets;
    };
    const auto term = [&](const CurrentPiece &a, const CurrentPiece &b) {
        const double apart = norm(0.5 * (a.start + a.end - b.start - b.end)) -
                             0.5 * (norm(a.end - a.start) + norm(b.end - b.start));
        const double width = std::max(a.width, b.width);
        if (apart > 20 * width)
            return filamentMutual(a.start, a.end, b.start, b.end);
        const GaussRule &rule = gaussLegendre(apart > 3 * width ? 3 : 8);
        double sum = 0;
        for (const auto &[da, wa] : filaments(a, rule)) {
            for (const auto &[db, wb] : filaments(b, rule))
                sum += wa * wb * filamentMutual(a.start + da, a.end + da, b.start + db, b.end + db);
        }
        return sum;
    };
    double total = 0;
    bool smallBefore = false;
    for (int n = 0; n < 40; ++n) {
        double shell = 0;
        const int zLimit = both ? 2 * n + 1 : 1;
        for (int i = -2 * n - 2; i <= 2 * n + 1; ++i) {
            for (int j = -2 * n - 2; j <= 2 * n + 1; ++j) {
                for (int k = -zLimit - (both ? 1 : 0); k <= zLimit; ++k) {
                    const int m = std::max({std::abs(i + (i < 0)) / 2, std::abs(j + (j < 0)) / 2,
                                            std::abs(k + (k < 0)) / 2});
                    const bool zUsed = both || (k == 0 || (k == 1 && box.cover && !box.ground) ||
                                                (k == -1 && box.ground && !box.cover));
                    if (m != n || !zUsed || (i == 0 && j == 0 && k == 0))
                        continue;
                    const double sign = (std::abs(i) + std::abs(j) + std::abs(k)) % 2 ? -1 : 1;
                    for (const CurrentPiece &b : pieces) {
                        const auto at = [&](Vec3 p) {
                            return Vec3{mirrored(i, p.x, 0, box.xWidth),
                                        mirrored(j, p.y, 0, box.yWidth),
                                        mirrored(k, p.z, low, high)};
                        };
                        const CurrentPiece image{at(b.start), at(b.end), b.width, sign * b.current};
                        for (const CurrentPiece &a : pieces)
                            shell += a.current * image.current * term(a, image);
                    }
                }
            }
        }
        total += shell;
        const bool small = std::fabs(shell) < 1e-6 * scale;
        if (n > 1 && small && smallBefore)
            break;
        smallBefore = small;
    }
    return total;
}

// A path on two levels with a via, like a small spiral's.
std::vector<CurrentPiece> smallPath()
{
    return {{{100, 100, 0}, {180, 100, 0}, 4, 1},  {{180, 100, 0}, {180, 170, 0}, 4, 1},
            {{180, 170, 0}, {110, 170, 0}, 4, 1},  {{110, 170, 0}, {110, 120, 0}, 4, 1},
            {{110, 120, 0}, {110, 120, -5}, 4, 1}, {{110, 120, -5}, {60, 120, -5}, 4, 1}};
}
} // namespace

Q_DECLARE_METATYPE(ConductingBox)
Q_DECLARE_METATYPE(CurrentPiece)

class BoxInductanceTest : public QObject
{
    Q_OBJECT

private slots:
    void fieldSolverReferencesInTheBox()
    {
        const QDir dir = referenceDir();
        if (!dir.exists(QStringLiteral("box-reference.csv")))
            QSKIP("no box reference file beside the project");
        ProjectDocument document;
        QCOMPARE(loadProject(dir.filePath(QStringLiteral("box1000.son")), document), 0);
        const Template t(document);
        const ReferenceTable table = readReferenceTable(QStringLiteral("box-reference.csv"));
        int cases = 0;
        for (const QStringList &row : table.rows) {
            const GeometryInductance result =
                geometryInductance(table.spiral(row), t.document, t.layerSetup, t.functionSetup);
            QVERIFY2(result.hasInBoxValues(), qPrintable(row[0] + ": " + result.inBoxReason));
            const double values[2] = {*result.inBoxWinding * 1e9,
                                      *result.inBoxReferencePlanes * 1e9};
            const double expected[2] = {table.number(row, "L_winding_box_nH"),
                                        table.number(row, "L_refplanes_box_nH")};
            for (int k = 0; k < 2; ++k) {
                QVERIFY2(std::fabs(values[k] / expected[k] - 1) < 0.003,
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

    void clusteredAgainstPlainImageSums_data()
    {
        QTest::addColumn<ConductingBox>("box");
        QTest::newRow("cover and ground") << ConductingBox{300, 260, 40.0, -100.0};
        QTest::newRow("ground only") << ConductingBox{300, 260, std::nullopt, -60.0};
        QTest::newRow("cover only") << ConductingBox{300, 260, 25.0, std::nullopt};
        QTest::newRow("cover 3 um above") << ConductingBox{300, 260, 3.0, -100.0};
        QTest::newRow("walls close") << ConductingBox{190, 175, 40.0, -100.0};
        QTest::newRow("flat") << ConductingBox{500, 420, 20.0, -20.0};
    }

    void clusteredAgainstPlainImageSums()
    {
        QFETCH(ConductingBox, box);
        const std::vector<CurrentPiece> path = smallPath();
        const std::vector<CurrentPiece> first(path.begin(), path.begin() + 4);
        const std::vector<CurrentPiece> second(path.begin() + 4, path.end());
        const double free = pathInductance(path);
        BoxImageSettings settings;
        settings.tolerance = 1e-7;
        const BoxImageSums sums = boxImageSums(first, second, box, free, settings);
        QVERIFY2(sums.hasSums() && sums.converged, qPrintable(sums.failure));
        const double plain = plainImageSum(path, box, free);
        QVERIFY2(std::fabs(sums.all - plain) < 2e-5 * free,
                 qPrintable(QStringLiteral("%1 vs %2 of %3").arg(sums.all).arg(plain).arg(free)));
        const double plainFirst = plainImageSum(first, box, free);
        QVERIFY2(std::fabs(sums.first - plainFirst) < 2e-5 * free,
                 qPrintable(QStringLiteral("%1 vs %2").arg(sums.first).arg(plainFirst)));
        // A conductor never adds inductance here.
        QVERIFY(sums.all < 0 && sums.first < 0);
    }

    void mirroredSpiralAndThreads()
    {
        // Clusters follow the coordinates: the mirror image in the box is summed otherwise,
        // and must agree to the sums' own accuracy. Stripes keep the bits on any threads.
        const Template t(builtInTemplate());
        SpiralParameters p;
        p.shape = SpiralShape::NSidedDifferential;
        p.turns = 3;
        p.radius = 40;
        const SpiralCurrentPaths paths = t.pathsOf(p);
        QVERIFY(paths.failure.isEmpty());
        const ConductingBox box = *conductingBoxOf(t.document.geometry).box;
        const auto flipped = [&](std::vector<CurrentPiece> pieces) {
            for (CurrentPiece &piece : pieces) {
                piece.start.x = box.xWidth - piece.start.x;
                piece.end.x = box.xWidth - piece.end.x;
            }
            return pieces;
        };
        const double free = pathInductance(paths.winding);
        BoxImageSettings one;
        one.threads = 1;
        BoxImageSettings three;
        three.threads = 3;
        const BoxImageSums sums = boxImageSums(paths.winding, paths.outside, box, free, one);
        const BoxImageSums mirror =
            boxImageSums(flipped(paths.winding), flipped(paths.outside), box, free, one);
        QVERIFY(sums.hasSums() && sums.first < -0.01 * free);
        QVERIFY2(std::fabs(mirror.first - sums.first) < 1e-6 * free &&
                     std::fabs(mirror.all - sums.all) < 1e-6 * free,
                 qPrintable(QStringLiteral("%1 vs %2").arg(mirror.all).arg(sums.all)));
        const BoxImageSums threaded = boxImageSums(paths.winding, paths.outside, box, free, three);
        QVERIFY(threaded.first == sums.first && threaded.all == sums.all);
    }

    void noValueInTheBox_data()
    {
        QTest::addColumn<ConductingBox>("box");
        QTest::addColumn<CurrentPiece>("piece");
        QTest::addColumn<QString>("reason");
        const ConductingBox box{300, 260, 40.0, -100.0};
        const CurrentPiece tape{{100, 100, 0}, {180, 100, 0}, 4, 1};
        QTest::newRow("no width") << ConductingBox{0, 260, 40.0, -100.0} << tape << "no size";
        QTest::newRow("cover below ground")
            << ConductingBox{300, 260, -120.0, -100.0} << tape << "no thickness";
        QTest::newRow("cover on the level")
            << ConductingBox{300, 260, 0.0, -100.0} << tape << "cover lies on";
        QTest::newRow("ground above")
            << ConductingBox{300, 260, 40.0, 10.0} << tape << "below the ground";
        QTest::newRow("touching a wall")
            << box << CurrentPiece{{2, 100, 0}, {2, 180, 0}, 4, 1} << "touches or crosses";
        QTest::newRow("crossing a wall")
            << box << CurrentPiece{{100, 250, 0}, {100, 270, 0}, 4, 1} << "touches or crosses";
        QTest::newRow("slanted") << box << CurrentPiece{{100, 100, 0}, {180, 100, -5}, 4, 1}
                                 << "neither horizontal";
    }

    void noValueInTheBox()
    {
        QFETCH(ConductingBox, box);
        QFETCH(CurrentPiece, piece);
        QFETCH(QString, reason);
        const BoxImageSums sums = boxImageSums({piece}, {}, box, 1);
        QVERIFY2(!sums.hasSums() && sums.failure.contains(reason), qPrintable(sums.failure));
    }

    void templateBox_data()
    {
        QTest::addColumn<QString>("topMetal");
        QTest::addColumn<bool>("onTop"); // no dielectric above the spiral
        QTest::addColumn<bool>("cover");
        QTest::addColumn<QString>("reason");
        const QString lossless = QStringLiteral("TMET \"Lossless\" 0 SUP 0 0 0 0");
        QTest::newRow("lossless cover") << lossless << false << true << "";
        QTest::newRow("free-space model")
            << "TMET \"Air above\" 0 FREESPACE 376.73 0 0 0" << false << false << "";
        QTest::newRow("named free space")
            << "TMET \"Free_Space\" 0 SUP 0 0 0 0" << false << false << "";
        QTest::newRow("cover on the spiral") << lossless << true << true << "cover lies on";
    }

    void templateBox()
    {
        QFETCH(QString, topMetal);
        QFETCH(bool, onTop);
        QFETCH(bool, cover);
        QFETCH(QString, reason);
        QByteArray text = builtInTemplateText();
        text.replace("TMET \"Lossless\" 0 SUP 0 0 0 0", topMetal.toLatin1());
        if (onTop) {
            text.replace("      100 1 1 0 0 0 0 \"Air\"", "      0 1 1 0 0 0 0 \"Air\"");
            text.replace("      1 7 1 0.001 0 0 0 \"Passivation\"",
                         "      0 7 1 0.001 0 0 0 \"Passivation\"");
        }
        const Template t(parseProject(text));
        const Template builtIn(builtInTemplate());
        const TemplateBox box = conductingBoxOf(t.document.geometry);
        QVERIFY(box.box && box.box->ground);
        QCOMPARE(*box.box->ground, onTop ? -306.5 : -307.5);
        QCOMPARE(box.box->cover.has_value(), cover);
        SpiralParameters p;
        p.turns = 3.5;
        const GeometryInductance result =
            geometryInductance(p, t.document, t.layerSetup, t.functionSetup);
        QVERIFY(result.hasValues());
        if (!reason.isEmpty()) {
            QVERIFY2(!result.hasInBoxValues() && result.inBoxReason.contains(reason),
                     qPrintable(result.inBoxReason));
            return;
        }
        QVERIFY2(result.hasInBoxValues(), qPrintable(result.inBoxReason));
        // The cover 101 um above lowers L more than the ground and the walls alone.
        const GeometryInductance covered =
            geometryInductance(p, builtIn.document, builtIn.layerSetup, builtIn.functionSetup);
        const double drop = 1 - *result.inBoxReferencePlanes / *result.referencePlanes;
        const double coveredDrop = 1 - *covered.inBoxReferencePlanes / *covered.referencePlanes;
        QVERIFY2(cover ? drop == coveredDrop : drop > 0 && drop < coveredDrop - 0.01,
                 qPrintable(QStringLiteral("%1 vs %2").arg(drop).arg(coveredDrop)));
    }
};

QTEST_GUILESS_MAIN(BoxInductanceTest)
#include "test_boxinductance.moc"
