// torvane-cli synthesize and sweep, run as users run them.
#include "clitestsupport.h"

#include "core/inductance/frequencyresponse.h"
#include "core/template/analysisfrequencies.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace torvane;

namespace {
// Records of a CSV text as a spreadsheet reads them: quoted fields may hold commas, doubled
// quotes and line breaks.
QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> records{{}};
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && text.mid(i + 1, 1) == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.last().append(std::exchange(field, {}));
        } else if (c == '\r' && text.mid(i + 1, 1) == '\n') {
            records.last().append(std::exchange(field, {}));
            records.append(QStringList());
            ++i;
        } else {
            field += c;
        }
    }
    records.removeLast();
    return records;
}
} // namespace

class CliBatchTest : public QObject
{
    Q_OBJECT

private slots:
    void synthesizeCreatesWhatItPrints();
    void synthesizeExplainsAMiss();
    void sweepWritesEveryCombination();
    void sweepRefusesBeforeWriting_data();
    void sweepRefusesBeforeWriting();
    void indexColumnsHoldTheirOwnValues_data();
    void indexColumnsHoldTheirOwnValues();
    void tenThousandProjectsNeedNoYes();
    void oneValueFixesTurnsOrRadius_data();
    void oneValueFixesTurnsOrRadius();
    void tableColumnsMatchTheirHeaders();
    void sweepIndexGivesTheLoss();
};

void CliBatchTest::synthesizeCreatesWhatItPrints()
{
    QTemporaryDir dir;
    const QString created = dir.filePath("best.son");
    const QStringList design{"--shape", "nsided", "--sides",   "6",
                             "--width", "10",     "--spacing", "3"};
    const Run run =
        runCli(QStringList{"synthesize", "--target", "2.5", "--at", "winding", "--tolerance",
                           "0.5%", "--turns", "1:10", "--json", "--create", created} +
               design);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains("Spiral created at " + created + " ("), qPrintable(run.err));
    const QJsonArray candidates = QJsonDocument::fromJson(run.out.toUtf8()).array();
    QVERIFY(!candidates.isEmpty() && candidates.size() <= 5);
    const QStringList keys{"deviationPercent",
                           "estimateText",
                           "geometryInductance",
                           "radius",
                           "sizeX",
                           "sizeY",
                           "turns"};
    for (const QJsonValue &candidate : candidates)
        QCOMPARE(candidate.toObject().keys(), keys);

    // The best, estimated and created again through the ordinary commands.
    const QJsonObject best = candidates.first().toObject();
    const QStringList values{"--turns", QString::number(best["turns"].toDouble()), "--radius",
                             QString::number(best["radius"].toDouble(), 'f', 3)};
    const Run estimate = runCli(QStringList{"estimate", "--json"} + design + values);
    QJsonObject geometry =
        QJsonDocument::fromJson(estimate.out.toUtf8()).object()["geometryInductance"].toObject();
    const QJsonObject inBox = geometry.take("inBox").toObject();
    QVERIFY(std::fabs(geometry["winding"].toDouble() / 2.5 - 1) <= 0.005);
    QCOMPARE(geometry, best["geometryInductance"].toObject());
    // In the box the same target takes more turns or a larger radius.
    const Run boxed =
        runCli(QStringList{"synthesize", "--target", "2.5", "--at", "winding", "--tolerance",
                           "0.5%", "--turns", "1:10", "--json", "--in-box"} +
               design);
    QCOMPARE(boxed.exitCode, 0);
    const QJsonObject boxedBest = QJsonDocument::fromJson(boxed.out.toUtf8()).array()[0].toObject();
    const QJsonObject boxedValues = boxedBest["geometryInductance"]["inBox"].toObject();
    QVERIFY(std::fabs(boxedValues["winding"].toDouble() / 2.5 - 1) <= 0.005);
    QVERIFY(inBox["winding"].toDouble() < 0.99 * geometry["winding"].toDouble());
    QVERIFY(boxedBest["geometryInductance"]["winding"].toDouble() > geometry["winding"].toDouble());
    const QString again = dir.filePath("again.son");
    QCOMPARE(runCli(QStringList{"create", "-o", again} + design + values).exitCode, 0);
    QCOMPARE(readAll(created), readAll(again));
}

void CliBatchTest::synthesizeExplainsAMiss()
{
    const Run run = runCli(
        {"synthesize", "--shape", "round", "--target", "0.5", "--json", "--inductance-unit", "uH"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(QJsonDocument::fromJson(run.out.toUtf8()).array(), QJsonArray());
    QVERIFY2(run.err.contains("0.5 uH is too large for the 400 x 400 um box: the most that fits "
                              "is 0.0"),
             qPrintable(run.err));
}

void CliBatchTest::sweepWritesEveryCombination()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("sweep");
    // Below 41.2132 um the octagonal differential spiral is refused; the others go on.
    const QStringList arguments{"sweep",    "--shape",  "diffnsided", "--turns", "2,3",
                                "--radius", "30:60:30", "--width",    "10",      "--gds",
                                "dxf",      "-o",       folder};
    const Run run = runCli(arguments);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.contains("Wrote 2 of 4 projects"), qPrintable(run.out));
    QCOMPARE(run.err.count('\n'), 4); // one progress line per project
    const QList<QStringList> index =
        parseCsv(QString::fromUtf8(readAll(QDir(folder).filePath("index.csv"))));
    QCOMPARE(index.size(), 5);
    const QStringList header = index.first();
    const auto column = [&](const QStringList &row, const char *name) {
        return row.value(header.indexOf(QLatin1String(name)));
    };
    QStringList written;
    for (const QStringList &row : index.mid(1)) {
        QCOMPARE(row.size(), header.size());
        const QString file = column(row, "file");
        QCOMPARE(
            file,
            QString("diffnsided_t%1_r%2.son").arg(column(row, "turns"), column(row, "radius")));
        const bool ok = column(row, "status") == "written";
        QCOMPARE(ok, column(row, "radius") == "60");
        QCOMPARE(QFileInfo::exists(QDir(folder).filePath(file)), ok);
        QCOMPARE(QFileInfo(QDir(folder).filePath("sondata/" + file.chopped(4))).isDir(), ok);
        QCOMPARE(column(row, "reason").contains("Inner radius must exceed 41.2132 um"), !ok);
        QCOMPARE(column(row, "width"), QStringLiteral("10"));
        QCOMPARE(column(row, "geometry_winding").isEmpty(), !ok);
        QCOMPARE(column(row, "geometry_in_box_reference_planes").isEmpty(), !ok);
        if (ok)
            QVERIFY(column(row, "geometry_in_box_winding").toDouble() <
                    column(row, "geometry_winding").toDouble());
        QCOMPARE(column(row, "layout"), ok ? file.chopped(3) + "dxf" : QString());
        QCOMPARE(column(row, "roles"), QStringLiteral("none,spiral,bridge,none"));
        if (ok)
            written += {file, column(row, "layout")};
    }
    written.append("index.csv");
    written.sort();
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), written);

    // Each project is what create writes for its values.
    const QString single = dir.filePath("single.son");
    QCOMPARE(runCli({"create", "--shape", "diffnsided", "--turns", "3", "--radius", "60", "--width",
                     "10", "-o", single})
                 .exitCode,
             0);
    QCOMPARE(readAll(QDir(folder).filePath("diffnsided_t3_r60.son")), readAll(single));

    // A folder with files is kept unless --force.
    const Run refused = runCli(arguments);
    QVERIFY(refused.exitCode != 0 && refused.err.contains("--force"));
    QCOMPARE(runCli(arguments + QStringList{"--force", "--radius", "60"}).exitCode, 0);
}

void CliBatchTest::sweepRefusesBeforeWriting_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("over 10,000") << QStringList{"--turns", "1:99:1", "--width", "1:200:1"}
                                 << "The sweep makes 19800 projects; pass --yes";
    QTest::newRow("zero step") << QStringList{"--width", "1:2:0"} << "--width: the step";
    QTest::newRow("value out of range")
        << QStringList{"--spacing", "5,0"} << "--spacing must lie between";
    QTest::newRow("layout file") << QStringList{"--gds", "x.gds"} << "--gds takes gds or dxf";
    QTest::newRow("layout option alone") << QStringList{"--dbu", "1nm"} << "belongs with --gds";
}

void CliBatchTest::sweepRefusesBeforeWriting()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    const QString folder = dir.filePath("sweep");
    const Run run = runCli(QStringList{"sweep", "--shape", "round", "-o", folder} + arguments);
    QVERIFY(run.exitCode > 0);
    QVERIFY2(run.err.contains(mentions), qPrintable(run.err));
    QVERIFY(!QFileInfo::exists(folder));
}

void CliBatchTest::indexColumnsHoldTheirOwnValues_data()
{
    QTest::addColumn<QStringList>("design");  // each value different, so that no swap hides
    QTest::addColumn<QStringList>("columns"); // name=value, besides those estimate gives
    QTest::newRow("round differential, wider than high") << QStringList{"--shape",
                                                                        "diffround",
                                                                        "--turns",
                                                                        "3",
                                                                        "--width",
                                                                        "9",
                                                                        "--spacing",
                                                                        "4",
                                                                        "--bridge-width",
                                                                        "7",
                                                                        "--no-feed-auto",
                                                                        "--feed-spacing",
                                                                        "12"}
                                                         << QStringList{"file=diffround.son",
                                                                        "status=written",
                                                                        "shape=diffround",
                                                                        "turns=3",
                                                                        "sides=",
                                                                        "radius=55",
                                                                        "width=9",
                                                                        "spacing=4",
                                                                        "bridge_width=7",
                                                                        "feed_auto=no",
                                                                        "feed_spacing=12",
                                                                        "center_tap=yes",
                                                                        "staircase=yes"};
    QTest::newRow("pentagon") << QStringList{"--shape",   "nsided", "--sides",        "5",
                                             "--turns",   "3.25",   "--width",        "9",
                                             "--spacing", "4",      "--bridge-width", "7"}
                              << QStringList{"file=nsided.son", "shape=nsided", "turns=3.25",
                                             "sides=5",         "radius=55",    "feed_auto=",
                                             "feed_spacing=",   "center_tap="};
}

void CliBatchTest::indexColumnsHoldTheirOwnValues()
{
    QFETCH(QStringList, design);
    QFETCH(QStringList, columns);
    QTemporaryDir dir;
    // A range that starts on its stop is one value, and no part of the file name.
    const Run sweep = runCli(
        QStringList{"sweep", "--radius", "55:55:1", "--staircase", "-o", dir.path()} + design);
    QCOMPARE(sweep.exitCode, 0);
    const QList<QStringList> index =
        parseCsv(QString::fromUtf8(readAll(QDir(dir.path()).filePath("index.csv"))));
    QCOMPARE(index.size(), 2);
    const QJsonObject estimate =
        QJsonDocument::fromJson(
            runCli(QStringList{"estimate", "--json", "--radius", "55"} + design).out.toUtf8())
            .object();
    const QJsonObject geometry = estimate["geometryInductance"].toObject();
    const auto number = [](const QJsonValue &value) {
        return QLocale::c().toString(value.toDouble(), 'g', 10);
    };
    const QStringList check =
        runCli(QStringList{"check", "--radius", "55"} + design).out.split('\n', Qt::SkipEmptyParts);
    columns += {"template=built-in", "roles=none,spiral,bridge,none",
                "metals=Lossless,TopMetal,Metal5,Lossless", "length_unit=um", "inductance_unit=nH",
                // estimate gives six digits of the sizes
                "size_x=" + QString::number(estimate["size"].toArray()[0].toDouble(), 'g', 6),
                "size_y=" + QString::number(estimate["size"].toArray()[1].toDouble(), 'g', 6),
                "estimate=" + estimate["inductanceText"].toString(),
                "geometry_winding=" + number(geometry["winding"]),
                "geometry_reference_planes=" + number(geometry["referencePlanes"]),
                "findings=" + check.join('\n')};
    for (const QString &expected : columns) {
        const QString name = expected.section('=', 0, 0);
        const qsizetype at = index[0].indexOf(name);
        QVERIFY2(at >= 0, qPrintable(name));
        const QString value = index[1].value(at);
        QCOMPARE(name + '=' +
                     (name.startsWith("size_") ? QString::number(value.toDouble(), 'g', 6) : value),
                 expected);
    }
}

// Up to 10,000 projects a sweep goes on by itself; the target here stops it just after.
void CliBatchTest::tenThousandProjectsNeedNoYes()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("a file");
    QFile taken(file);
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.close();
    const QStringList sweep{"sweep", "--shape", "round", "-o", file};
    Run run = runCli(sweep + QStringList{"--width", "1:100:1", "--spacing", "1:100:1"});
    QVERIFY2(run.exitCode == 1 && run.err.contains("is a file, not a folder"), qPrintable(run.err));
    run = runCli(sweep + QStringList{"--width", "1:73:1", "--spacing", "1:137:1"});
    QVERIFY2(run.exitCode == 1 && run.err.contains("makes 10001 projects; pass --yes"),
             qPrintable(run.err));
}

void CliBatchTest::oneValueFixesTurnsOrRadius_data()
{
    QTest::addColumn<QStringList>("range");
    QTest::addColumn<QString>("key");
    QTest::addColumn<double>("value");
    QTest::newRow("turns") << QStringList{"--turns", "3"} << "turns" << 3.0;
    QTest::newRow("radius") << QStringList{"--radius", "40", "--tolerance", "3"} << "radius"
                            << 40.0;
}

void CliBatchTest::oneValueFixesTurnsOrRadius()
{
    QFETCH(QStringList, range);
    QFETCH(QString, key);
    QFETCH(double, value);
    const Run run = runCli(QStringList{"synthesize", "--shape", "round", "--width", "10",
                                       "--spacing", "3", "--target", "2", "--json"} +
                           range);
    QCOMPARE(run.exitCode, 0);
    const QJsonArray candidates = QJsonDocument::fromJson(run.out.toUtf8()).array();
    QVERIFY(!candidates.isEmpty());
    for (const QJsonValue &candidate : candidates)
        QCOMPARE(candidate.toObject()[key].toDouble(), value);
}

// Each cell of the text table stands under its own header: read back by the headers, the
// table says what --json says.
void CliBatchTest::tableColumnsMatchTheirHeaders()
{
    const QStringList request{"synthesize", "--shape", "diffround", "--width", "10",
                              "--spacing",  "3",       "--target",  "2"};
    const QStringList lines = runCli(request).out.split('\n', Qt::SkipEmptyParts);
    const QJsonArray candidates =
        QJsonDocument::fromJson(runCli(request + QStringList{"--json"}).out.toUtf8()).array();
    QCOMPARE(lines.size(), 2 + candidates.size());
    static const QRegularExpression gap(QStringLiteral("\\s{2,}"));
    const QStringList header = lines[1].split(gap);
    QCOMPARE(header, (QStringList{"turns", "radius [um]", "size x / y [um]", "winding [nH]",
                                  "ref. planes [nH]", "estimate [nH]", "deviation"}));
    const auto text = [](double value, int digits) {
        return QString::number(value, 'g', digits);
    };
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        const QJsonObject c = candidates[i].toObject();
        const QJsonObject geometry = c["geometryInductance"].toObject();
        const QStringList cells = lines[2 + i].split(gap);
        QCOMPARE(cells.size(), header.size());
        QCOMPARE(cells[0].toDouble(), c["turns"].toDouble());
        QCOMPARE(cells[1].toDouble(), std::round(c["radius"].toDouble() * 1000) / 1000);
        QCOMPARE(cells[2], text(c["sizeX"].toDouble(), 6) + " / " + text(c["sizeY"].toDouble(), 6));
        QCOMPARE(cells[3], text(geometry["winding"].toDouble(), 4));
        QCOMPARE(cells[4], text(geometry["referencePlanes"].toDouble(), 4));
        QCOMPARE(cells[5], c["estimateText"].toString());
        QCOMPARE(cells[6], QString::asprintf("%+.3f %%", c["deviationPercent"].toDouble()));
    }
}

void CliBatchTest::sweepIndexGivesTheLoss()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("sweep");
    QCOMPARE(
        runCli({"sweep", "--shape", "round", "--turns", "2,3", "--freq", "template", "-o", folder})
            .exitCode,
        0);
    const QList<QStringList> index =
        parseCsv(QString::fromUtf8(readAll(QDir(folder).filePath("index.csv"))));
    QCOMPARE(index.size(), 3);
    const QStringList header = index.first();
    ProjectDocument document = builtInTemplate();
    QStringList layerSetup;
    QStringList functionSetup;
    readLayerSetup(document, layerSetup, functionSetup);
    for (int k = 1; k <= 2; ++k) {
        SpiralParameters p;
        p.turns = 1 + k;
        const FrequencyResponse expected = frequencyResponse(
            p, document, layerSetup, functionSetup, templateFrequencies(document).value_or({}));
        QVERIFY(expected.hasValues());
        const auto value = [&](const char *name) {
            return index[k].value(header.indexOf(QLatin1String(name))).toDouble();
        };
        QVERIFY(std::fabs(value("r_dc_ohm") / expected.resistanceDC - 1) < 1e-9);
        QVERIFY(std::fabs(value("q_peak") / expected.peakQ()->q - 1) < 1e-9);
        QCOMPARE(value("q_peak_frequency"), expected.peakQ()->frequency * 1e-9);
    }
}

QTEST_GUILESS_MAIN(CliBatchTest)
#include "test_cli_batch.moc"
