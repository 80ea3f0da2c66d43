// The create command's checks and sequence, the estimate panel's texts and the unit scales.
#include "core/template/builtintemplate.h"
#include "core/template/createspiral.h"
#include "core/template/layerroles.h"
#include "core/template/lengthconversion.h"
#include "core/template/templatecheck.h"
#include "core/template/units.h"
#include "core/wording/estimatetext.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace torvane;

class TemplateCreateTest : public QObject
{
    Q_OBJECT

private slots:
    void unitScales_data();
    void unitScales();
    void templateUnitSelectsEntry_data();
    void templateUnitSelectsEntry();
    void innerRadiusCheck_data();
    void innerRadiusCheck();
    void feedSpacingLimit();
    void templateDefects();
    void estimatePanel_data();
    void estimatePanel();
    void lengthUnitChangesOnlyTheInductance();
    void createReplacesGeometryEveryTime();
    void createKeepsTheRestOfTheTemplate();
    void lengthUnitConversionKeepsSizes();
};

void TemplateCreateTest::unitScales_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("metres");
    QTest::addColumn<double>("henries");
    QTest::newRow("MIL") << "MIL" << 2.54e-5 << 1e-9;
    QTest::newRow("mils") << "mils" << 2.54e-5 << 1e-9;
    QTest::newRow("in") << "in" << 0.0254 << 1e-9;
    QTest::newRow("MM") << "MM" << 0.001 << 1e-9;
    QTest::newRow("UM") << "UM" << 1e-6 << 1e-9;
    QTest::newRow("CM") << "CM" << 0.01 << 1e-9;
    QTest::newRow("m") << "m" << 1.0 << 1e-9;
    QTest::newRow("empty") << "" << 2.54e-5 << 1e-9;
    QTest::newRow("ft") << "ft" << 2.54e-5 << 1e-9;
    QTest::newRow("NH") << "NH" << 2.54e-5 << 1e-9;
    QTest::newRow("pH") << "pH" << 2.54e-5 << 1e-12;
    QTest::newRow("fH") << "fH" << 2.54e-5 << 1e-15;
    QTest::newRow("uH") << "uH" << 2.54e-5 << 1e-6;
    QTest::newRow("mH") << "mH" << 1.0 << 0.001;
    QTest::newRow("H") << "H" << 2.54e-5 << 1.0;
}

void TemplateCreateTest::unitScales()
{
    QFETCH(QString, name);
    QFETCH(double, metres);
    QFETCH(double, henries);
    QCOMPARE(MetresPerLengthUnit(name), metres);
    QCOMPARE(HenriesPerInductanceUnit(name), henries);
}

void TemplateCreateTest::templateUnitSelectsEntry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("inductance");
    QTest::addColumn<bool>("givesWay"); // to the selected entry, as a length unit
    QTest::newRow("UM") << "UM" << 2 << -1 << false;
    QTest::newRow("MIL") << "MIL" << 0 << -1 << false;
    QTest::newRow("metres, not mil") << "M" << 5 << 1 << false;
    QTest::newRow("NH") << "NH" << -1 << 3 << false;
    QTest::newRow("prefix") << "mi" << 0 << -1 << true;
    QTest::newRow("plural") << "mils" << 0 << -1 << true;
    QTest::newRow("spelled out") << "MICRONS" << 2 << -1 << true;
    QTest::newRow("millimetres, not mil") << "millimetres" << 3 << -1 << true;
    QTest::newRow("nanometres, not metres") << "nanometers" << -1 << -1 << false;
    QTest::newRow("one letter begins any word") << "MICRO" << -1 << -1 << false;
    QTest::newRow("empty") << "" << -1 << -1 << true;
}

void TemplateCreateTest::templateUnitSelectsEntry()
{
    QFETCH(QString, name);
    QFETCH(int, length);
    QFETCH(int, inductance);
    QFETCH(bool, givesWay);
    QCOMPARE(matchingUnitIndex(lengthUnitNames(), name), length);
    QCOMPARE(matchingUnitIndex(inductanceUnitNames(), name), inductance);
    QCOMPARE(takesSelectedUnitName(lengthUnitNames(), name), givesWay);
}

void TemplateCreateTest::innerRadiusCheck_data()
{
    QTest::addColumn<double>("cellSize");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<int>("sides");
    QTest::addColumn<double>("minimum");
    // m = max(cell, (w/2)/sqrt 2); side needed 4m + w + s; radius = side / (2 tan(pi/n)).
    QTest::newRow("width decides") << 1.0 << 10.0 << 10.0 << 8 << 41.21320343559642;
    QTest::newRow("cell decides") << 5.0 << 4.0 << 6.0 << 4 << 15.0;
}

void TemplateCreateTest::innerRadiusCheck()
{
    QFETCH(double, cellSize);
    QFETCH(double, width);
    QFETCH(double, spacing);
    QFETCH(int, sides);
    QFETCH(double, minimum);
    QVERIFY(qFuzzyCompare(minimumInnerRadius(cellSize, width, spacing, sides), minimum));
    BoxSettings box;
    box.yWidth = 100 * cellSize;
    box.yCells2 = 200;
    QCOMPARE(innerRadiusShortfall(box, width, spacing, minimum * 0.999, sides).has_value(), true);
    QCOMPARE(innerRadiusShortfall(box, width, spacing, minimum * 1.001, sides), std::nullopt);
    QVERIFY(qFuzzyCompare(*innerRadiusShortfall(box, width, spacing, 1, sides), minimum));
    QCOMPARE(innerRadiusMessage(41.21320343559642, "um"),
             QStringLiteral("Inner radius must exceed 41.2132 um.\nCannot create spiral."));
}

void TemplateCreateTest::feedSpacingLimit()
{
    // w + w / sqrt 2 + s = 10 + 7.0710678 + 10
    QVERIFY(!feedSpacingTooLarge(10, 10, 27.07));
    QVERIFY(feedSpacingTooLarge(10, 10, 27.08));
    // Exactly at the limit (width 0 makes it exact) passes.
    QVERIFY(!feedSpacingTooLarge(0, 5, 5));
    QVERIFY(feedSpacingTooLarge(0, 5, 5.001));
    QVERIFY(!hasSpiralLevel({"none", "bridge", "Spiral"}));
    QVERIFY(hasSpiralLevel({"none", "spiral"}));
    QVERIFY(!hasSpiralLevel({}));
}

void TemplateCreateTest::templateDefects()
{
    const QByteArray layer = "\n 10 1 1 0 0 0 0 \"A\"";
    const QList<std::pair<QByteArray, QString>> cases{
        {"GEO\nBOX 0 100 160 200 320 20 0" + layer, {}},
        {{}, "no geometry (GEO block) found"},
        {"GEO\nMET \"Gold\" 1 SUP 0 0 0 0\nEND GEO", "no box (BOX line) found"},
        {"GEO\nBOX 0 nan 0 200 320 20 0" + layer,
         "the box size nan x 0 is not positive (BOX line)"},
        {"GEO\nBOX 0 100 160 200 1 20 0" + layer,
         "the box cell counts 100 x 0 are not positive (BOX line)"},
        {"GEO\nBOX -1 100 160 200 320 20 0", "no dielectric layer found (below the BOX line)"}};
    for (const auto &[text, defect] : cases)
        QCOMPARE(templateDefect(parseProject(text)).value_or(QString()), defect);
    // Real files with a GEO block serve; netlist projects do not.
    for (const QFileInfo &file : QDir(TORVANE_CORPUS_DIR).entryInfoList({"*.son"})) {
        ProjectDocument document;
        QCOMPARE(loadProject(file.filePath(), document), 0);
        QCOMPARE(templateDefect(document).has_value(), file.baseName().contains("netlist"));
    }
}

void TemplateCreateTest::estimatePanel_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<bool>("withTemplate");
    QTest::addColumn<QString>("inductance");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("minRadius");
    QTest::newRow("round, no template") << 0 << false << "n/a"
                                        << "200 / 200"
                                        << "";
    QTest::newRow("round differential, no template") << 2 << false << "n/a"
                                                     << "200 / 222.071"
                                                     << "";
    QTest::newRow("n-sided differential, no template") << 3 << false << "n/a"
                                                       << "200 / 200"
                                                       << "(min > 35.1777)";
    QTest::newRow("n-sided, with template") << 1 << true << "range"
                                            << "200 / 200"
                                            << "";
    QTest::newRow("round, with template") << 0 << true << "value"
                                          << "200 / 200"
                                          << "";
}

void TemplateCreateTest::estimatePanel()
{
    QFETCH(int, shape);
    QFETCH(bool, withTemplate);
    QFETCH(QString, inductance);
    QFETCH(QString, size);
    QFETCH(QString, minRadius);
    SpiralParameters p;
    p.shape = static_cast<SpiralShape>(shape);
    p.turns = 3;
    p.spiralWidth = 10;
    p.spacing = 5;
    p.radius = 50;
    const ProjectDocument document = builtInTemplate();
    const EstimateTexts texts = estimateTexts(p, withTemplate ? &document : nullptr, {}, {});
    QCOMPARE(texts.size, size);
    QCOMPARE(texts.minRadius, minRadius);
    if (inductance == "range") {
        const QStringList range = texts.inductance.split(" to ");
        QCOMPARE(range.size(), 2);
        QVERIFY(range[0].toDouble() <= range[1].toDouble());
    } else if (inductance == "value") {
        QVERIFY(texts.inductance.toDouble() > 0);
    } else {
        QCOMPARE(texts.inductance, inductance);
    }
}

void TemplateCreateTest::lengthUnitChangesOnlyTheInductance()
{
    SpiralParameters p;
    ProjectDocument document = builtInTemplate();
    document.dimension.setLengthUnit("mil");
    const EstimateTexts inMil = estimateTexts(p, &document, {}, {});
    document.dimension.setLengthUnit("um");
    const EstimateTexts inUm = estimateTexts(p, &document, {}, {});
    QCOMPARE(inUm.size, inMil.size);
    // The same numbers now describe a spiral 25.4 times smaller.
    const double ratio = inMil.inductance.toDouble() / inUm.inductance.toDouble();
    QVERIFY2(std::abs(ratio / 25.4 - 1) < 1e-5, qPrintable(QString::number(ratio)));
}

void TemplateCreateTest::createReplacesGeometryEveryTime()
{
    QTemporaryDir dir;
    ProjectDocument document = builtInTemplate();
    QStringList metals, roles;
    readLayerSetup(document, metals, roles);
    document.geometry.referencePlanes.append(ReferencePlane{"TOP", "FIX", 1, std::nullopt});
    document.geometry.eviaRecords.append(EviaRecord{});
    SpiralParameters p;
    p.shape = SpiralShape::RoundDifferential;
    QCOMPARE(createSpiralProject(document, p, metals, roles, true, dir.filePath("a.son")), 0);
    const GeometryBlock first = document.geometry;
    QVERIFY(first.eviaRecords.isEmpty());
    for (const ReferencePlane &plane : first.referencePlanes)
        QVERIFY(plane.side != "TOP");
    for (const Polygon &polygon : first.polygons)
        QCOMPARE(polygon.fillType, QStringLiteral("N"));
    QCOMPARE(createSpiralProject(document, p, metals, roles, true, dir.filePath("b.son")), 0);
    QCOMPARE(document.geometry, first);

    ProjectDocument reread;
    QCOMPARE(loadProject(dir.filePath("b.son"), reread), 0);
    QCOMPARE(reread.geometry.polygons.size(), first.polygons.size());
    QCOMPARE(reread.geometry.ports.size(), 3);
}

void TemplateCreateTest::createKeepsTheRestOfTheTemplate()
{
    // What real templates add: output settings, a technology layer, the symmetry flag, a
    // variable, and a dimension parameter tied to a polygon of the template.
    const QByteArray kept = "TECHLAY METAL M1 <UNSPECIFIED> -2 -65534\n0 0 0 N 68 1 1 100 100 0 "
                            "0 0 Y\nEND\nEND\nSYM\nVALVAR W LNG 2 \"Width\"\n";
    const QByteArray named =
        "GEOVAR W ANC YDIR 1 NSCD\nNOM 2\nREF1 POLY 15 1\n1\nPS1 0\nEND\nEND\n";
    const QByteArray output = "FILEOUT\nTOUCH D Y $BASENAME.s2p IC 15 S MA R 50\nEND FILEOUT\n";
    ProjectDocument document = parseProject(
        builtInTemplateText().replace("END GEO\n", kept + named + "END GEO\n") + output);
    QStringList metals, roles;
    readLayerSetup(document, metals, roles);
    const QStringList notes = layOutSpiral(document, SpiralParameters(), metals, roles);
    QCOMPARE(notes.size(), 1);
    QVERIFY2(notes[0].contains("GEOVAR W") && notes[0].contains("polygon 15"),
             qPrintable(notes[0]));
    const QByteArray written = serializeProject(document);
    QVERIFY(written.contains("\n" + kept));
    QVERIFY(written.contains("\n" + output));
    QVERIFY(!written.contains("GEOVAR") && !written.contains("REF1"));
    QVERIFY(!document.geometry.polygons.isEmpty());
}

void TemplateCreateTest::lengthUnitConversionKeepsSizes()
{
    const QByteArray um =
        "DIM\nLNG UM\nEND DIM\nGEO\nTMET \"Cover\" 1 NOR 4e7 0 25.4\nMET \"Thick\" 1 TMM 4e7 0 "
        "2.54 2\nMET \"Sheet\" 1 SUP 0 0 0 5\nMET \"Via\" 1 VOL 4e7 0.254\n"
        "BOX 1 400 254 800 800 20 0\n 100 1 1 0 0 0 0 \"Air\"\n 254 11.9 1 0 0 0 0 \"Si\"\n"
        "LORGN 0 254 U\nVALVAR W LNG 25.4 \"Width\"\nVALVAR F FRQ 5 \"f\"\nVCNSTR OPT W 0 508 ON\n"
        "DRP1 LEFT FIX 50.8\nEND GEO\nVARSWP\nVAR W N 25.4 50.8 UNDEF\nEND VARSWP\n";
    ProjectDocument mil = parseProject(um);
    QVERIFY(convertLengthUnit(mil, "mil").ok());
    const GeometryBlock &g = mil.geometry;
    const auto word = [](const QString &line, int index) {
        return line.split(' ', Qt::SkipEmptyParts).value(index).toDouble();
    };
    const auto kept = [&](int item, int index) {
        return word(g.keptItems[item].lines[0], index);
    };
    // Each length in mil against its value in um, and values that are no lengths.
    const QList<std::tuple<const char *, double, double>> values{
        {"box width", g.box.xWidth, 400 / 25.4},
        {"box height", g.box.yWidth, 10},
        {"dielectric", g.dielectricLayers[1].thickness, 10},
        {"NOR thickness", word(g.topMetal.parameters, 2), 1},
        {"NOR conductivity", word(g.topMetal.parameters, 0), 4e7},
        {"TMM thickness", word(g.metalTypes[0].parameters, 2), 0.1},
        {"TMM sheets", word(g.metalTypes[0].parameters, 3), 2},
        {"SUP parameter", word(g.metalTypes[1].parameters, 3), 5},
        {"VOL wall", word(g.metalTypes[2].parameters, 1), 0.01},
        {"reference plane", g.referencePlanes[0].length, 2},
        {"LORGN", kept(0, 2), 10},
        {"VALVAR LNG", kept(1, 3), 1},
        {"VALVAR of another type", kept(2, 3), 5},
        {"VCNSTR limit", kept(3, 4), 20},
        {"VARSWP stop", word(mil.sweepLines[0], 4), 2}};
    for (const auto &[what, value, expected] : values)
        QVERIFY2(std::abs(value / expected - 1) < 1e-5, what);
    QCOMPARE(mil.dimension.lengthUnit, QStringLiteral("mil"));

    // The same unit changes only its name; an unknown one changes nothing.
    ProjectDocument same = parseProject(um);
    QVERIFY(convertLengthUnit(same, "um").ok());
    QCOMPARE(serializeProject(same),
             serializeProject(parseProject(um)).replace("LNG UM", "LNG um"));
    ProjectDocument odd = parseProject(QByteArray(um).replace("LNG UM", "LNG FURLONG"));
    const ProjectDocument before = odd;
    QVERIFY(convertLengthUnit(odd, "mil").error().contains("FURLONG"));
    QCOMPARE(odd, before);
}

QTEST_GUILESS_MAIN(TemplateCreateTest)
#include "test_template_create.moc"
