// Real project files written by other tools: each is read completely, and what this program
// writes is a fixed point of reading and writing. Cut and mutated copies never crash, hang
// or make the reader allocate for counts that the text does not hold.
#include "core/sonnet/numberformat.h"
#include "core/sonnet/projectdocument.h"
#include "core/template/builtintemplate.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

using namespace torvane;

namespace {
QDir corpusDir()
{
    return QDir(QStringLiteral(TORVANE_CORPUS_DIR));
}

QStringList corpusFiles()
{
    return corpusDir().entryList({QStringLiteral("*.son")}, QDir::Files, QDir::Name);
}

QByteArray corpusBytes(const QString &name)
{
    QFile file(corpusDir().filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool closeEnough(double a, double b, double relative, double absolute)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return a == b || std::fabs(a - b) <= std::max(absolute, relative * std::fabs(a));
}

// Reals lose digits in the six-digit form and points beyond seven decimals; nothing else may
// change between a file as read and the same file as written and read back.
void compareUpToPrecision(const ProjectDocument &read, const ProjectDocument &reread)
{
    QCOMPARE(reread.fileTypeLine, read.fileTypeLine);
    QCOMPARE(reread.headerLines, read.headerLines);
    QCOMPARE(reread.dimension, read.dimension);
    QCOMPARE(reread.frequencyLines, read.frequencyLines);
    QCOMPARE(reread.controlLines, read.controlLines);
    QCOMPARE(reread.geometry.metalTypes, read.geometry.metalTypes);
    QCOMPARE(reread.geometry.dielectricLayers.size(), read.geometry.dielectricLayers.size());
    for (qsizetype i = 0; i < read.geometry.dielectricLayers.size(); ++i) {
        QCOMPARE(reread.geometry.dielectricLayers[i].name, read.geometry.dielectricLayers[i].name);
        QVERIFY(closeEnough(read.geometry.dielectricLayers[i].thickness,
                            reread.geometry.dielectricLayers[i].thickness, 5e-6, 0));
    }
    QVERIFY(closeEnough(read.geometry.box.xWidth, reread.geometry.box.xWidth, 5e-6, 0));
    QCOMPARE(reread.geometry.ports.size(), read.geometry.ports.size());
    for (qsizetype i = 0; i < read.geometry.ports.size(); ++i) {
        QCOMPARE(reread.geometry.ports[i].link, read.geometry.ports[i].link);
        QCOMPARE(reread.geometry.ports[i].portNumber, read.geometry.ports[i].portNumber);
    }
    QCOMPARE(reread.geometry.referencePlanes.size(), read.geometry.referencePlanes.size());
    QCOMPARE(reread.geometry.polygons.size(), read.geometry.polygons.size());
    for (qsizetype i = 0; i < read.geometry.polygons.size(); ++i) {
        const Polygon &a = read.geometry.polygons[i];
        const Polygon &b = reread.geometry.polygons[i];
        QCOMPARE(b.debugId, a.debugId);
        QCOMPARE(b.extraLines, a.extraLines);
        QCOMPARE(b.points.size(), a.points.size());
        for (qsizetype k = 0; k < a.points.size(); ++k) {
            QVERIFY(closeEnough(a.points[k].x, b.points[k].x, 0, 5.1e-8));
            QVERIFY(closeEnough(a.points[k].y, b.points[k].y, 0, 5.1e-8));
        }
    }
    QCOMPARE(reread.optimisationLines, read.optimisationLines);
    QCOMPARE(reread.sweepLines, read.sweepLines);
    QCOMPARE(reread.qsgLines, read.qsgLines);
}

// Parses, and checks that what is written from the result reads back to the same text.
void parseAndCheckFixedPoint(const QByteArray &text)
{
    const QByteArray written = serializeProject(parseProject(text));
    const QByteArray rewritten = serializeProject(parseProject(written));
    if (rewritten != written) {
        // Only lines that end in a lone carriage return may change: LF is all the writer has.
        QVERIFY2(written.contains("\r\n"), text.left(200).toPercentEncoding().constData());
        QCOMPARE(serializeProject(parseProject(rewritten)), rewritten);
    }
}

// A line as a word list, quotes dropped and numbers as the writer would put them (reals in
// six digits, points to seven decimals first), so that lines the reader models and writes in
// its own form still compare equal.
QString comparable(const QString &line)
{
    QStringList words = QString(line).remove(QLatin1Char('"')).split(' ', Qt::SkipEmptyParts);
    for (QString &word : words) {
        bool ok = false;
        const double value = word.toDouble(&ok);
        if (ok)
            word = formatReal(std::round(value * 1e7) / 1e7 + 0.0);
    }
    return words.join(QLatin1Char(' '));
}

// The written lines, each also in the forms it was read from where the writer changes them: a
// linked reference plane takes its POLY line onto its own, an AGND port gains its real.
QHash<QString, int> writtenLines(const QByteArray &written)
{
    QHash<QString, int> counts;
    for (const QString &line : QString::fromLatin1(written).split(QLatin1Char('\n'))) {
        ++counts[comparable(line)];
        if (line.startsWith(QLatin1String("DRP1")) && line.contains(QLatin1String(" POLY "))) {
            const qsizetype link = line.indexOf(QLatin1String(" POLY "));
            ++counts[comparable(line.left(link))];
            ++counts[comparable(line.mid(link))];
        }
        if (line.endsWith(QLatin1String(" NONE 0")))
            ++counts[comparable(line.chopped(2))];
    }
    return counts;
}

QList<QByteArray> robustnessInputs()
{
    QList<QByteArray> inputs{builtInTemplateText()};
    for (const QString &name : corpusFiles())
        inputs.append(corpusBytes(name));
    return inputs;
}
} // namespace

class SonnetCorpusTest : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void keepsEveryLine_data();
    void keepsEveryLine();
    void unknownTextAtScale_data();
    void unknownTextAtScale();
    void truncatedFiles();
    void mutatedFiles();
    void absurdCounts_data();
    void absurdCounts();
};

void SonnetCorpusTest::roundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("polygons");
    QTest::addColumn<int>("dielectricLayers");
    if (corpusFiles().isEmpty())
        QSKIP("no corpus folder beside the project");
    // Counts as the files hold them; -1 where only the round trip is checked.
    const QHash<QString, QPair<int, int>> expected{
        {"6cm_q1match_ro4003c.son", {2, 2}},
        {"aem2_starting_geometry.son", {44, 2}},
        {"autoem_test.son", {38, 4}},
        {"crcat_hairpin_inband.son", {28, 2}},
        {"crcat_xxxii39_netlist_v19.son", {0, 0}},
        {"idbpf_1240mhz_via_tlaynam.son", {12, 2}},
        {"klayoutpy_matlab_proj_8781pt.son", {3, 2}},
        {"mkidvar_base_model_aniso.son", {33, 2}},
        {"qcpaintlib_rqu0_gds_meander.son", {4, 2}},
        {"qdev_cwave_empty_num0.son", {0, 2}},
        {"sonnetlab_att_lgeo_agnd.son", {6, 2}},
        {"sonnetlab_demo1.son", {3, 2}},
        {"sonnetlab_yield_template_drp_link.son", {3, 2}},
        {"sonpy_example3.son", {3, 2}},
        {"testcoupon_cwpg_viafence.son", {56, 2}}};
    for (const QString &name : corpusFiles()) {
        const auto counts = expected.value(name, {-1, -1});
        QTest::newRow(qPrintable(name)) << name << counts.first << counts.second;
    }
}

void SonnetCorpusTest::roundTrip()
{
    QFETCH(QString, name);
    QFETCH(int, polygons);
    QFETCH(int, dielectricLayers);
    ProjectDocument read;
    QCOMPARE(loadProject(corpusDir().filePath(name), read), 0);
    if (polygons >= 0) {
        QCOMPARE(read.geometry.polygons.size(), polygons);
        QCOMPARE(read.geometry.dielectricLayers.size(), dielectricLayers);
    }
    const QByteArray written = serializeProject(read);
    const ProjectDocument reread = parseProject(written);
    compareUpToPrecision(read, reread);
    const QByteArray rewritten = serializeProject(reread);
    QCOMPARE(rewritten, written);
    QCOMPARE(parseProject(rewritten), reread);
}

void SonnetCorpusTest::keepsEveryLine_data()
{
    QTest::addColumn<QString>("name");
    if (corpusFiles().isEmpty())
        QSKIP("no corpus folder beside the project");
    for (const QString &name : corpusFiles())
        QTest::newRow(qPrintable(name)) << name;
}

void SonnetCorpusTest::keepsEveryLine()
{
    // Each line of the file, blank ones aside, comes back: as it was, or as the writer writes
    // what the reader takes from it.
    QFETCH(QString, name);
    const QByteArray text = corpusBytes(name);
    const QByteArray written = serializeProject(parseProject(text));
    QCOMPARE(serializeProject(parseProject(written)), written);
    QHash<QString, int> left = writtenLines(written);
    QStringList missing;
    for (const QString &line : QString::fromLatin1(text).remove(QLatin1Char('\r')).split('\n')) {
        const QString key = comparable(line);
        if (!key.isEmpty() && left[key]-- <= 0)
            missing.append(line);
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
}

void SonnetCorpusTest::unknownTextAtScale_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("keptLines"); // of the top level, DIM and GEO together
    const QByteArray geo = "GEO\nBOX 0 10 10 20 20 20 0\n 1 1 1 0 0 0 0 \"A\"\nEND GEO\n";
    QByteArray blocks;
    QByteArray words;
    QByteArray geoItems = "GEO\n";
    for (int i = 0; i < 100000; ++i) {
        blocks += "B" + QByteArray::number(i) + "\nvalue\nEND B" + QByteArray::number(i) + '\n';
        words += "W" + QByteArray::number(i) + '\n';
        geoItems += "TECHLAY METAL M" + QByteArray::number(i) + "\n0 0 0 N 1 Y\nEND\nEND\n";
    }
    QTest::newRow("a block without END, then a known one") << "FOO\nx\n\n" + geo << 2;
    QTest::newRow("a 50 MB line") << "FOO " + QByteArray(50 << 20, 'x') + '\n' + geo << 1;
    QTest::newRow("100,000 blocks") << blocks + geo << 300000;
    QTest::newRow("100,000 words closed by the first") << words + "END W0\n" + geo << 100001;
    QTest::newRow("100,000 GEO blocks, the last open") << geoItems + "TECHLAY" << 400001;
    // Its END closes DIM early: the rest of DIM is kept after it.
    QTest::newRow("an unknown block inside DIM and GEO")
        << "DIM\nLNG UM\nSUB\nx\nEND\nRES OH\nEND DIM\n" + geo.chopped(8) + "SUB\nEND\nEND GEO\n"
        << 6;
}

void SonnetCorpusTest::unknownTextAtScale()
{
    QFETCH(QByteArray, text);
    QFETCH(int, keptLines);
    QElapsedTimer timer;
    timer.start();
    const ProjectDocument document = parseProject(text);
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    qsizetype kept = document.dimension.keptLines.size();
    for (const QStringList &lines : document.keptLines)
        kept += lines.size();
    for (const KeptItem &item : document.geometry.keptItems)
        kept += item.lines.size();
    QCOMPARE(kept, keptLines);
    QVERIFY(!document.geometry.dielectricLayers.isEmpty() || text.startsWith("GEO\nTECHLAY"));
    const QByteArray written = serializeProject(document);
    QCOMPARE(serializeProject(parseProject(written)), written);
}

void SonnetCorpusTest::truncatedFiles()
{
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray &text : robustnessInputs()) {
        // Every cut of small files; evenly spread cuts of large ones.
        const qsizetype step = std::max<qsizetype>(1, text.size() / 1500);
        for (qsizetype cut = 0; cut <= text.size(); cut += step)
            parseAndCheckFixedPoint(text.left(cut));
    }
    qInfo("truncations parsed in %lld ms", static_cast<long long>(timer.elapsed()));
}

void SonnetCorpusTest::mutatedFiles()
{
    static const QByteArray fragments[] = {
        "END",  "END GEO", "NUM 2000000000", "\n", "\r\n",  " ",   "\"",   "BOX 999999999",
        "POR1", "DRP1",    "VIA POLYGON\n",  "-",  "1e999", "nan", "\xa0", QByteArray(1, '\0')};
    QRandomGenerator random(4242);
    for (const QByteArray &original : robustnessInputs()) {
        if (original.isEmpty())
            continue;
        for (int round = 0; round < 150; ++round) {
            QByteArray text = original;
            const int edits = 1 + random.bounded(8);
            for (int e = 0; e < edits; ++e) {
                const qsizetype at = random.bounded(text.size() + 1);
                switch (random.bounded(4)) {
                case 0:
                    if (at < text.size())
                        text[at] = static_cast<char>(random.bounded(256));
                    break;
                case 1:
                    text.insert(at, fragments[random.bounded(int(std::size(fragments)))]);
                    break;
                case 2:
                    text.remove(at, random.bounded(40));
                    break;
                default:
                    text.insert(at, QByteArray::number(random.bounded(-5, 1000000)));
                    break;
                }
            }
            parseAndCheckFixedPoint(text);
        }
    }
}

void SonnetCorpusTest::absurdCounts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("polygon count")
        << QByteArray("GEO\nNUM 9223372036854775807\n0 3 0 N 1 Y\n1 2\nEND\n");
    QTest::newRow("point count") << QByteArray(
        "GEO\nNUM 1\n0 2147483647 0 N 1 1 1 1 1 0 0 0 Y\n1 2\nEND\n");
    QTest::newRow("point count overflowing")
        << QByteArray("GEO\nNUM 1\n0 99999999999999999999999 0 N 1\n1 2\n");
    QTest::newRow("level count") << QByteArray(
        "GEO\nBOX 2147483647 1 1 2 2 20 0\n 1 1 1 0 0 0 0 A\n");
    QTest::newRow("negative counts")
        << QByteArray("GEO\nBOX -7 1 1 2 2\nNUM -3\n0 -9 0 N 1\nEND\nEND GEO\n");
    QTest::newRow("counts then garbage")
        << QByteArray("GEO\nNUM 1000000000\nVIA POLYGON\n0 1000000000 0 N 1\nTOLEVEL x\nabc def\n");
}

void SonnetCorpusTest::absurdCounts()
{
    QFETCH(QByteArray, text);
    QElapsedTimer timer;
    timer.start();
    const ProjectDocument document = parseProject(text);
    QVERIFY(timer.elapsed() < 1000);
    QVERIFY(document.geometry.polygons.size() <= text.count('\n'));
    for (const Polygon &polygon : document.geometry.polygons)
        QVERIFY(polygon.points.capacity() <= text.size());
    QVERIFY(document.geometry.dielectricLayers.size() <= text.count('\n') + 1);
    parseAndCheckFixedPoint(text);
}

QTEST_GUILESS_MAIN(SonnetCorpusTest)
#include "test_sonnet_corpus.moc"
