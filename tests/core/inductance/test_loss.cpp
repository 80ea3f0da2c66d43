// Loss over frequency: the field-solver loss references, the kernels against brute-force
// integration, the template's metal types and frequencies, and bad input.
#include "core/inductance/crosssection.h"
#include "core/inductance/frequencyresponse.h"
#include "core/inductance/geometryinductance.h"
#include "core/inductance/imagefield.h"
#include "core/inductance/metalloss.h"
#include "core/template/analysisfrequencies.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"
#include "core/wording/inductancetext.h"
#include "referencecases.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <cmath>
#include <numbers>

using namespace torvane;

Q_DECLARE_METATYPE(SectionCell)
Q_DECLARE_METATYPE(ConductingBox)

namespace {
PieceMaterial materialNamed(const GeometryBlock &geometry, const QString &name)
{
    return metalLoss(geometry.metalTypes[geometry.metalTypeIndex(name)]).material;
}

// Rows of one case of loss-reference.csv: frequency (0 for DC), R, L.
struct ReferenceCase
{
    SpiralParameters parameters;
    std::vector<std::array<double, 3>> rows;
};

QMap<QString, ReferenceCase> lossReferences()
{
    QMap<QString, ReferenceCase> cases;
    const ReferenceTable table = readReferenceTable(QStringLiteral("loss-reference.csv"));
    for (const QStringList &row : table.rows) {
        ReferenceCase &c = cases[table.text(row, "case")];
        c.parameters = table.spiral(row);
        c.rows.push_back({table.number(row, "freq_Hz"), table.number(row, "R_ohm"),
                          table.number(row, "L_nH") * 1e-9});
    }
    return cases;
}

double relative(double value, double expected)
{
    return value / expected - 1;
}

// ln GMD of two rectangles by a 24 x 24 point Gauss product rule per axis (log kernel, smooth
// for separated rectangles).
double bruteForceLogDistance(const SectionCell &a, const SectionCell &b, double du, double dv)
{
    constexpr int n = 24;
    const auto node = [](int i) {
        return (i + 0.5) / n - 0.5;
    };
    double sum = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k)
                for (int l = 0; l < n; ++l)
                    sum +=
                        0.5 *
                        std::log(
                            std::pow(b.u + du + b.width * node(k) - a.u - a.width * node(i), 2) +
                            std::pow(b.v + dv + b.height * node(l) - a.v - a.height * node(j), 2));
    return sum / std::pow(n, 4);
}

struct Technology
{
    ProjectDocument document = builtInTemplate();
    QStringList layerSetup;
    QStringList functionSetup;
    Technology() { readLayerSetup(document, layerSetup, functionSetup); }
};

SpiralParameters squareSpiral()
{
    SpiralParameters p;
    p.shape = SpiralShape::NSided;
    p.sides = 4;
    p.turns = 2.5;
    p.radius = 30;
    p.spiralWidth = 8;
    p.spacing = 3;
    p.bridgeWidth = 8;
    return p;
}
} // namespace

class LossTest : public QObject
{
    Q_OBJECT

private slots:
    // The references' conductors: the spiral level in "Thick Metal", the bridge in "Copper", the
    // vias W x W bars of the bridge metal; the differential cases carry their underpasses in
    // the spiral's metal (their DC rows are those lengths in "Thick Metal").
    void fieldSolverLossReferences()
    {
        const QMap<QString, ReferenceCase> cases = lossReferences();
        if (cases.isEmpty())
            QSKIP("no loss reference beside the project");
        ProjectDocument document;
        QCOMPARE(loadProject(referenceDir().filePath(QStringLiteral("box1000.son")), document), 0);
        QStringList layerSetup;
        QStringList functionSetup;
        readLayerSetup(document, layerSetup, functionSetup);
        const GeometryBlock &geometry = document.geometry;
        const PieceMaterial spiralMetal = materialNamed(geometry, layerSetup[0]);
        for (auto it = cases.begin(); it != cases.end(); ++it) {
            const ReferenceCase &c = it.value();
            const PieceMaterial bridgeMetal = isDifferential(c.parameters.shape)
                                                  ? spiralMetal
                                                  : materialNamed(geometry, layerSetup[1]);
            const TracedSpiral traced =
                traceSpiral(c.parameters, document, layerSetup, functionSetup);
            QVERIFY2(traced.reason.isEmpty(), qPrintable(traced.reason));
            std::vector<PieceMaterial> materials;
            for (const CurrentPiece &piece : traced.paths.planes)
                materials.push_back(piece.level == 0 && !piece.isVia() ? spiralMetal : bridgeMetal);
            std::vector<double> frequencies;
            for (const auto &row : c.rows) {
                if (row[0] > 0)
                    frequencies.push_back(row[0]);
            }
            const FrequencyResponse response = pathFrequencyResponse(
                traced.paths.planes, materials, traced.lengthScale, frequencies);
            QVERIFY2(response.hasValues(), qPrintable(response.reason));
            for (const auto &[frequency, r, l] : c.rows) {
                const QString where = QStringLiteral("%1 at %2 Hz").arg(it.key()).arg(frequency);
                if (frequency == 0) {
                    QVERIFY2(
                        std::fabs(relative(response.resistanceDC, r)) < 0.005,
                        qPrintable(where + QStringLiteral(": R_dc %1").arg(response.resistanceDC)));
                    continue;
                }
                const auto point =
                    std::find_if(response.freeSpace.begin(), response.freeSpace.end(),
                                 [&](const FrequencyPoint &p) {
                                     return std::fabs(p.frequency - frequency) < 1;
                                 });
                QVERIFY(point != response.freeSpace.end());
                QVERIFY2(std::fabs(relative(point->resistance, r)) < 0.02,
                         qPrintable(where + QStringLiteral(": R %1").arg(point->resistance)));
                QVERIFY2(std::fabs(relative(point->inductance, l)) < 0.02,
                         qPrintable(where + QStringLiteral(": L %1").arg(point->inductance)));
            }
            // As created (lossless vias, the template's metals) the DC value stays within the
            // vias' share for the single-ended cases.
            if (!isDifferential(c.parameters.shape)) {
                const ResistanceDC created =
                    resistanceDC(c.parameters, document, layerSetup, functionSetup);
                QVERIFY(created.ohms);
                QVERIFY(std::fabs(relative(*created.ohms, c.rows[0][1])) < 0.005);
            }
        }
    }

    void cellKernelsAgreeWithBruteForce_data()
    {
        QTest::addColumn<SectionCell>("a");
        QTest::addColumn<SectionCell>("b");
        QTest::addColumn<double>("du");
        QTest::addColumn<double>("dv");
        const SectionCell flat{0, 0, 3.5, 1.1};
        const SectionCell small{0.4, -0.2, 0.22, 0.14};
        QTest::newRow("side by side, exact corners") << flat << small << 3.0 << 0.0;
        QTest::newRow("stacked") << flat << flat << 0.5 << 2.6;
        QTest::newRow("far, expansion") << small << flat << 14.0 << 5.0;
    }

    void cellKernelsAgreeWithBruteForce()
    {
        QFETCH(SectionCell, a);
        QFETCH(SectionCell, b);
        QFETCH(double, du);
        QFETCH(double, dv);
        QVERIFY(std::fabs(logMeanDistance(a, b, du, dv) - bruteForceLogDistance(a, b, du, dv)) <
                2e-4);
        // Strips are cells without height.
        const SectionCell thinA{0, 0, a.width, 1e-4};
        const SectionCell thinB{0, 0, b.width, 1e-4};
        QVERIFY(std::fabs(stripLogMeanDistance(a.width, b.width, du, dv) -
                          bruteForceLogDistance(thinA, thinB, du, dv)) < 2e-4);
    }

    // A square's own GMD is 0.44705 times its side (Maxwell).
    void squareGeometricMeanDistance()
    {
        const SectionCell square{0, 0, 2, 2};
        QVERIFY(std::fabs(std::exp(logMeanDistance(square, square, 0, 0)) / 2 - 0.44705) < 1e-5);
    }

    // The path counted once carries the same partial inductance as the winding with the feed
    // and bridge that runs back over its end.
    void planesPathMatchesTheReferencePlanesValue()
    {
        const Technology t;
        for (int shape = 0; shape < 4; ++shape) {
            SpiralParameters p = squareSpiral();
            p.shape = SpiralShape(shape);
            p.turns = shape >= 2 ? 3 : 3.25;
            p.radius = shape >= 2 ? 40 : 30;
            const TracedSpiral traced = traceSpiral(p, t.document, t.layerSetup, t.functionSetup);
            QVERIFY2(traced.reason.isEmpty(), qPrintable(traced.reason));
            const double planes =
                pathInductances(traced.paths.winding, traced.paths.outside).second;
            QVERIFY2(std::fabs(pathInductance(traced.paths.planes) / planes - 1) < 1e-6,
                     qPrintable(QString::number(shape)));
        }
    }

    void metalTypes_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("thickness");
        QTest::addColumn<double>("value"); // conductivity, or the sheet resistance
        using K = MetalLoss::Kind;
        QTest::newRow("normal") << "NOR"
                                << " 5.8e+07 0 1" << int(K::Bulk) << 1.0 << 5.8e7;
        QTest::newRow("thick metal") << "TMM"
                                     << " 41000000 0 2 2" << int(K::Bulk) << 2.0 << 4.1e7;
        QTest::newRow("infinite conductivity") << "NOR"
                                               << " INF 0 0.1" << int(K::Lossless) << 0.1 << qInf();
        QTest::newRow("lossless") << "SUP"
                                  << " 0 0 0 0" << int(K::Lossless) << 0.0 << 0.0;
        QTest::newRow("sheet") << "SUP"
                               << " 0.02 3e-07 0 5" << int(K::Sheet) << 0.0 << 0.02;
        QTest::newRow("resistor") << "RES"
                                  << " 116.375" << int(K::Sheet) << 0.0 << 116.375;
        QTest::newRow("volume") << "VOL"
                                << " 58000000 SOLID 0" << int(K::NotModelled) << 0.0 << 0.0;
        QTest::newRow("zero conductivity") << "NOR"
                                           << " 0 0 1" << int(K::Invalid) << 0.0 << 0.0;
        QTest::newRow("zero thickness") << "NOR"
                                        << " 5.8e7 0 0" << int(K::Invalid) << 0.0 << 0.0;
        QTest::newRow("negative sheet") << "RES"
                                        << " -3" << int(K::Invalid) << 0.0 << 0.0;
        QTest::newRow("not a number") << "NOR"
                                      << " 5.8e7 0 thick" << int(K::Invalid) << 0.0 << 0.0;
    }

    void metalTypes()
    {
        QFETCH(QString, model);
        QFETCH(QString, parameters);
        QFETCH(int, kind);
        QFETCH(double, thickness);
        QFETCH(double, value);
        const MetalType type{QStringLiteral("MET"), QStringLiteral("M7"), 1, model, parameters};
        const MetalLoss metal = metalLoss(type);
        QCOMPARE(int(metal.kind), kind);
        if (!metal.usable()) {
            QVERIFY(metal.problem.contains(QLatin1String("\"M7\"")));
            return;
        }
        QCOMPARE(metal.material.thickness, thickness);
        QCOMPARE(metal.material.isSheet() ? metal.material.sheetResistance
                                          : metal.material.conductivity,
                 value);
    }

    void frequenciesOfTheFreqBlock_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<QString>("problem");
        QTest::newRow("no block") << QStringList{} << "GHZ" << 1e8 << 1e10 << "";
        QTest::newRow("adaptive") << QStringList{"ABS 0.5 20", "END FREQ"} << "GHZ" << 5e8 << 2e10
                                  << "";
        QTest::newRow("several lines, MHz")
            << QStringList{"SIMPLE 200.0 400.0 100.0", "STEP 850", "LSWEEP 10 100 5", "END FREQ"}
            << "MHZ" << 1e7 << 8.5e8 << "";
        QTest::newRow("empty block")
            << QStringList{"END FREQ"} << "GHZ" << 0.0 << 0.0 << "lists no frequencies";
        QTest::newRow("zero") << QStringList{"ABS 0 10", "END FREQ"} << "GHZ" << 0.0 << 0.0
                              << "ABS 0 10";
        QTest::newRow("unknown unit")
            << QStringList{"ABS 1 10", "END FREQ"} << "PARSEC" << 0.0 << 0.0 << "PARSEC";
    }

    void frequenciesOfTheFreqBlock()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, unit);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(QString, problem);
        ProjectDocument document;
        document.frequencyLines = lines;
        document.dimension.frequencyUnit = unit;
        const FrequencySweep sweep = templateFrequencies(document);
        if (!problem.isEmpty()) {
            QVERIFY(!sweep.ok());
            QVERIFY2(sweep.error().contains(problem), qPrintable(sweep.error()));
            return;
        }
        QVERIFY2(sweep.ok(), qPrintable(sweep.error()));
        QCOMPARE(int(sweep->size()), defaultSweepPoints);
        QCOMPARE(sweep->front(), low);
        QCOMPARE(sweep->back(), high);
        QVERIFY(std::is_sorted(sweep->begin(), sweep->end()));
    }

    void frequencyOption_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<double>>("hertz");
        QTest::addColumn<QString>("problem");
        QTest::newRow("list, sorted") << "10,1,2.5" << QList<double>{1e9, 2.5e9, 1e10} << "";
        QTest::newRow("range") << "1:3:1" << QList<double>{1e9, 2e9, 3e9} << "";
        QTest::newRow("zero step") << "1:3:0" << QList<double>{} << "must not be 0";
        QTest::newRow("reversed") << "3:1:-1" << QList<double>{} << "'3:1:-1' runs backwards";
        QTest::newRow("zero frequency") << "0,1" << QList<double>{} << "0 GHz";
        QTest::newRow("negative") << "-2" << QList<double>{} << "-2 GHz";
    }

    void frequencyOption()
    {
        QFETCH(QString, text);
        QFETCH(QList<double>, hertz);
        QFETCH(QString, problem);
        const FrequencySweep sweep = frequencyList(text, QStringLiteral("GHZ"));
        QVERIFY2(problem.isEmpty() ? sweep.ok() : sweep.error().contains(problem),
                 qPrintable(sweep.error()));
        const std::vector<double> found = sweep.value_or({});
        QCOMPARE(QList<double>(found.begin(), found.end()), hertz);
    }

    // Crowding only adds loss and takes inductance away as the frequency rises; thick metal
    // lies below the sheet value; Q rises from the low end.
    void responseOfTheBuiltInTemplate()
    {
        const Technology t;
        const FrequencySweep sweep = templateFrequencies(t.document);
        const FrequencyResponse response = frequencyResponse(
            squareSpiral(), t.document, t.layerSetup, t.functionSetup, sweep.value_or({}));
        QVERIFY2(response.hasValues(), qPrintable(response.reason));
        QVERIFY(response.thickInductance < response.sheetInductance);
        QVERIFY(response.freeSpace.front().resistance >= response.resistanceDC * 0.9999);
        for (size_t i = 1; i < response.freeSpace.size(); ++i) {
            QVERIFY(response.freeSpace[i].resistance > response.freeSpace[i - 1].resistance);
            QVERIFY(response.freeSpace[i].inductance < response.freeSpace[i - 1].inductance);
        }
        QVERIFY(response.peakQ()->q > response.freeSpace.front().q);
        QVERIFY(qualityFactorText(response, QStringLiteral("GHZ")).startsWith(QLatin1String("Q ")));
    }

    // The Q line names the in-box peak beside the free-space one, and its frequency only where
    // the two peaks differ.
    void qualityLine_data()
    {
        QTest::addColumn<double>("inBoxPeakHertz");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << 0.0 << QStringLiteral("Q 30 at 10 GHz, R_dc 1.25 \u03a9");
        QTest::newRow("same frequency")
            << 10e9 << QStringLiteral("Q 30 at 10 GHz (28 in the box), R_dc 1.25 \u03a9");
        QTest::newRow("lower") << 5e9
                               << QStringLiteral(
                                      "Q 30 at 10 GHz (28 at 5 GHz in the box), R_dc 1.25 \u03a9");
    }
    void qualityLine()
    {
        QFETCH(double, inBoxPeakHertz);
        FrequencyResponse response;
        response.resistanceDC = 1.25;
        response.freeSpace = {{1e9, 1e-9, 1.3, 5}, {10e9, 1e-9, 2.0, 30}};
        if (inBoxPeakHertz > 0)
            response.inBox = {{inBoxPeakHertz, 1e-9, 2.0, 28}, {20e9, 1e-9, 2.0, 3}};
        QFETCH(QString, expected);
        QCOMPARE(qualityFactorText(response, QStringLiteral("GHZ")), expected);
    }

    // In the box: at low frequency L is the thick-metal value less what the box takes of the
    // sheet value (the geometry inductance in the box, its image sums over other piece lists);
    // Q = 2 pi f L / R; no value is NaN.
    void responseInTheBox()
    {
        const Technology t;
        for (int shape = 0; shape < 4; ++shape) {
            SpiralParameters p = squareSpiral();
            p.shape = SpiralShape(shape);
            p.turns = shape >= 2 ? 3 : 3.25;
            p.radius = shape >= 2 ? 40 : 30;
            const FrequencyResponse r =
                frequencyResponse(p, t.document, t.layerSetup, t.functionSetup, {1e6, 1e9, 1e10});
            QVERIFY2(r.hasInBoxValues(), qPrintable(r.inBoxReason));
            const GeometryInductance g =
                geometryInductance(p, t.document, t.layerSetup, t.functionSetup);
            const double derived = r.thickInductance + *g.inBoxReferencePlanes - *g.referencePlanes;
            QVERIFY2(std::fabs(relative(r.inBox.front().inductance, derived)) < 1e-6,
                     qPrintable(QString::number(relative(r.inBox.front().inductance, derived))));
            for (const FrequencyPoint &point : r.inBox) {
                QVERIFY(std::isfinite(point.resistance) && point.resistance > 0);
                QVERIFY(std::isfinite(point.inductance) && point.inductance > 0);
                QCOMPARE(point.q, 2 * std::numbers::pi * point.frequency * point.inductance /
                                      point.resistance);
            }
        }
    }

    // Far walls, cover and ground take less and less: L like one over the box's size (the
    // open path's net current has images too), R faster.
    void aFarBoxIsFreeSpace_data()
    {
        QTest::addColumn<double>("size");
        QTest::addColumn<double>("inductanceBound");
        QTest::addColumn<double>("resistanceBound");
        QTest::newRow("4 mm") << 4000.0 << 1e-3 << 1e-5;
        QTest::newRow("40 mm") << 40000.0 << 1e-4 << 1e-6;
    }

    void aFarBoxIsFreeSpace()
    {
        QFETCH(double, size);
        QFETCH(double, inductanceBound);
        QFETCH(double, resistanceBound);
        Technology t;
        BoxSettings &box = t.document.geometry.box;
        box.xWidth = box.yWidth = size;
        box.xCells2 = box.yCells2 = 2 * size;
        t.document.geometry.dielectricLayers.first().thickness = size / 2;
        t.document.geometry.dielectricLayers.last().thickness = size / 2;
        const FrequencyResponse r = frequencyResponse(squareSpiral(), t.document, t.layerSetup,
                                                      t.functionSetup, {1e8, 1e9, 1e10});
        QVERIFY2(r.hasInBoxValues(), qPrintable(r.inBoxReason));
        for (size_t i = 0; i < r.inBox.size(); ++i) {
            const double dl = relative(r.inBox[i].inductance, r.freeSpace[i].inductance);
            const double dr = relative(r.inBox[i].resistance, r.freeSpace[i].resistance);
            QVERIFY2(std::fabs(dl) < inductanceBound && std::fabs(dr) < resistanceBound,
                     qPrintable(QStringLiteral("L %1, R %2").arg(dl).arg(dr)));
        }
    }

    // Over a ground plane alone, the path and its mirror image in free space (a second
    // conductor with the opposite current) have twice the impedance of the path in the box:
    // the plane midway between them is where their field has no normal component. The walls,
    // 200 mm away, add a few 1e-6.
    void groundPlaneAsAMirrorConductor()
    {
        const Technology t;
        const TracedSpiral traced =
            traceSpiral(squareSpiral(), t.document, t.layerSetup, t.functionSetup);
        QVERIFY2(traced.reason.isEmpty(), qPrintable(traced.reason));
        const ConductingBox box{400000, 400000, std::nullopt, -40.0};
        std::vector<CurrentPiece> pieces;
        std::vector<PieceMaterial> materials;
        for (CurrentPiece piece : traced.paths.planes) {
            for (Vec3 *end : {&piece.start, &piece.end})
                *end = *end + Vec3{199800, 199800, 0};
            pieces.push_back(piece);
            materials.push_back(
                piece.isVia()
                    ? PieceMaterial{}
                    : levelMetalLoss(t.document.geometry, t.layerSetup, piece.level).material);
        }
        std::vector<CurrentPiece> pair = pieces;
        for (const CurrentPiece &piece : pieces)
            pair.push_back(imagePiece(box, BoxImage{{0, 0, -1}}, piece));
        std::vector<PieceMaterial> pairMaterials = materials;
        pairMaterials.insert(pairMaterials.end(), materials.begin(), materials.end());
        const std::vector<double> frequencies{1e9, 1e10};
        const FrequencyResponse inBox = pathFrequencyResponse(
            pieces, materials, traced.lengthScale, frequencies, {}, TemplateBox{box, {}});
        const FrequencyResponse mirrored =
            pathFrequencyResponse(pair, pairMaterials, traced.lengthScale, frequencies);
        QVERIFY2(inBox.hasInBoxValues(), qPrintable(inBox.inBoxReason));
        QVERIFY2(mirrored.hasValues(), qPrintable(mirrored.reason));
        for (size_t i = 0; i < frequencies.size(); ++i) {
            const FrequencyPoint &a = inBox.inBox[i];
            const FrequencyPoint &b = mirrored.freeSpace[i];
            const double dr = relative(a.resistance, b.resistance / 2);
            const double dl = relative(a.inductance, b.inductance / 2);
            QVERIFY2(std::fabs(dr) < 1e-4 && std::fabs(dl) < 1e-4,
                     qPrintable(QStringLiteral("R %1, L %2").arg(dr).arg(dl)));
            // And the plane matters here.
            QVERIFY(std::fabs(relative(a.resistance, inBox.freeSpace[i].resistance)) > 1e-3);
        }
    }

    // The images' field across each piece against every image of every piece summed one by one,
    // each as the difference of Neumann's closed form with the piece moved either way.
    void imageFieldAgreesWithBruteForce_data()
    {
        QTest::addColumn<ConductingBox>("box");
        QTest::newRow("cover and ground") << ConductingBox{300, 260, 20.0, -50.0};
        QTest::newRow("ground only") << ConductingBox{300, 260, std::nullopt, -50.0};
        QTest::newRow("cover 3 um above") << ConductingBox{300, 260, 3.0, -50.0};
        QTest::newRow("walls close by") << ConductingBox{200, 190, 30.0, -30.0};
    }

    void imageFieldAgreesWithBruteForce()
    {
        QFETCH(ConductingBox, box);
        // On two levels with a via, like a small spiral's.
        const std::vector<CurrentPiece> path{
            {{100, 100, 0}, {180, 100, 0}, 4, 1},  {{180, 100, 0}, {180, 170, 0}, 4, 1},
            {{180, 170, 0}, {110, 170, 0}, 4, 1},  {{110, 170, 0}, {110, 120, 0}, 4, 1},
            {{110, 120, 0}, {110, 120, -5}, 4, 1}, {{110, 120, -5}, {60, 120, -5}, 4, 0.5}};
        constexpr int shells = 4;
        const ImageField field = imageFieldGradients(path, box, shells);
        QVERIFY2(field.hasValues(), qPrintable(field.failure));
        std::vector<ImageFieldGradient> brute(path.size());
        double largest = 0;
        for (size_t i = 0; i < path.size(); ++i) {
            const CurrentPiece &a = path[i];
            if (a.isVia())
                continue;
            const Vec3 along = (1 / norm(a.end - a.start)) * (a.end - a.start);
            const Vec3 across{-along.y, along.x, 0};
            constexpr double step = 1e-3;
            for (const CurrentPiece &b : path) {
                for (const CurrentPiece &image : imagePieces(box, b, shells - 1)) {
                    const auto mutual = [&](Vec3 move) {
                        return image.current *
                               filamentMutual(a.start + move, a.end + move, image.start, image.end);
                    };
                    brute[i].across +=
                        (mutual(step * across) - mutual(-step * across)) / (2 * step);
                    brute[i].up += (mutual({0, 0, step}) - mutual({0, 0, -step})) / (2 * step);
                }
            }
            largest = std::max({largest, std::fabs(brute[i].across), std::fabs(brute[i].up)});
        }
        for (size_t i = 0; i < path.size(); ++i) {
            const QString where = QStringLiteral("piece %1: %2, %3 against %4, %5")
                                      .arg(i)
                                      .arg(field.gradients[i].across)
                                      .arg(field.gradients[i].up)
                                      .arg(brute[i].across)
                                      .arg(brute[i].up);
            QVERIFY2(std::fabs(field.gradients[i].across - brute[i].across) < 0.01 * largest,
                     qPrintable(where));
            QVERIFY2(std::fabs(field.gradients[i].up - brute[i].up) < 0.01 * largest,
                     qPrintable(where));
        }
    }

    void inBoxReasons_data()
    {
        QTest::addColumn<bool>("coverOnTheSpiral");
        QTest::addColumn<QString>("reason");
        QTest::newRow("cover on the spiral's level") << true << "The cover lies on a metal level";
        QTest::newRow("box left out") << false << "The box was left out.";
    }

    // Free-space values, none in the box, and why.
    void inBoxReasons()
    {
        QFETCH(bool, coverOnTheSpiral);
        QFETCH(QString, reason);
        Technology t;
        ResponseControl control;
        if (coverOnTheSpiral) {
            t.document.geometry.dielectricLayers.first().thickness = 0;
            t.layerSetup = QStringList{"TopMetal", "Metal5", "Lossless", "Lossless"};
            t.functionSetup = QStringList{roleSpiral, roleBridge, roleNone, roleNone};
        } else {
            control.box = BoxEffect::Left;
        }
        const FrequencyResponse r = frequencyResponse(squareSpiral(), t.document, t.layerSetup,
                                                      t.functionSetup, {1e9, 1e10}, control);
        QVERIFY2(r.hasValues(), qPrintable(r.reason));
        QVERIFY(r.inBox.empty() && !r.hasInBoxValues() && !r.inBoxPeakQ());
        QVERIFY2(r.inBoxReason.startsWith(reason), qPrintable(r.inBoxReason));
    }

    void badInputGivesAReason_data()
    {
        QTest::addColumn<QString>("metal");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no such metal") << "Gold"
                                       << "\"Gold\", which the template does not define";
        QTest::newRow("lossless") << "Lossless"
                                  << "lossless";
    }

    void badInputGivesAReason()
    {
        QFETCH(QString, metal);
        QFETCH(QString, reason);
        Technology t;
        for (qsizetype level = 0; level < t.layerSetup.size(); ++level)
            t.layerSetup[level] = metal;
        const FrequencyResponse response = frequencyResponse(
            squareSpiral(), t.document, t.layerSetup, t.functionSetup, {1e9, 2e9});
        QVERIFY(!response.hasValues());
        QVERIFY2(response.reason.contains(reason), qPrintable(response.reason));
        QVERIFY(response.freeSpace.empty());
    }

    void stopsAndReportsProgress()
    {
        const Technology t;
        const std::vector<double> frequencies{1e9, 2e9, 4e9};
        QList<QPair<int, int>> steps;
        ResponseControl control;
        control.progress = [&](int done, int total) {
            steps.append({done, total});
        };
        const FrequencyResponse done = frequencyResponse(squareSpiral(), t.document, t.layerSetup,
                                                         t.functionSetup, frequencies, control);
        QVERIFY(done.hasValues());
        QCOMPARE(steps.size(), 4);
        QCOMPARE(steps.last(), qMakePair(4, 4));

        std::atomic<bool> stop{true};
        control.stop = &stop;
        const FrequencyResponse stopped = frequencyResponse(
            squareSpiral(), t.document, t.layerSetup, t.functionSetup, frequencies, control);
        QVERIFY(!stopped.hasValues());
        QCOMPARE(stopped.reason, QStringLiteral("Stopped."));
    }
};

QTEST_GUILESS_MAIN(LossTest)
#include "test_loss.moc"
