// torvane-cli's loss over frequency end to end: the table and JSON of estimate, render --plot,
// sweep's index and synthesize --q-at, and bad input that writes nothing.
#include "clitestsupport.h"

#include "core/inductance/frequencyresponse.h"
#include "core/template/analysisfrequencies.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace torvane;

namespace {
const QStringList square{"--shape",  "nsided", "--sides", "4", "--turns",   "2.5",
                         "--radius", "30",     "--width", "8", "--spacing", "3"};

SpiralParameters squareParameters()
{
    SpiralParameters p;
    p.shape = SpiralShape::NSided;
    p.sides = 4;
    p.turns = 2.5;
    p.radius = 30;
    p.spiralWidth = 8;
    p.spacing = 3;
    return p;
}

// The built-in template with one change, written into the folder.
QString changedTemplate(const QTemporaryDir &dir, const QString &name,
                        const std::function<void(ProjectDocument &)> &change)
{
    ProjectDocument document = builtInTemplate();
    change(document);
    const QString path = dir.filePath(name);
    return writeProjectFile(path, document) == 0 ? path : QString();
}
} // namespace

class CliLossTest : public QObject
{
    Q_OBJECT

private slots:
    void estimatePrintsTheCoresResponse()
    {
        const Run table = runCli(QStringList{"estimate", "--freq", "1,3.16,10"} + square);
        QCOMPARE(table.exitCode, 0);
        const QStringList lines = table.out.split('\n', Qt::SkipEmptyParts);
        const qsizetype header = lines.indexOf(
            QRegularExpression(QStringLiteral("^frequency \\[GHz\\] +L \\[nH\\] +R \\[Ohm\\] +Q +"
                                              "L in box \\[nH\\] +R in box \\[Ohm\\] +Q in box$")));
        QVERIFY2(header > 0, qPrintable(table.out));
        QVERIFY(lines[header - 3].startsWith("Loss: R_dc "));
        QVERIFY(lines[header - 1].startsWith("Loss in box: peak Q "));
        QCOMPARE(lines.size(), header + 4);

        const Run json = runCli(QStringList{"estimate", "--freq", "1,3.16,10", "--json"} + square);
        QCOMPARE(json.exitCode, 0);
        const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
        ProjectDocument document = builtInTemplate();
        QStringList layerSetup;
        QStringList functionSetup;
        readLayerSetup(document, layerSetup, functionSetup);
        const FrequencyResponse expected = frequencyResponse(
            squareParameters(), document, layerSetup, functionSetup, {1e9, 3.16e9, 1e10});
        QVERIFY(expected.hasValues());
        QCOMPARE(object["resistanceDC"].toDouble(), expected.resistanceDC);
        QVERIFY(expected.hasInBoxValues());
        // Free space in columns 1 to 3, the box in 4 to 6.
        for (const auto &[where, column] : {std::pair("freeSpace", 2), std::pair("inBox", 5)}) {
            const QJsonArray points = object["frequencyResponse"][where].toArray();
            const std::vector<FrequencyPoint> &values =
                column == 2 ? expected.freeSpace : expected.inBox;
            QCOMPARE(points.size(), 3);
            for (int i = 0; i < 3; ++i) {
                const FrequencyPoint &p = values[i];
                QCOMPARE(points[i]["frequency"].toDouble(), p.frequency);
                QCOMPARE(points[i]["inductance"].toDouble(), p.inductance * 1e9);
                QCOMPARE(points[i]["resistance"].toDouble(), p.resistance);
                QCOMPARE(points[i]["q"].toDouble(), p.q);
                // The table's row, to its four digits.
                const QStringList cells = lines[header + 1 + i].split(' ', Qt::SkipEmptyParts);
                QCOMPARE(cells.value(column).toDouble(),
                         QString::number(p.resistance, 'g', 4).toDouble());
            }
        }
    }

    void renderDrawsThePlot_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("svg") << "lq.svg";
        QTest::newRow("png") << "lq.png";
    }

    void renderDrawsThePlot()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const Run run =
            runCli(QStringList{"render", "--plot", "lq", "-o", path, "--size", "700x450"} + square);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains("peak Q "), qPrintable(run.out));
        if (name.endsWith(".png")) {
            QCOMPARE(QImage(path).size(), QSize(700, 450));
        } else {
            QFile svg(path);
            QVERIFY(svg.open(QIODevice::ReadOnly));
            const QByteArray text = svg.readAll();
            QVERIFY(text.contains("<svg") && text.contains("peak Q"));
        }
    }

    void badInputWritesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("zero step") << QStringList{"estimate", "--freq", "1:10:0"} << "'1:10:0'";
        QTest::newRow("reversed range")
            << QStringList{"estimate", "--freq", "10:1:1"} << "'10:1:1'";
        QTest::newRow("zero frequency") << QStringList{"estimate", "--freq", "0,2"} << "0 GHz";
        QTest::newRow("negative, plot")
            << QStringList{"render", "--plot", "lq", "--freq", "-1"} << "-1 GHz";
        QTest::newRow("unknown plot") << QStringList{"render", "--plot", "rq"} << "--plot";
        QTest::newRow("q at zero")
            << QStringList{"synthesize", "--target", "1", "--q-at", "0"} << "0 GHz";
        QTest::newRow("zero conductivity")
            << QStringList{"render", "--plot", "lq", "--template", "conductivity"}
            << "conductivity of 0 S/m";
        QTest::newRow("empty FREQ block")
            << QStringList{"render", "--plot", "lq", "--template", "nofrequencies"}
            << "lists no frequencies";
        QTest::newRow("zero in the FREQ block")
            << QStringList{"estimate", "--freq", "template", "--template", "zerofrequency"}
            << "ABS 0 20";
        QTest::newRow("metal no level defines")
            << QStringList{"render", "--plot", "lq", "--template", "nometal"}
            << "\"Gold\", which the template does not define";
    }

    void badInputWritesNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, mentions);
        QTemporaryDir dir;
        const QHash<QString, std::function<void(ProjectDocument &)>> templates{
            {"conductivity",
             [](ProjectDocument &d) {
                 d.geometry.metalTypes[0].parameters = " 0 0 3";
             }},
            {"nofrequencies",
             [](ProjectDocument &d) {
                 d.frequencyLines = {"END FREQ"};
             }},
            {"zerofrequency",
             [](ProjectDocument &d) {
                 d.frequencyLines = {"ABS 0 20", "END FREQ"};
             }},
            {"nometal", [](ProjectDocument &d) {
                 writeLayerAnnotation(d.headerLines, layerSetupMarker,
                                      {"Lossless", "Gold", "Metal5", "Lossless"});
             }}};
        const qsizetype at = arguments.indexOf("--template");
        if (at >= 0)
            arguments[at + 1] =
                changedTemplate(dir, arguments[at + 1] + ".son", templates[arguments[at + 1]]);
        if (arguments[0] == "render")
            arguments += {"-o", dir.filePath("lq.svg")};
        const Run run = runCli(
            arguments + (arguments[0] == "synthesize" ? QStringList{"--shape", "round"} : square));
        QVERIFY(run.exitCode > 0);
        QVERIFY2(run.err.contains(mentions), qPrintable(run.err));
        QCOMPARE(run.out, QString());
        QVERIFY(!QFile::exists(dir.filePath("lq.svg")));
    }

    void synthesizeRanksByQ()
    {
        const Run run = runCli({"synthesize", "--shape", "nsided", "--sides", "8", "--width", "10",
                                "--spacing", "3", "--target", "2", "--q-at", "3", "--json"});
        QCOMPARE(run.exitCode, 0);
        const QJsonArray candidates = QJsonDocument::fromJson(run.out.toUtf8()).array();
        QCOMPARE(candidates.size(), 5);
        for (qsizetype i = 1; i < candidates.size(); ++i)
            QVERIFY(candidates[i]["q"].toDouble() <= candidates[i - 1]["q"].toDouble());
        QVERIFY(candidates[4]["q"].toDouble() > 0);
    }
};

QTEST_GUILESS_MAIN(CliLossTest)
#include "test_cli_loss.moc"
