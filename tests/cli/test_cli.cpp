// torvane-cli end to end: the real program, run as users run it.
#include "clitestsupport.h"

#include "core/inductance/geometryinductance.h"
#include "core/template/builtintemplate.h"
#include "core/template/createspiral.h"
#include "core/template/layerroles.h"
#include "core/wording/estimatetext.h"
#include "tests/support/filesizelimit.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <QXmlStreamReader>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace torvane;

namespace {
// Runs the shell words in `folder`, the program standing in for the first word.
Run runInFolder(const QString &folder, const QString &words)
{
    return runCli(
        {"-c", "cd \"$1\" && exec \"$0\" " + words, TORVANE_CLI_PATH, folder}, [] {}, "/bin/sh");
}

// Each entry of the folder with its kind and size, links not followed.
QStringList entriesWithKinds(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat status
        {
        };
        lstat(QFile::encodeName(path).constData(), &status);
        found.append(QStringLiteral("%1 %2 %3")
                         .arg(QDir(folder).relativeFilePath(path))
                         .arg(status.st_mode & S_IFMT)
                         .arg(S_ISREG(status.st_mode) ? status.st_size : 0));
    }
    found.sort();
    return found;
}

QStringList filesIn(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(QDir(folder).relativeFilePath(it.next()));
    found.sort();
    return found;
}
} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void createWritesWhatTheWindowWrites_data();
    void createWritesWhatTheWindowWrites();
    void estimatePrintsThePanel_data();
    void estimatePrintsThePanel();
    void estimateJson();
    void boundariesAccepted();
    void badInputWritesNothing_data();
    void badInputWritesNothing();
    void refusalsAndYes_data();
    void refusalsAndYes();
    void unitsAndRolesReachTheFile();
    void infoAndRewrite();
    void layoutExport();
    void templatesTakenAsTheWindowTakesThem();
    void failedSavesSayWhy();
    void pathsAreCheckedBeforeUse_data();
    void pathsAreCheckedBeforeUse();
    void largeLayoutNeedsYes();
    void checkAndRender();
    void outputsAreRegularFilesOnly_data();
    void outputsAreRegularFilesOnly();
    void failedLayoutReplacesNothing_data();
    void failedLayoutReplacesNothing();
    void unwritableStandardOutputFails_data();
    void unwritableStandardOutputFails();
    void textFromOutsideIsShownSafely();
    void failedSweepLeavesNoEarlierIndex();
};

void CliTest::createWritesWhatTheWindowWrites_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("shape");
    QTest::newRow("round") << QStringList{"--shape", "round", "--turns", "2.25"} << 0;
    QTest::newRow("n-sided") << QStringList{"--shape", "nsided", "--sides", "6", "--turns=3.5"}
                             << 1;
    QTest::newRow("round differential")
        << QStringList{"--shape", "diffround", "--turns", "3", "--no-center-tap"} << 2;
    QTest::newRow("n-sided differential staircase")
        << QStringList{"--shape", "diffnsided", "--sides", "8", "--turns", "2", "--staircase"} << 3;
}

void CliTest::createWritesWhatTheWindowWrites()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, shape);
    QTemporaryDir dir;
    const QString output = dir.filePath("spiral.son");
    const Run run = runCli(QStringList{"create", "-o", output} + arguments);
    // The built-in cover lowers the inductance of most of these by more than 2 %.
    for (const QString &line : run.err.split('\n', Qt::SkipEmptyParts))
        QVERIFY2(line.startsWith("warning: The box lowers the inductance"), qPrintable(line));
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.startsWith("Spiral created at " + output));
    QVERIFY(QFileInfo(dir.filePath("sondata/spiral")).isDir());

    // The same spiral made in-process on the built-in template gives the same bytes.
    SpiralParameters p;
    p.shape = static_cast<SpiralShape>(shape);
    p.radius = isDifferential(p.shape) ? 50 : 25;
    p.turns = arguments.contains("2.25") ? 2.25 : arguments.contains("--turns=3.5") ? 3.5 : 2;
    if (p.shape == SpiralShape::RoundDifferential) {
        p.turns = 3;
        p.centerTap = false;
    }
    p.sides = p.shape == SpiralShape::NSided ? 6 : 8;
    ProjectDocument document = builtInTemplate();
    QStringList metals, roles;
    readLayerSetup(document, metals, roles);
    const QString expected = dir.filePath("expected.son");
    QCOMPARE(createSpiralProject(document, p, metals, roles, arguments.contains("--staircase"),
                                 expected),
             0);
    QCOMPARE(readAll(output), readAll(expected));

    ProjectDocument reread;
    QCOMPARE(loadProject(output, reread), 0);
    QVERIFY(!reread.geometry.polygons.isEmpty());
    QVERIFY(!reread.geometry.ports.isEmpty());
    QStringList rereadMetals, rereadRoles;
    readLayerSetup(reread, rereadMetals, rereadRoles);
    QCOMPARE(rereadRoles, roles);
    QCOMPARE(rereadMetals, metals);
}

void CliTest::estimatePrintsThePanel_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("minRadius");
    QTest::newRow("round") << QStringList{"--shape", "round",     "--turns", "3",        "--width",
                                          "10",      "--spacing", "5",       "--radius", "50"}
                           << "Size: 200 / 200 um" << QString();
    QTest::newRow("round differential")
        << QStringList{"--shape", "diffround", "--turns", "3",        "--width",
                       "10",      "--spacing", "5",       "--radius", "50"}
        << "Size: 200 / 222.071 um" << QString();
    QTest::newRow("n-sided differential hint")
        << QStringList{"--shape", "diffnsided", "--width",       "10", "--spacing", "10",
                       "--sides", "8",          "--length-unit", "mil"}
        << "Size: 190 / 190 mil"
        << "MinRadius: (min > 41.2132)";
    QTest::newRow("no spiral level")
        << QStringList{"--shape", "round", "--roles", "none"} << "Size: 140 / 140 um" << QString();
}

void CliTest::estimatePrintsThePanel()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, size);
    QFETCH(QString, minRadius);
    const Run run = runCli(QStringList{"estimate"} + arguments);
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QVERIFY(lines.value(0).startsWith("Inductance: "));
    QVERIFY(lines.value(0).endsWith(" nH"));
    QCOMPARE(lines.value(1), size);
    QCOMPARE(lines.value(2).startsWith("MinRadius"), !minRadius.isEmpty());
    if (!minRadius.isEmpty())
        QCOMPARE(lines.value(2), minRadius);
    static const QRegularExpression geometry(
        QStringLiteral("^Geometry: [0-9.]+ (nH|mil) winding, [0-9.]+ \\1 at reference planes$"));
    static const QRegularExpression inBox(
        QStringLiteral("^In box: [0-9.]+ nH winding, [0-9.]+ nH at reference planes$"));
    const QString &geometryLine = lines.value(lines.size() - 2);
    QVERIFY2(geometry.match(geometryLine).hasMatch() || geometryLine.startsWith("Geometry: n/a ("),
             qPrintable(geometryLine));
    QVERIFY2(inBox.match(lines.last()).hasMatch() || lines.last().startsWith("In box: \u2013 ("),
             qPrintable(lines.last()));
    QCOMPARE(lines.size(), minRadius.isEmpty() ? 4 : 5);
    QCOMPARE(geometryLine.contains("\"spiral\""), arguments.contains("--roles"));
    QCOMPARE(lines.last().contains("\"spiral\""), arguments.contains("--roles"));
}

void CliTest::estimateJson()
{
    const Run run = runCli({"estimate", "--shape", "nsided", "--turns", "2", "--json"});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(object.value("shape").toString(), QStringLiteral("nsided"));
    const QJsonArray range = object.value("inductance").toArray();
    QCOMPARE(range.size(), 2);
    QVERIFY(range[0].toDouble() > 0 && range[0].toDouble() <= range[1].toDouble());
    QCOMPARE(object.value("size").toArray().at(0).toDouble(), 2 * (2.5 * 10 + 25 + 2 * 10.0));
    QCOMPARE(object.value("lengthUnit").toString(), QStringLiteral("um"));
    // The geometry values of the built-in template, in nH at full precision.
    ProjectDocument document = builtInTemplate();
    QStringList layerSetup;
    QStringList functionSetup;
    readLayerSetup(document, layerSetup, functionSetup);
    SpiralParameters p;
    p.shape = SpiralShape::NSided;
    const GeometryInductance expected = geometryInductance(p, document, layerSetup, functionSetup);
    QVERIFY(expected.hasValues());
    const QJsonObject geometry = object.value("geometryInductance").toObject();
    QCOMPARE(geometry.value("winding").toDouble(), *expected.winding * 1e9);
    QCOMPARE(geometry.value("referencePlanes").toDouble(), *expected.referencePlanes * 1e9);
    QVERIFY(expected.hasInBoxValues());
    const QJsonObject inBox = geometry.value("inBox").toObject();
    QCOMPARE(inBox.value("winding").toDouble(), *expected.inBoxWinding * 1e9);
    QCOMPARE(inBox.value("referencePlanes").toDouble(), *expected.inBoxReferencePlanes * 1e9);
    const Run hint = runCli({"estimate", "--shape", "diffnsided", "--width", "10", "--spacing",
                             "10", "--sides", "8", "--json"});
    // At full precision: the cell of the built-in template is 1 um.
    QCOMPARE(QJsonDocument::fromJson(hint.out.toUtf8())["minRadius"].toDouble(),
             minimumInnerRadius(1.0, 10, 10, 8));
}

void CliTest::boundariesAccepted()
{
    QTemporaryDir dir;
    for (const QStringList &arguments :
         {QStringList{"--shape", "round", "--width", "0.001"},
          QStringList{"--shape", "round", "--radius", "1.2345e2"},
          QStringList{"--shape", "diffnsided", "--width", "1.25e1"},
          QStringList{"--shape", "nsided", "--sides", "16"},
          QStringList{"--shape", "diffround", "--turns", "99"},
          QStringList{"--shape", "round", "--roles", "none,spiral,bridge,none", "--metals",
                      "Lossless,TopMetal,Metal5,Lossless"}})
        // --yes: 99 turns no longer fit the box, which the design checks call an error.
        QVERIFY2(runCli(QStringList{"create", "--yes", "-o", dir.filePath("out.son")} + arguments)
                         .exitCode == 0,
                 qPrintable(arguments.join(' ')));
}

void CliTest::badInputWritesNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("mentions");
    const QStringList round{"--shape", "round"};
    QTest::newRow("not a number") << round + QStringList{"--width", "ten"} << "--width";
    QTest::newRow("zero length") << round + QStringList{"--radius", "0"} << "--radius";
    QTest::newRow("too long") << round + QStringList{"--spacing", "1000001"} << "--spacing";
    QTest::newRow("four decimals")
        << round + QStringList{"--bridge-width", "1.0005"} << "--bridge-width";
    QTest::newRow("four decimals behind an exponent")
        << round + QStringList{"--radius", "1.5e-3"} << "--radius";
    QTest::newRow("n-sided differential width decimals")
        << QStringList{"--shape", "diffnsided", "--width", "10.005"} << "--width";
    QTest::newRow("too few turns") << round + QStringList{"--turns", "0.75"} << "--turns";
    QTest::newRow("three turn decimals") << round + QStringList{"--turns", "2.125"} << "--turns";
    QTest::newRow("100 differential turns")
        << QStringList{"--shape", "diffnsided", "--turns", "100"} << "--turns";
    QTest::newRow("fractional differential turns")
        << QStringList{"--shape", "diffround", "--turns", "2.5"} << "--turns";
    QTest::newRow("too many sides")
        << QStringList{"--shape", "nsided", "--sides", "17"} << "--sides";
    QTest::newRow("unknown shape") << QStringList{"--shape", "hexagon"} << "--shape";
    QTest::newRow("no shape") << QStringList{"--turns", "2"} << "--shape";
    QTest::newRow("unknown unit") << round + QStringList{"--length-unit", "ft"} << "--length-unit";
    QTest::newRow("unknown role") << round + QStringList{"--roles", "none,Spiral"} << "--roles";
    QTest::newRow("too many roles")
        << round + QStringList{"--roles", "none,spiral,bridge,none,none"} << "--roles";
    QTest::newRow("unknown metal")
        << round + QStringList{"--metals", "Lossless,Gold"} << "--metals";
    QTest::newRow("missing template")
        << round + QStringList{"--template", "missing.son"} << "missing.son";
    QTest::newRow("empty template") << round + QStringList{"--template", ""} << "--template";
    QTest::newRow("empty inline template") << round + QStringList{"--template="} << "--template";
    QTest::newRow("unknown option") << round + QStringList{"--colour", "red"} << "--colour";
    QTest::newRow("contradiction")
        << round + QStringList{"--feed-auto", "--no-feed-auto"} << "--feed-auto";
}

void CliTest::badInputWritesNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    const Run run = runCli(QStringList{"create", "-o", dir.filePath("out.son")} + arguments);
    QVERIFY(run.exitCode > 0);
    QVERIFY2(run.err.contains(mentions), qPrintable(run.err));
    QCOMPARE(run.err.count('\n'), 1);
    QCOMPARE(run.out, QString());
    QCOMPARE(filesIn(dir.path()), QStringList());
}

void CliTest::refusalsAndYes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("yesHelps");
    QTest::newRow("no spiral level")
        << QStringList{"--shape", "round", "--roles", "none,none,bridge"}
        << "No layer for spiral selected! Continue anyway?" << true;
    QTest::newRow("feed spacing") << QStringList{"--shape", "diffround", "--no-feed-auto",
                                                 "--feed-spacing", "27.1"}
                                  << "Feed spacing to large! Continue anyway?" << true;
    QTest::newRow("feed spacing under auto still checked")
        << QStringList{"--shape", "diffnsided", "--feed-spacing", "40"} << "Feed spacing to large!"
        << true;
    QTest::newRow("inner radius") << QStringList{"--shape", "diffnsided",    "--radius",
                                                 "41.2",    "--length-unit", "mm"}
                                  << "Inner radius must exceed 41.2132 mm. Cannot create spiral."
                                  << false;
}

void CliTest::refusalsAndYes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QFETCH(bool, yesHelps);
    QTemporaryDir dir;
    const QString output = dir.filePath("out.son");
    const Run refused = runCli(QStringList{"create", "-o", output} + arguments);
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains(message), qPrintable(refused.err));
    QCOMPARE(filesIn(dir.path()), QStringList());
    const Run again = runCli(QStringList{"create", "-o", output, "--yes"} + arguments);
    QCOMPARE(again.exitCode == 0, yesHelps);
    QCOMPARE(QFileInfo::exists(output), yesHelps);
}

void CliTest::unitsAndRolesReachTheFile()
{
    QTemporaryDir dir;
    const QString output = dir.filePath("units.son");
    // The spiral's 10 mil width no longer fits the box, which keeps its 400 um: --yes.
    const Run run = runCli({"create", "-o", output, "--shape", "round", "--length-unit", "mil",
                            "--roles", "spiral,none,bridge", "--metals", "TopMetal", "--yes"});
    QCOMPARE(run.exitCode, 0);
    ProjectDocument document;
    QCOMPARE(loadProject(output, document), 0);
    QCOMPARE(document.dimension.lengthUnit, QStringLiteral("mil"));
    QCOMPARE(document.dimension.inductanceUnit, QStringLiteral("NH"));
    // The built-in template's box and stack keep their size in um.
    const GeometryBlock um = builtInTemplate().geometry;
    QVERIFY(std::abs(document.geometry.box.xWidth * 25.4 / um.box.xWidth - 1) < 1e-5);
    for (qsizetype i = 0; i < um.dielectricLayers.size(); ++i)
        QVERIFY(std::abs(document.geometry.dielectricLayers[i].thickness * 25.4 /
                             um.dielectricLayers[i].thickness -
                         1) < 1e-5);
    QVERIFY(document.headerLines.contains("ANN #Qor_FunctionSetup#,spiral,none,bridge,none"));
    QVERIFY(
        document.headerLines.contains("ANN #Qor_LayerSetup#,TopMetal,Lossless,Lossless,Lossless"));
    // The winding sits on level 0 with the named metal type; the bridge on level 2.
    QCOMPARE(document.geometry.polygons.first().level, 0u);
    QCOMPARE(document.geometry.polygons.first().metalType, 0);
    QCOMPARE(document.geometry.ports.size(), 2);
}

void CliTest::infoAndRewrite()
{
    const Run info = runCli({"info"});
    QCOMPARE(info.exitCode, 0);
    QVERIFY(info.out.contains("Metal levels (4):"));
    QVERIFY(info.out.contains("  1  TopMetal  spiral\n"));
    QVERIFY(info.out.contains("  2  Metal5  bridge\n"));

    QTemporaryDir dir;
    const QString input = dir.filePath("in.son");
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("DIM\nLNG MIL\nEND DIM\nGEO\nBOX 1 10 10 20 20 20 0\n 1 1 1 0 0 0 0 A\n"
               " 1 1 1 0 0 0 0 B\nEND GEO\n");
    file.close();
    const Run rewrite = runCli({"rewrite", input, dir.filePath("out.son")});
    QCOMPARE(rewrite.exitCode, 0);
    QCOMPARE(readAll(dir.filePath("out.son")), serializeProject(parseProject(readAll(input))));
    QVERIFY(QFileInfo(dir.filePath("sondata/out")).isDir());

    // A netlist project is read and written as it is, but serves as no template.
    const QByteArray netlist = "FTYP SONNETPRJ 19 ! Sonnet Netlist Project File\nVER 18.52\n"
                               "DIM\nFREQ GHZ\nIND NH\nLNG MIL\nANG DEG\nCON /OH\nCAP PF\nRES OH\n"
                               "END DIM\nCKT\nIND 1 2 L=0.5\n\nEND CKT\n\n";
    const auto write = [&dir](const char *name, const QByteArray &text) {
        QFile out(dir.filePath(name));
        return out.open(QIODevice::WriteOnly) && out.write(text) ? out.fileName() : QString();
    };
    const QString net = write("net.son", netlist);
    QCOMPARE(runCli({"rewrite", net, dir.filePath("net2.son")}).exitCode, 0);
    QCOMPARE(readAll(dir.filePath("net2.son")), netlist);
    QVERIFY(runCli({"info", net}).out.contains("Geometry: none (a netlist project"));
    QVERIFY(runCli({"create", "--shape", "round", "--template", net, "-o", dir.filePath("x.son")})
                .err.contains("no geometry (GEO block) found"));
    // What create leaves out of a template is said on stderr.
    const QString named = write(
        "named.son",
        builtInTemplateText().replace("END GEO", "DIM STD XDIR 1\nREF1 POLY 7 1\n2\nEND\nEND GEO"));
    const Run created =
        runCli({"create", "--shape", "round", "--template", named, "-o", dir.filePath("x.son")});
    QVERIFY2(created.exitCode == 0 && created.err.contains("note: Dropped \"DIM STD XDIR 1\""),
             qPrintable(created.err));

    const Run missing = runCli({"info", dir.filePath("nothing.son")});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.err.contains("nothing.son"));
    QCOMPARE(runCli({}).exitCode, 2);
    const Run help = runCli({"--help"});
    QCOMPARE(help.exitCode, 0);
    // Every save empties the result folder; rewrite's help says so.
    QVERIFY(help.out.contains("canonical form;\n" + QString(26, ' ') +
                              "like every save of a project, this empties its result folder\n" +
                              QString(26, ' ') + "(sondata/OUT/)"));
}

void CliTest::layoutExport()
{
    QTemporaryDir dir;
    const QString son = dir.filePath("ind 1.son");
    const QString gds = dir.filePath("ind.gds");
    Run run = runCli({"create", "--shape", "nsided", "-o", son, "--gds", gds, "--layer-map",
                      "spiral=134/0", "--cell", "IND_A", "--dbu", "0.5nm"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains("Layout written to " + gds +
                              " (GDSII, cell IND_A, database unit 0.5 nm, 5 polygons"),
             qPrintable(run.out));
    const QByteArray layout = readAll(gds);
    QVERIFY(layout.contains(QByteArray::fromHex("00060D020086")));         // LAYER 134
    QVERIFY(layout.contains(QByteArray::fromHex("000A0606") + "IND_A\0")); // STRNAME

    run = runCli({"export", son, dir.filePath("again.gds"), "--origin=box"});
    QVERIFY2(run.out.contains("(GDSII, cell ind_1, database unit 1 nm, 5 polygons, origin at "
                              "the box's lower-left corner)\n"),
             qPrintable(run.out + run.err));
    QVERIFY(runCli({"export", son, dir.filePath("again.dxf")}).out.contains("(DXF, 5 polygons"));

    const QString out = dir.filePath("out.gds");
    const QList<QPair<QStringList, QString>> refused{
        {{"export", son, dir.filePath("out.txt")}, "must end in .gds or .dxf"},
        {{"export", son, out, "--layer-map", "spiral=70000"}, "above 65535"},
        {{"export", son, out, "--dbu", "1km"}, "--dbu: '1km' is not a database unit"},
        {{"export", son, out, "--origin", "middle"}, "centre or box"},
        {{"export", son, out, "--cell", "a b"}, "--cell: 'a b'"},
        {{"export", son, out, "--layers", "x"}, "unknown option '--layers'"},
        {{"export", dir.filePath("missing.son"), out}, "cannot read"},
        {{"export", son, dir.filePath("ind 1.son/out.gds")}, "out.gds' does not exist"},
        {{"create", "--shape", "round", "-o", dir.filePath("new.son"), "--gds",
          dir.filePath("nowhere/x.gds")},
         "--gds: the folder of"},
        {{"create", "--shape", "round", "-o", dir.filePath("new.son"), "--dbu", "1nm"},
         "--dbu belongs with --gds"},
        {{"create", "--shape", "round", "-o", dir.filePath("new.son"), "--gds", "x.svg"},
         "--gds: 'x.svg' must end in .gds or .dxf"},
        {{"estimate", "--shape", "round", "--gds", out}, "--gds belongs to create"},
        {{"estimate", "--shape", "round", "--size", "10"}, "--size belongs to render"}};
    for (const auto &[arguments, message] : refused) {
        run = runCli(arguments);
        QVERIFY2(run.exitCode != 0 && run.err.contains(message), qPrintable(run.err));
        QVERIFY(!QFile::exists(out) && !QFile::exists(dir.filePath("new.son")));
    }
}

void CliTest::templatesTakenAsTheWindowTakesThem()
{
    QTemporaryDir dir;
    const auto write = [&dir](const char *name, const QByteArray &text) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) ? file.fileName() : QString();
    };
    const QByteArray geo = "GEO\nMET \"Gold\" 1 SUP 0 0 0 0\nBOX 2 100 100 200 200 20 0\n"
                           " 10 1 1 0 0 0 0 A\n 10 1 1 0 0 0 0 B\n 10 1 1 0 0 0 0 C\nEND GEO\n";
    const QString mils = write("mils.son", "HEADER\nANN #Qor_LayerSetup#,Lossless,Copper\nEND "
                                           "HEADER\nDIM\nLNG mils\nEND DIM\n" +
                                               geo);
    const QString info = runCli({"info", mils}).out;
    QVERIFY(info.contains("  0  Lossless  none\n"));
    QVERIFY(info.contains("  1  Copper  none  (metal type not defined in this file)\n"));

    // No unit, or a loosely written one, reaches the project as the window's entry; a name
    // without a suffix gets ".son" (a dot in a folder name is no suffix).
    QVERIFY(QDir(dir.path()).mkdir("out.v2"));
    const QString output = dir.filePath("out.v2/ind1");
    for (const QString &input : {mils, write("bare.son", geo)}) {
        QCOMPARE(runCli({"create", "--yes", "--shape", "round", "--template", input, "-o", output})
                     .exitCode,
                 0);
        ProjectDocument document;
        QCOMPARE(loadProject(output + ".son", document), 0);
        QCOMPARE(document.dimension.lengthUnit + document.dimension.inductanceUnit, "milnH");
    }

    const Run broken = runCli({"info", write("broken.son", "DIM\nLNG UM\nEND DIM\n")});
    QVERIFY2(broken.exitCode == 1 && broken.err.contains("son': no geometry (GEO block) found."),
             qPrintable(broken.err));
}

void CliTest::failedSavesSayWhy()
{
    QTemporaryDir dir;
    const QString input = dir.filePath("in.son"), output = dir.filePath("out.son");
    QCOMPARE(runCli({"create", "--shape", "round", "-o", input}).exitCode, 0);
    QCOMPARE(runCli({"create", "--shape", "round", "--turns", "3", "-o", output}).exitCode, 0);
    QVERIFY(QFile::copy(input, dir.filePath("sondata/out/result.csv")));
    const QString layout = dir.filePath("out.dxf");
    QVERIFY(QFile::copy(output, layout));
    const QString picture = dir.filePath("out.svg");
    QVERIFY(QFile::copy(output, picture));
    const QStringList before = filesIn(dir.path());
    const QByteArray old = readAll(output);
    // A full disk, as far as the programs can tell.
    for (const QStringList &arguments :
         {QStringList{"rewrite", input, output},
          QStringList{"create", "--shape", "round", "-o", output},
          QStringList{"export", input, layout},
          QStringList{"render", "--shape", "round", "--turns", "5", "-o", picture}}) {
        const Run run = runCli(arguments, [] { limitFileSize(4096); });
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QVERIFY2(run.err.contains("': File too large"), qPrintable(run.err));
        QCOMPARE(filesIn(dir.path()), before);
        QCOMPARE(readAll(output), old);
        QCOMPARE(readAll(layout), old);
        QCOMPARE(readAll(picture), old);
    }
    // The index of many failed projects is larger than the limit too.
    const Run sweep =
        runCli({"sweep", "--shape", "round", "--width", "5:40:1", "-o", dir.filePath("sweep")},
               [] { limitFileSize(4096); });
    QCOMPARE(sweep.exitCode, 1);
    QVERIFY2(sweep.err.contains("index.csv': File too large"), qPrintable(sweep.err));
}

void CliTest::pathsAreCheckedBeforeUse_data()
{
    QTest::addColumn<QString>("arguments"); // shell words
    QTest::addColumn<QString>("mentions");
    QTest::newRow("not UTF-8") << "create --shape round -o $(printf '\\351')"
                               << "argument 5";
    QTest::newRow("endless") << "info /dev/zero"
                             << "'/dev/zero': it is not a regular file.";
    QTest::newRow("FIFO") << "create --shape round --template fifo -o o.son"
                          << "not a regular";
    QTest::newRow("empty input") << "rewrite '' o.son"
                                 << "the input file name is empty.";
    QTest::newRow("empty output") << "rewrite fifo ''"
                                  << "the output file name is empty.";
    QTest::newRow("empty cell") << "export fifo o.gds --cell ''"
                                << "--cell needs a value, not an empty one.";
    QTest::newRow("empty layout") << "export fifo ''"
                                  << "the output file name is empty.";
    QTest::newRow("empty candidate file") << "synthesize --shape round --target 2 --create ''"
                                          << "--create needs a value, not an empty one.";
    QTest::newRow("empty info") << "info ''"
                                << "the input file name is empty.";
}

void CliTest::pathsAreCheckedBeforeUse()
{
    QFETCH(QString, arguments);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600), 0);
    const QString script = "cd \"$1\" && exec \"$0\" " + arguments;
    const Run run = runCli(
        {"-c", script, TORVANE_CLI_PATH, dir.path()}, [] {}, "/bin/sh");
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(mentions), qPrintable(run.err));
    QCOMPARE(filesIn(dir.path()), QStringList{"fifo"});
}

void CliTest::largeLayoutNeedsYes()
{
    // 149 spiral levels of 99 turns: over a million points, written only when the user says so.
    QTemporaryDir dir;
    QFile stack(dir.filePath("stack.son"));
    QVERIFY(stack.open(QIODevice::WriteOnly));
    stack.write("GEO\nBOX 149 400 400 800 800 20 0\n" +
                QByteArray(" 1 1 1 0 0 0 0 \"L\"\n").repeated(150) + "END GEO\n");
    stack.close();
    const QStringList arguments =
        QString("create --shape round --turns 99 --template %1 -o %2 "
                "--roles %3")
            .arg(stack.fileName(), dir.filePath("large.son"), QStringList(149, "spiral").join(','))
            .split(' ');
    const Run refused = runCli(arguments);
    QCOMPARE(refused.exitCode, 1);
    const QRegularExpression size("Unusually large layout: 1\\d{6} points, about 2\\d\\.\\d MB");
    QVERIFY2(refused.err.contains(size) && refused.err.contains("Pass --yes"),
             qPrintable(refused.err));
    QCOMPARE(filesIn(dir.path()), QStringList{"stack.son"});
    QCOMPARE(runCli(arguments + QStringList{"--yes"}).exitCode, 0);
}

void CliTest::checkAndRender()
{
    QTemporaryDir dir;
    const QStringList shorted{"--shape", "diffround", "--turns", "3", "--bridge-width", "35"};
    // Small enough that the built-in box takes under 2 % of its inductance: nothing to say.
    Run run = runCli({"check", "--shape", "nsided", "--turns", "1.25"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out + run.err, QString());
    run = runCli(QStringList{"check"} + shorted);
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(run.out.startsWith("error: ") && run.out.contains("crossing"), qPrintable(run.out));
    run = runCli(
        {"check", "--shape", "round", "--spacing", "0.5", "--roles", "none,spiral", "--json"});
    QCOMPARE(run.exitCode, 3);
    const QJsonArray findings = QJsonDocument::fromJson(run.out.toUtf8()).array();
    QStringList seen;
    for (const QJsonValue &value : findings) {
        const QJsonObject finding = value.toObject();
        seen.append(finding["severity"].toString() + ' ' + finding["code"].toString());
        QVERIFY(!finding["message"].toString().isEmpty());
        if (finding["code"] == "overlap")
            QCOMPARE(finding["location"].toObject()["level"].toInt(), 1);
    }
    QCOMPARE(seen, QStringList({"error overlap", "warning no-bridge-level", "warning narrow-gap",
                                "warning off-grid"}));
    QCOMPARE(runCli({"check", "--shape", "round", "-o", dir.filePath("x.son")}).exitCode, 1);

    // Create prints the same findings and wants --yes for the errors.
    const QString son = dir.filePath("shorted.son");
    run = runCli(QStringList{"create", "-o", son} + shorted);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("The layout has errors: 2 contacts between crossings"),
             qPrintable(run.err));
    QVERIFY(!QFile::exists(son));
    run = runCli(QStringList{"create", "-o", son, "--yes"} + shorted);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.startsWith("error: 2 contacts between crossings"));

    const QString svg = dir.filePath("spiral.svg");
    run = runCli({"render", "--shape", "diffnsided", "-o", svg, "--size", "640x480"});
    QCOMPARE(run.exitCode, 0);
    QFile svgFile(svg);
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svgFile);
    int paths = 0;
    QString viewBox;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("svg"))
            viewBox = xml.attributes().value("viewBox").toString();
        paths += xml.name() == QLatin1String("path") ? 1 : 0;
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(viewBox, QStringLiteral("0 0 640 480"));
    QVERIFY(paths > 10);
    const QString png = dir.filePath("spiral.png");
    QCOMPARE(runCli({"render", "--shape", "round", "-o", png}).exitCode, 0);
    QCOMPARE(QImage(png).size(), QSize(800, 800));
    // No picture of a layout that cannot be made, and none under an unknown suffix.
    run =
        runCli({"render", "--shape", "diffnsided", "--radius", "30", "-o", dir.filePath("n.png")});
    QVERIFY2(run.exitCode == 1 && run.err.contains("Inner radius must exceed"),
             qPrintable(run.err));
    QCOMPARE(runCli({"render", "--shape", "round", "-o", dir.filePath("n.jpg")}).exitCode, 1);
    QVERIFY(!QFile::exists(dir.filePath("n.png")) && !QFile::exists(dir.filePath("n.jpg")));
}

QTEST_GUILESS_MAIN(CliTest)
#include "test_cli.moc"

void CliTest::outputsAreRegularFilesOnly_data()
{
    QTest::addColumn<QString>("arguments"); // shell words, run in a folder of odd targets
    QTest::addColumn<QString>("mentions");
    QTest::newRow("rewrite to a FIFO") << "rewrite base.son p.son"
                                       << "'p.son': it is a FIFO, not a regular file.";
    QTest::newRow("rewrite to a socket") << "rewrite base.son socket.son"
                                         << "it is a socket, not a regular file.";
    QTest::newRow("rewrite to a link to a FIFO") << "rewrite base.son link.son"
                                                 << "it is a FIFO";
    QTest::newRow("rewrite to a dangling link") << "rewrite base.son gone.son"
                                                << "it is a link to a file that does not exist";
    QTest::newRow("rewrite to -") << "rewrite base.son -"
                                  << "'-' does not stand for the standard output";
    QTest::newRow("rewrite to /dev/stdout") << "rewrite base.son /dev/stdout > stdout.txt"
                                            << "it is this program's standard output";
    QTest::newRow("create") << "create --shape round -o p.son"
                            << "it is a FIFO";
    QTest::newRow("create --gds") << "create --shape round -o new.son --gds p.gds"
                                  << "cannot export 'p.gds': it is a FIFO";
    QTest::newRow("render") << "render --shape round -o p.svg"
                            << "it is a FIFO";
    QTest::newRow("export") << "export base.son p.gds"
                            << "it is a FIFO";
    QTest::newRow("synthesize --create") << "synthesize --shape round --target 2 --create p.son"
                                         << "it is a FIFO";
    QTest::newRow("sweep index") << "sweep --shape round --turns 2,3 -o sweep --force"
                                 << "index.csv': it is a FIFO";
}

void CliTest::outputsAreRegularFilesOnly()
{
    QFETCH(QString, arguments);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    QCOMPARE(runCli({"create", "--shape", "round", "-o", dir.filePath("base.son")}).exitCode, 0);
    QVERIFY(QDir(dir.path()).mkdir("sweep"));
    for (const char *name : {"p.son", "p.gds", "p.svg", "sweep/index.csv"})
        QCOMPARE(mkfifo(QFile::encodeName(dir.filePath(name)).constData(), 0600), 0);
    QVERIFY(QFile::link("p.son", dir.filePath("link.son")));
    QVERIFY(QFile::link("nothing.son", dir.filePath("gone.son")));
    QFile stdoutFile(dir.filePath("stdout.txt"));
    QVERIFY(stdoutFile.open(QIODevice::WriteOnly));
    stdoutFile.close();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(dir.filePath("socket.son"));
    QVERIFY(socketPath.size() < qsizetype(sizeof address.sun_path));
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    QCOMPARE(bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    const QStringList before = entriesWithKinds(dir.path());

    const Run run = runInFolder(dir.path(), arguments);
    close(listener);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(mentions), qPrintable(run.err));
    QCOMPARE(entriesWithKinds(dir.path()), before);
}

void CliTest::failedLayoutReplacesNothing_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("fileSizeLimit"); // 0: none
    QTest::newRow("layout in a folder that takes no files") << "/proc/self/x.gds" << 0;
    // The project (about 36 kB) fits below the limit, its layout (about 42 kB) does not.
    QTest::newRow("disk full with the project written") << "new.dxf" << 39000;
}

// A failed save of either file leaves the old project, its results and any layout as they were.
void CliTest::failedLayoutReplacesNothing()
{
    QFETCH(QString, layout);
    QFETCH(int, fileSizeLimit);
    QTemporaryDir dir;
    const QString project = dir.filePath("old.son");
    QCOMPARE(runCli({"create", "--shape", "round", "-o", project}).exitCode, 0);
    QVERIFY(QFile::copy(project, dir.filePath("sondata/old/result.csv")));
    const QStringList before = entriesWithKinds(dir.path());
    const QByteArray old = readAll(project);

    const Run run = runCli({"create", "--shape", "round", "--turns", "20", "--width", "2",
                            "--spacing", "2", "--radius", "10", "-o", project, "--gds",
                            layout.startsWith('/') ? layout : dir.filePath(layout)},
                           [fileSizeLimit] {
                               if (fileSizeLimit > 0)
                                   limitFileSize(fileSizeLimit);
                           });
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(entriesWithKinds(dir.path()), before);
    QCOMPARE(readAll(project), old);
}

void CliTest::unwritableStandardOutputFails_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::newRow("info") << "info";
    QTest::newRow("estimate") << "estimate --shape round";
    QTest::newRow("check") << "check --shape round --turns 5 --radius 20 --spacing 0.5";
    QTest::newRow("synthesize --json") << "synthesize --shape round --target 2 --json";
    QTest::newRow("help") << "--help";
}

void CliTest::unwritableStandardOutputFails()
{
    QFETCH(QString, arguments);
    QTemporaryDir dir;
    const Run run = runInFolder(dir.path(), arguments + " > /dev/full");
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("cannot write the standard output: No space left on device."),
             qPrintable(run.err));
}

// Names from a template and arguments reach XML and the terminal without control characters,
// and a huge argument is not echoed whole.
void CliTest::textFromOutsideIsShownSafely()
{
    QTemporaryDir dir;
    const QString stack = dir.filePath("stack.son");
    QFile file(stack);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("HEADER\nANN #Qor_LayerSetup#,Lossless,G\vold\nANN #Qor_FunctionSetup#,none,spiral\n"
               "END HEADER\nGEO\nBOX 2 400 400 400 400 20 0\n 10 1 1 0 0 0 0 A\n"
               " 10 1 1 0 0 0 0 B\n 10 1 1 0 0 0 0 C\nEND GEO\n");
    file.close();
    QVERIFY(runCli({"info", stack}).out.contains("  1  G\\x0bold  spiral"));

    const QString svg = dir.filePath("legend.svg");
    QCOMPARE(runCli({"render", "--shape", "round", "--template", stack, "-o", svg}).exitCode, 0);
    QFile svgFile(svg);
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svgFile);
    QString text;
    while (!xml.atEnd())
        text += xml.readNext() == QXmlStreamReader::Characters ? xml.text().toString() : QString();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(text.contains("Level 1: Gold, spiral"));

    const Run escape = runCli({"estimate", "--shape", "round", "--radius", "1\x1b[31m"});
    QVERIFY2(escape.err.contains("not '1\\x1b[31m'") && !escape.err.contains('\x1b'),
             qPrintable(escape.err));
    const Run huge = runCli({"estimate", "--shape", "round", "--radius", QString(100000, '7')});
    QVERIFY2(huge.err.startsWith("torvane-cli: --radius needs a number, not '777") &&
                 huge.err.size() < 300,
             qPrintable(huge.err));
}

// An index from an earlier sweep must not stand beside projects it does not list.
void CliTest::failedSweepLeavesNoEarlierIndex()
{
    QTemporaryDir dir;
    const QString index = dir.filePath("index.csv");
    QFile old(index);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("file\r\nearlier.son\r\n") > 0);
    old.close();
    const Run sweep =
        runCli({"sweep", "--shape", "round", "--width", "5:40:1", "-o", dir.path(), "--force"},
               [] { limitFileSize(4096); });
    QCOMPARE(sweep.exitCode, 1);
    QVERIFY(!QFile::exists(index));
}
