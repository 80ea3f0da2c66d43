// How project text is read and written back: the canonical form, block by block.
#include "core/sonnet/numberformat.h"
#include "core/sonnet/polygonbatches.h"
#include "core/sonnet/projectdocument.h"
#include "core/sonnet/projectio.h"
#include "core/template/builtintemplate.h"

#include <QTextStream>
#include <QtTest>

using namespace torvane;

namespace {
const QByteArray emptyDim = "DIM\nFREQ \nIND \nLNG \nANG \nCON \nCAP \nRES \nEND DIM\n";
const QByteArray defaultGeo = "GEO\nTMET \"Lossless\" 0 SUP 0 0 0 0\n"
                              "BMET \"Lossless\" 0 SUP 0 0 0 0\n"
                              "BOX -1 0 0 0 0 20 0\nNUM 0\nEND GEO\n";

QByteArray geoWith(const QByteArray &body)
{
    return "GEO\n" + body + "END GEO\n";
}

// The text written for a file that holds only `geo` as its GEO block.
QByteArray writtenGeo(const QByteArray &geo)
{
    const QByteArray all = serializeProject(parseProject(geoWith(geo)));
    const qsizetype start = all.indexOf("GEO\n");
    return all.mid(start + 4, all.indexOf("END GEO\n") - start - 4);
}
} // namespace

class SonnetFormatTest : public QObject
{
    Q_OBJECT

private slots:
    void wholeFile_data();
    void wholeFile();
    void geometryLines_data();
    void geometryLines();
    void readsCrLfLikeLf();
    void keepsLatin1BytesUnchanged();
    void headerAndAnalysisBlocksKeepTheirLines();
    void readsPolygonKeywordLinesAndVias();
    void readsLinkedReferencePlaneAndAgndPort();
    void secondGeoBlockAddsToTheFirst();
    void builtInTemplateIsInCanonicalForm();
    void realNumbersMatchTextStreamDefaultForm_data();
    void realNumbersMatchTextStreamDefaultForm();
    void plainNumbersForPeople_data();
    void plainNumbersForPeople();
    void pointsHaveSevenDecimals_data();
    void pointsHaveSevenDecimals();
    void sevenDecimalsMatchTextStreamFixedForm();
    void polygonsWrittenInBatchesMatchOneWriter();
};

void SonnetFormatTest::wholeFile_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty file: two empty lines, DIM, GEO, trailing empty line")
        << QByteArray() << "\n\n" + emptyDim + defaultGeo + "\n";
    QTest::newRow("FTYP and VER kept with their spacing")
        << QByteArray("FTYP  SONPROJ 4 ! Sonnet Project File\nVER   12.52\n")
        << "FTYP  SONPROJ 4 ! Sonnet Project File\nVER   12.52\n" + emptyDim + defaultGeo + "\n";
    QTest::newRow("blocks in another order come out in the fixed order")
        << QByteArray("QSG\nQ1\nEND QSG\nVARSWP\nV1\nEND VARSWP\nOPT\nO1\nEND OPT\n"
                      "CONTROL\nC1\nEND CONTROL\nFREQ\nF1\nEND FREQ\nVER 1\nFTYP X\n")
        << "FTYP X\nVER 1\n" + emptyDim + "FREQ\nF1\nEND FREQ\nCONTROL\nC1\nEND CONTROL\n" +
               defaultGeo + "OPT\nO1\nEND OPT\nVARSWP\nV1\nEND VARSWP\nQSG\nQ1\nEND QSG\n\n";
    QTest::newRow("unknown top-level block kept where it stood")
        << QByteArray("FILEOUT\nCSV D Y x.csv\nFOLDER .\nEND FILEOUT\n")
        << "\n\nFILEOUT\nCSV D Y x.csv\nFOLDER .\nEND FILEOUT\n" + emptyDim + defaultGeo + "\n";
    QTest::newRow("netlist project: no GEO block added, its block's blank line kept")
        << QByteArray("FTYP SONNETPRJ 19\nCKT\nIND 1 2 L=0.5\n\nEND CKT\n\n")
        << "FTYP SONNETPRJ 19\n\nCKT\nIND 1 2 L=0.5\n\nEND CKT\n" + emptyDim + "\n";
    QTest::newRow("empty HEADER vanishes")
        << QByteArray("HEADER\nEND HEADER\n") << "\n\n" + emptyDim + defaultGeo + "\n";
    QTest::newRow("DIM words in any order and layout, written in the fixed order")
        << QByteArray("DIM\nRES OH LNG UM\nXYZ 3\nFREQ GHZ\nEND DIM\n")
        << "\n\nDIM\nFREQ GHZ\nIND \nLNG UM\nANG \nCON \nCAP \nRES OH\nXYZ 3\nEND DIM\n" +
               defaultGeo + "\n";
    QTest::newRow("empty CONTROL block written as its two lines")
        << QByteArray("CONTROL\nEND CONTROL\n")
        << "\n\n" + emptyDim + "CONTROL\nEND CONTROL\n" + defaultGeo + "\n";
    QTest::newRow("text after a block keyword is lost")
        << QByteArray("FREQ ! sweep\nABS 1 2\nEND FREQ\n")
        << "\n\n" + emptyDim + "FREQ\nABS 1 2\nEND FREQ\n" + defaultGeo + "\n";
    QTest::newRow("unclosed block ends with the input")
        << QByteArray("OPT\nMAX 100\nVARS")
        << "\n\n" + emptyDim + defaultGeo + "OPT\nMAX 100\nVARS\nEND OPT\n\n";
    QTest::newRow("unclosed header ends with the input")
        << QByteArray("HEADER\nLIC x")
        << "\n\nHEADER\nLIC x\nEND HEADER\n" + emptyDim + defaultGeo + "\n";
}

void SonnetFormatTest::wholeFile()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(serializeProject(parseProject(input)), expected);
}

void SonnetFormatTest::geometryLines_data()
{
    QTest::addColumn<QByteArray>("geo");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray metals = "TMET \"Lossless\" 0 SUP 0 0 0 0\nBMET \"Lossless\" 0 SUP 0 0 0 0\n";
    const QByteArray noBox = "BOX -1 0 0 0 0 20 0\n";

    QTest::newRow("quoted metal name with a blank, runs of blanks collapse")
        << QByteArray("MET  \"Thick   Metal\"   3  NOR  5.8e7   0 3\n")
        << metals + "MET \"Thick Metal\" 3 NOR 5.8e7 0 3\n" + noBox + "NUM 0\n";
    QTest::newRow("unquoted name is quoted; trailing blank kept as one")
        << QByteArray("TMET Lossless 0 SUP 0 0 0 0\nMET \"Cu\" 1 NOR 58000000 0.5 0.035  \n")
        << metals + "MET \"Cu\" 1 NOR 58000000 0.5 0.035 \n" + noBox + "NUM 0\n";
    QTest::newRow("unclosed quote stops at the end of its line")
        << QByteArray("MET \"Open name\nBOX 0 10 10 20 20 20 0\n      1 1 1 0 0 0 0 \"Air\"\n")
        << metals +
               "MET \"Open name\" 0 \nBOX 0 10 10 20 20 20 0\n      1 1 1 0 0 0 0 \"Air\"\nNUM 0\n";
    QTest::newRow("box level count 2 reads three layers; reals in general form")
        << QByteArray("BOX 2 160.0 1.6e2 320 320 20 0\n 10 1 1 0 0 0 0 \"Air\"\n"
                      " 0.0254 9.8 1 0.0001 0 0 2 \" Alumina  96% \"\n 1e-5 1 1 0 0 0 0 Sub\n"
                      "NUM 0\n")
        << metals + "BOX 2 160 160 320 320 20 0\n      10 1 1 0 0 0 0 \"Air\"\n"
                    "      0.0254 9.8 1 0.0001 0 0 2 \"Alumina  96%\"\n"
                    "      1e-05 1 1 0 0 0 0 \"Sub\"\nNUM 0\n";
    QTest::newRow("unrecognised GEO lines after the record they followed; fixed record order")
        << QByteArray("LORGN 0 20 U\nPOR1 STD\nPOLY 12 1\n2\n1 50 0 0 0 0 0\n"
                      "DRP1 LEFT FIX 3.5\nVALVAR W LNG 1.13 \"Dim\"\n")
        << "LORGN 0 20 U\n" + metals + noBox +
               "DRP1 LEFT FIX 3.5\nVALVAR W LNG 1.13 \"Dim\"\nPOR1 STD\nPOLY 12 1\n2\n"
               "1 50 0 0 0 0 0\nNUM 0\n";
    QTest::newRow("plain polygon has no type line")
        << QByteArray("NUM 1\n2 3 1 V 17 1 1 100 100 0 0 0 Y\n0 0\n1.5 -2\n0 0\nEND\n")
        << metals + noBox +
               "NUM 1\n2 3 1 V 17 1 1 100 100 0 0 0 Y\n0.0000000 0.0000000\n"
               "1.5000000 -2.0000000\n0.0000000 0.0000000\nEND\n";
    QTest::newRow("via polygon with its TOLEVEL line")
        << QByteArray("NUM 1\nVIA POLYGON\n0 2 -1 N 14 1 1 100 100 0 0 0 Y\nTOLEVEL 2 RING\n"
                      "1 1\n2 2\nEND\n")
        << metals + noBox +
               "NUM 1\nVIA POLYGON\n0 2 -1 N 14 1 1 100 100 0 0 0 Y\nTOLEVEL 2 RING\n"
               "1.0000000 1.0000000\n2.0000000 2.0000000\nEND\n";
    QTest::newRow("reference plane without a type is dropped, not misread")
        << QByteArray("DRP1 LEFT\nPOLY 12 1\n1\nDRP1\nDRP1 RIGHT FIX 2\n")
        << metals + noBox + "DRP1 RIGHT FIX 2\nNUM 0\n";
    QTest::newRow("EVIA records are read but not written")
        << QByteArray("EVIA 1 2 3\nEVIAS 4 5 6\n") << metals + noBox + "NUM 0\n";
}

void SonnetFormatTest::geometryLines()
{
    QFETCH(QByteArray, geo);
    QFETCH(QByteArray, expected);
    QCOMPARE(writtenGeo(geo), expected);
}

void SonnetFormatTest::readsCrLfLikeLf()
{
    const QByteArray lf = "FTYP SONPROJ 4\nVER 12\nHEADER\nLIC x\n\nEND HEADER\nDIM\nLNG UM\n"
                          "END DIM\nFREQ\nABS 1 2\nEND FREQ\n" +
                          geoWith("BOX 1 10 10 20 20 20 0\n 1 1 1 0 0 0 0 \"A\"\n"
                                  " 2 1 1 0 0 0 0 \"B\"\nNUM 1\n0 2 -1 N 1 1 1 100 100 0 0 0 Y\n"
                                  "1 2\n3 4\nEND\n");
    QByteArray crlf = lf;
    crlf.replace("\n", "\r\n");
    const ProjectDocument fromLf = parseProject(lf);
    QCOMPARE(parseProject(crlf), fromLf);
    QCOMPARE(fromLf.headerLines, QStringList({"LIC x", ""}));
    QCOMPARE(fromLf.geometry.polygons.value(0).points.size(), 2);

    // Every CR before a line's end belongs to it, also at the end of the file and in files with
    // CRs only: what is written then reads back as the same document.
    for (const QByteArray input : {"HEADER\r\r\nLIC x\r\nEND HEADER\r\r\nDIM\nLNG UM\n",
                                   "HEADER\nLIC x\nEND HEADER\r", "FTYP 4\rHEADER\rEND HEADER\r"}) {
        const ProjectDocument document = parseProject(input);
        QCOMPARE(document.headerLines,
                 input.startsWith("FTYP") ? QStringList() : QStringList{"LIC x"});
        const QByteArray written = serializeProject(document);
        QVERIFY(!written.contains("\r\n"));
        QCOMPARE(parseProject(written), document);
    }
}

void SonnetFormatTest::keepsLatin1BytesUnchanged()
{
    // 0xA0 (no-break space) and 0xE9 must stay inside names, never taken for blanks.
    const QByteArray input = "FTYP \xe9t\xe9\nHEADER\nDAT caf\xe9\xa0 \xff\nEND HEADER\n" +
                             geoWith("MET \"Cu\xa0rich \xe9\" 1 NOR 1\xa0"
                                     "2\n"
                                     "BOX 0 10 10 20 20 20 0\n 1 1 1 0 0 0 0 \"\xa0Si\xe9\xa0\"\n");
    const ProjectDocument document = parseProject(input);
    QCOMPARE(document.geometry.metalTypes.value(0).name, QString::fromLatin1("Cu\xa0rich \xe9"));
    QCOMPARE(document.geometry.dielectricLayers.value(0).name,
             QString::fromLatin1("\xa0Si\xe9\xa0"));
    const QByteArray written = serializeProject(document);
    QVERIFY(written.startsWith("FTYP \xe9t\xe9\n\nHEADER\nDAT caf\xe9\xa0 \xff\nEND HEADER\n"));
    QVERIFY(written.contains("MET \"Cu\xa0rich \xe9\" 1 NOR 1\xa0"
                             "2\n"));
    QVERIFY(written.contains(" 0 \"\xa0Si\xe9\xa0\"\n"));
    QCOMPARE(serializeProject(parseProject(written)), written);
}

void SonnetFormatTest::headerAndAnalysisBlocksKeepTheirLines()
{
    const QByteArray input = "HEADER  trailing\n  LIC x \n\nANN #Qor_LayerSetup#,A\nEND HEADER\n"
                             "FREQ\nSIMPLE 1 2 3\n  ABS 1 2\n\nSTEP 5\nEND FREQ\n"
                             "CONTROL\nOPTIONS  -d \nend control\nEND CONTROL \nEND CONTROL\n";
    const ProjectDocument document = parseProject(input);
    QCOMPARE(document.headerLines, QStringList({"  LIC x ", "", "ANN #Qor_LayerSetup#,A"}));
    QCOMPARE(document.frequencyLines,
             QStringList({"SIMPLE 1 2 3", "  ABS 1 2", "", "STEP 5", "END FREQ"}));
    // Only the exact closing line ends a block.
    QCOMPARE(document.controlLines,
             QStringList({"OPTIONS  -d ", "end control", "END CONTROL ", "END CONTROL"}));
    const QByteArray written = serializeProject(document);
    QVERIFY(written.contains("HEADER\n  LIC x \n\nANN #Qor_LayerSetup#,A\nEND HEADER\n"));
    QVERIFY(written.contains("FREQ\nSIMPLE 1 2 3\n  ABS 1 2\n\nSTEP 5\nEND FREQ\nCONTROL\n"));
}

void SonnetFormatTest::readsPolygonKeywordLinesAndVias()
{
    // Newer files nest TECHLAY blocks with bare END lines and put TLAYNAM lines before points.
    const QByteArray geo =
        "BOX 1 10 10 20 20 20 0\n 1 1 1 0 0 0 0 \"A\"\n 2 1 1 0 0 0 0 \"B\"\n"
        "TECHLAY METAL M1 <UNSPECIFIED> -2 -65534\n0 0 0 N 1 1 1 100 100 0 0 0 Y\n"
        "END\nEND\nPOR1 BOX\nPOLY 39 1\n3\n1 50 0 0 0 0 1\nNUM 2\n"
        "0 2 0 N 39 1 1 100 100 0 0 0 Y\nTLAYNAM M1 INH\n1 2\n3 4\nEND\n"
        "VIA POLYGON\n1 1 -1 T 40 1 1 100 100 0 0 0 Y\nTOLEVEL GND RING\n"
        "TLAYNAM Via INH\n5 6\nEND\n";
    const GeometryBlock geometry = parseProject(geoWith(geo)).geometry;
    QCOMPARE(geometry.ports.size(), 1);
    QCOMPARE(geometry.polygons.size(), 2);
    const Polygon metal = geometry.polygons[0];
    QCOMPARE(metal.extraLines, QStringList{"TLAYNAM M1 INH"});
    QCOMPARE(metal.points, QList<Point>({{1, 2}, {3, 4}}));
    const Polygon via = geometry.polygons[1];
    QVERIFY(via.isVia());
    QCOMPARE(via.toLevel, groundLevel); // the ground plane, not level 0
    QVERIFY(writtenGeo(geo).contains("\nTOLEVEL GND RING\n"));
    QCOMPARE(via.fillType, QStringLiteral("T"));
    QCOMPARE(via.points, QList<Point>({{5, 6}}));
    QCOMPARE(writtenGeo(geo).count("TLAYNAM"), 2);
}

void SonnetFormatTest::readsLinkedReferencePlaneAndAgndPort()
{
    const QByteArray geo = "DRP1 LEFT LINK\nPOLY 12 1\n1\nDRP1 RIGHT FIX 26\nDRP1 TOP NONE\n"
                           "POR1 AGND\nPOLY 8 1\n0\n8 50 0 0 0 200 362.5 NONE\n"
                           "POR1 STD\nPOLY 20 1\n3\n-1 50 0 0 0 0 187.5\n";
    const GeometryBlock geometry = parseProject(geoWith(geo)).geometry;
    QCOMPARE(geometry.referencePlanes.size(), 3);
    QCOMPARE(geometry.referencePlanes[0].link, std::optional<PolygonLink>(PolygonLink(12, 1)));
    QCOMPARE(geometry.referencePlanes[1].length, 26.0);
    QVERIFY(!geometry.referencePlanes[2].link);
    QCOMPARE(geometry.ports.size(), 2);
    QCOMPARE(geometry.ports[0].extraWord, QStringLiteral("NONE"));
    QCOMPARE(geometry.ports[0].portReals[5], 362.5);
    QCOMPARE(geometry.ports[1].portNumber, -1);
    QCOMPARE(geometry.ports[1].link.vertexIndex, 3);
    const QByteArray written = writtenGeo(geo);
    QVERIFY(written.contains("DRP1 LEFT LINK POLY 12 1\n1\nDRP1 RIGHT FIX 26\nDRP1 TOP NONE \n"));
    QVERIFY(written.contains("POR1 AGND\nPOLY 8 1\n0\n8 50 0 0 0 200 362.5 NONE 0\n"
                             "POR1 STD\nPOLY 20 1\n3\n-1 50 0 0 0 0 187.5\n"));
    QCOMPARE(parseProject(geoWith(written)).geometry, geometry);
}

void SonnetFormatTest::secondGeoBlockAddsToTheFirst()
{
    // Kept items too: an END in the second block closes nothing of the first.
    const QByteArray input =
        geoWith("LORGN 0 0 U\nMET \"A\" 1 NOR 1\nNUM 1\n0 1 0 N 1 1 1 100 100 0 0 0 Y\n1 1\n"
                "END\n") +
        geoWith("FOO\nEND\nMET \"B\" 2 NOR 1\nNUM 1\n0 1 0 N 2 1 1 100 100 0 0 0 Y\n2 2\n"
                "END\n");
    const GeometryBlock geometry = parseProject(input).geometry;
    QCOMPARE(geometry.metalTypes.size(), 2);
    QCOMPARE(geometry.polygons.size(), 2);
    QCOMPARE(geometry.metalTypeIndex("B"), 1);
    QCOMPARE(geometry.keptItems.size(), 2);
}

void SonnetFormatTest::builtInTemplateIsInCanonicalForm()
{
    const QByteArray text = builtInTemplateText();
    QCOMPARE(serializeProject(parseProject(text)), text);
    const ProjectDocument document = builtInTemplate();
    QCOMPARE(document.geometry.metalLevelCount(), 4);
    QCOMPARE(document.geometry.box.cellSizeY(), 1.0);
    QCOMPARE(document.dimension.lengthUnit, QStringLiteral("UM"));
}

void SonnetFormatTest::realNumbersMatchTextStreamDefaultForm_data()
{
    QTest::addColumn<double>("value");
    const double fixedCases[] = {0,        160,      0.0254, 1e-5,      -3,        1234567,
                                 123456.5, 999999.5, 1e15,   -2.5e-300, 0.1 + 0.2, 41.213203,
                                 1e6,      5e-324,   100000, 0.0001,    0.00001234};
    for (const double value : fixedCases)
        QTest::addRow("%.17g", value) << value;
    // A spread of magnitudes and digits, reproducible.
    QRandomGenerator random(20261207);
    for (int i = 0; i < 200; ++i) {
        const double value =
            (random.generateDouble() - 0.5) * std::pow(10.0, random.bounded(-12, 13));
        QTest::addRow("random %d", i) << value;
    }
}

void SonnetFormatTest::realNumbersMatchTextStreamDefaultForm()
{
    QFETCH(double, value);
    QString expected;
    QTextStream(&expected) << value;
    QCOMPARE(formatReal(value), expected);
}

void SonnetFormatTest::plainNumbersForPeople_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("significant");
    QTest::addColumn<QString>("expected");
    QTest::newRow("thousands, no exponent") << 2300.4 << 3 << "2300";
    QTest::newRow("tens of thousands") << 14060.3 << 4 << "14060";
    QTest::newRow("fraction") << 0.70710678 << 3 << "0.707";
    QTest::newRow("small") << 0.00012345 << 3 << "0.000123";
    QTest::newRow("no trailing zeros") << 2.5 << 4 << "2.5";
    QTest::newRow("rounds up a digit") << 9.9996 << 4 << "10";
    QTest::newRow("negative") << -41.21 << 3 << "-41.2";
    QTest::newRow("zero") << -0.0 << 3 << "0";
    QTest::newRow("tiny keeps its exponent") << 1.5e-9 << 3 << "1.5e-09";
}

void SonnetFormatTest::plainNumbersForPeople()
{
    QFETCH(double, value);
    QFETCH(int, significant);
    QFETCH(QString, expected);
    QCOMPARE(formatPlain(value, significant), expected);
}

void SonnetFormatTest::pointsHaveSevenDecimals_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("whole") << 12.0 << QByteArray("12.0000000");
    QTest::newRow("half") << 12.5 << QByteArray("12.5000000");
    QTest::newRow("negative") << -3.0 << QByteArray("-3.0000000");
    QTest::newRow("rounded") << 188.96446609406726 << QByteArray("188.9644661");
    QTest::newRow("tiny") << -1.110223025e-16 << QByteArray("-0.0000000");
    QTest::newRow("large") << 1e12 << QByteArray("1000000000000.0000000");
    QTest::newRow("negative zero") << -0.0 << QByteArray("-0.0000000");
    QTest::newRow("tie rounds away from zero") << 0.00390625 << QByteArray("0.0039063");
    QTest::newRow("negative tie") << -2.50390625 << QByteArray("-2.5039063");
}

void SonnetFormatTest::pointsHaveSevenDecimals()
{
    QFETCH(double, value);
    QFETCH(QByteArray, expected);
    QCOMPARE(formatFixed7Bytes(value), expected);
}

void SonnetFormatTest::sevenDecimalsMatchTextStreamFixedForm()
{
    // Every multiple of 1/256 up to 64 (all exact ties at the eighth decimal among them) and a
    // spread of ordinary values, against the toolkit's own fixed form.
    QList<double> values;
    for (int k = -64 * 256; k <= 64 * 256; ++k)
        values.append(k / 256.0);
    QRandomGenerator random(7);
    for (int i = 0; i < 2000; ++i)
        values.append((random.generateDouble() - 0.5) * std::pow(10.0, random.bounded(-9, 10)));
    // Near-ties: halfway points that are not exact, and the neighbours of exact ones.
    for (int i = 0; i < 5000; ++i) {
        const double halfway = (random.bounded(2000000000) + 0.5) / 1e7;
        values << halfway << -halfway;
        const double tie = (2 * random.bounded(100000) + 1) / 256.0;
        values << std::nextafter(tie, 0.0) << std::nextafter(tie, 1e9);
    }
    for (const double value : values) {
        QString expected;
        QTextStream stream(&expected);
        stream.setRealNumberNotation(QTextStream::FixedNotation);
        stream.setRealNumberPrecision(7);
        stream << value;
        stream.flush();
        QCOMPARE(QString::fromLatin1(formatFixed7Bytes(value)), expected);
    }
}

void SonnetFormatTest::polygonsWrittenInBatchesMatchOneWriter()
{
    // Batches are formatted by whichever thread is free into a ring of arrays that are reused
    // and written in order; any slip in order, bounds or reuse shows in the text.
    QList<Polygon> polygons;
    QRandomGenerator random(3);
    for (int i = 0; i < 700; ++i) {
        Polygon polygon(i, static_cast<unsigned>(i % 3), i % 2 - 1, QStringLiteral("N"));
        for (int k = random.bounded(0, 40); k > 0; --k)
            polygon.points.append({random.bounded(1000.0), -random.bounded(1000.0)});
        if (i % 7 == 0)
            polygon.makeVia(1, 2);
        if (i % 11 == 0)
            polygon.extraLines.append(QStringLiteral("TLAYNAM M%1 INH").arg(i));
        polygons.append(polygon);
    }
    QByteArray inOrder;
    {
        SonTextWriter out(&inOrder);
        writePolygons(out, polygons, 1);
    }
    QVERIFY(inOrder.count("END\n") == polygons.size());
    for (const int parts : {2, 3, 8}) {
        QByteArray inBatches = "NUM 700\n";
        {
            SonTextWriter out(&inBatches);
            writePolygons(out, polygons, parts);
        }
        QCOMPARE(inBatches, "NUM 700\n" + inOrder);
    }
}

QTEST_GUILESS_MAIN(SonnetFormatTest)
#include "test_sonnet_format.moc"
