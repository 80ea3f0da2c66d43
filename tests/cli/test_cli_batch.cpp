// torvane-cli synthesize and sweep, run as users run them.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runCli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TORVANE_CLI_PATH), arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
    const QJsonObject geometry =
        QJsonDocument::fromJson(estimate.out.toUtf8()).object()["geometryInductance"].toObject();
    QVERIFY(std::fabs(geometry["winding"].toDouble() / 2.5 - 1) <= 0.005);
    QCOMPARE(geometry, best["geometryInductance"].toObject());
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

QTEST_GUILESS_MAIN(CliBatchTest)
#include "test_cli_batch.moc"
