// Layout export. What is written is read back by KLayout, a reader this program did not write
// (skipped where it is not installed), and compared with the project: polygon count, layers,
// datatypes, and every polygon's area and bounding box within one database unit.
#include "core/export/gdsstream.h"
#include "core/export/layoutexport.h"
#include "core/spiral/roundspiral.h"
#include "core/template/builtintemplate.h"
#include "core/template/createspiral.h"
#include "core/template/layerroles.h"
#include "core/template/units.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace torvane;

namespace {
struct Shape
{
    QString layer; // "134/0" for GDSII, the layer name for DXF
    double area = 0;
    std::array<double, 4> box{}; // left, bottom, right, top
    double perimeter = 0;        // expected shapes only: the area's tolerance
    qsizetype points = 0;
};

struct ReadBack
{
    double dbu = 0; // micrometres
    QStringList cells;
    QList<Shape> shapes;
};

bool haveKlayout()
{
    return !QStandardPaths::findExecutable(QStringLiteral("klayout")).isEmpty();
}

// One KLayout run for all files (each run costs seconds): a list of "path<TAB>dxf unit" lines,
// where a unit of 0 marks GDSII.
QHash<QString, ReadBack> readWithKlayout(const QStringList &lines)
{
    QTemporaryDir home;
    const QString list = home.filePath("layouts.txt");
    QFile listFile(list);
    if (!listFile.open(QIODevice::WriteOnly) || listFile.write(lines.join('\n').toUtf8()) < 0)
        return {};
    listFile.close();
    QProcess klayout;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    klayout.setProcessEnvironment(environment);
    klayout.start(QStringLiteral("klayout"),
                  {"-b", "-r", QStringLiteral(TORVANE_TEST_DATA_DIR "/read_layout.py"), "-rd",
                   "files=" + list});
    klayout.waitForFinished(300000);
    if (klayout.exitCode() != 0)
        qWarning() << "klayout:" << klayout.readAllStandardError();
    QHash<QString, ReadBack> reads;
    for (const QByteArray &line : klayout.readAllStandardOutput().split('\n')) {
        const QJsonObject json = QJsonDocument::fromJson(line).object();
        const bool dxf = json["path"].toString().endsWith(".dxf");
        ReadBack &read = reads[json["path"].toString()];
        read.dbu = json["dbu"].toDouble();
        for (const QJsonValue &cell : json["cells"].toArray())
            read.cells.append(cell.toString());
        for (const QJsonValue &value : json["shapes"].toArray()) {
            const QJsonArray s = value.toArray();
            const QString layer =
                dxf ? s[2].toString() : QStringLiteral("%1/%2").arg(s[0].toInt()).arg(s[1].toInt());
            read.shapes.append(
                {layer,
                 s[3].toDouble() / 2,
                 {s[4].toDouble(), s[5].toDouble(), s[6].toDouble(), s[7].toDouble()},
                 0,
                 s[8].toInteger()});
        }
    }
    return reads;
}

struct Case
{
    ProjectDocument document;
    QStringList roles;
    LayoutExportOptions options;
    QString suffix = QStringLiteral("gds");
    QHash<QString, QString> layerOfRole; // the expected effect of options.layerMap
};

// What the layout should hold, in database units, from the project alone: y flipped, the
// origin at the box centre or its lower-left corner, the default layers unless mapped by role.
QList<Shape> expectedShapes(const Case &c, double dbuMicrometres)
{
    const GeometryBlock &geometry = c.document.geometry;
    const double scale =
        MetresPerLengthUnit(c.document.dimension.lengthUnit) / 1e-6 / dbuMicrometres;
    const bool centre = c.options.origin == LayoutOrigin::SpiralCentre;
    const double ox = centre ? geometry.box.xWidth / 2 : 0;
    const double oy = centre ? geometry.box.yWidth / 2 : geometry.box.yWidth;
    QList<Shape> shapes;
    for (const Polygon &polygon : geometry.polygons) {
        const int low = std::min<int>(polygon.level, polygon.toLevel);
        const int high = std::max<int>(polygon.level, polygon.toLevel);
        const QString role = c.roles.value(polygon.level);
        Shape shape;
        if (c.suffix == QLatin1String("dxf"))
            shape.layer = polygon.isVia() ? QStringLiteral("VIA%1-%2").arg(low).arg(high)
                                          : QStringLiteral("LEVEL%1").arg(polygon.level);
        else
            shape.layer =
                polygon.isVia()
                    ? QStringLiteral("%1/0").arg(100 + low)
                    : c.layerOfRole.value(role, QStringLiteral("%1/0").arg(polygon.level));
        shape.box = {INFINITY, INFINITY, -INFINITY, -INFINITY};
        const qsizetype n = polygon.points.size();
        for (qsizetype i = 0; i < n; ++i) {
            const Point &p = polygon.points[i];
            const Point &q = polygon.points[(i + 1) % n];
            const double x = (p.x - ox) * scale, y = (oy - p.y) * scale;
            const double qx = (q.x - ox) * scale, qy = (oy - q.y) * scale;
            shape.area += (x * qy - qx * y) / 2;
            shape.perimeter += std::hypot(qx - x, qy - y);
            shape.box = {std::min(shape.box[0], x), std::min(shape.box[1], y),
                         std::max(shape.box[2], x), std::max(shape.box[3], y)};
        }
        shape.area = std::fabs(shape.area);
        shape.points = n;
        shapes.append(shape);
    }
    return shapes;
}

bool sameBox(const std::array<double, 4> &a, const std::array<double, 4> &b)
{
    for (int i = 0; i < 4; ++i) {
        if (std::fabs(a[i] - b[i]) > 1)
            return false;
    }
    return true;
}

bool matches(const Shape &read, const Shape &expected)
{
    return read.layer == expected.layer && sameBox(read.box, expected.box) &&
           std::fabs(read.area - expected.area) <= expected.perimeter + 1;
}

// Polygons of more than maxBoundaryPoints points come back as pieces; per layer, the pieces
// must cover what those polygons covered.
void compareShapes(QList<Shape> read, const QList<Shape> &expected)
{
    QHash<QString, Shape> cutPerLayer;
    for (const Shape &shape : expected) {
        if (shape.points > qsizetype(maxBoundaryPoints) + 1) {
            Shape &cut = cutPerLayer[shape.layer];
            cut.layer = shape.layer;
            cut.area += shape.area;
            cut.perimeter += shape.perimeter;
            cut.box = cut.points == 0 ? shape.box
                                      : std::array<double, 4>{std::min(cut.box[0], shape.box[0]),
                                                              std::min(cut.box[1], shape.box[1]),
                                                              std::max(cut.box[2], shape.box[2]),
                                                              std::max(cut.box[3], shape.box[3])};
            cut.points += shape.points;
            continue;
        }
        const auto found = std::find_if(read.begin(), read.end(),
                                        [&](const Shape &s) { return matches(s, shape); });
        QVERIFY2(found != read.end(),
                 qPrintable(QStringLiteral("no polygon on %1 with area %2 and box %3 %4 %5 %6")
                                .arg(shape.layer)
                                .arg(shape.area)
                                .arg(shape.box[0])
                                .arg(shape.box[1])
                                .arg(shape.box[2])
                                .arg(shape.box[3])));
        read.erase(found);
    }
    for (const Shape &cut : std::as_const(cutPerLayer)) {
        Shape pieces{cut.layer, 0, {INFINITY, INFINITY, -INFINITY, -INFINITY}, 0, 0};
        for (qsizetype i = read.size() - 1; i >= 0; --i) {
            if (read[i].layer != cut.layer)
                continue;
            QVERIFY(read[i].points <= qsizetype(maxBoundaryPoints));
            pieces.area += read[i].area;
            for (int k = 0; k < 4; ++k)
                pieces.box[k] = k < 2 ? std::min(pieces.box[k], read[i].box[k])
                                      : std::max(pieces.box[k], read[i].box[k]);
            read.removeAt(i);
        }
        QVERIFY2(matches(pieces, cut), qPrintable(cut.layer));
    }
    QCOMPARE(read.size(), 0);
}

Case spiralCase(SpiralShape shape, const QStringList &roles = {})
{
    Case c{builtInTemplate(), {}, {}, QStringLiteral("gds"), {}};
    QStringList metals;
    readLayerSetup(c.document, metals, c.roles);
    if (!roles.isEmpty())
        c.roles = roles;
    SpiralParameters p;
    p.shape = shape;
    p.turns = isDifferential(shape) ? 3 : 3.25;
    p.radius = isDifferential(shape) ? 50 : 25;
    p.spiralWidth = 8.5;
    p.spacing = 3.25;
    makeSpiral(p, &metals, &c.roles)->writeLayout(c.document);
    return c;
}

// A 20,000-point star: far more than one boundary may hold, and not convex.
Case starCase()
{
    Case c{builtInTemplate(), {}, {}, QStringLiteral("gds"), {}};
    Polygon star(10, 1, 0, QStringLiteral("N"));
    for (int i = 0; i < 20000; ++i) {
        const double radius = i % 2 ? 150 : 190;
        const double angle = 2 * M_PI * i / 20000;
        star.points.append({200 + radius * std::cos(angle), 200 + radius * std::sin(angle)});
    }
    c.document.geometry.polygons.append(star);
    return c;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A rectangle with its first point repeated at the end, as project files close polygons; its
// left side lies half a nanometre off the grid.
ProjectDocument rectangleProject(int levels)
{
    ProjectDocument document = builtInTemplate();
    for (int level = 0; level < levels; ++level) {
        Polygon rectangle(level + 1, unsigned(level), 0, QStringLiteral("N"));
        rectangle.points = {{12.0005, 10}, {30, 10}, {30, 20}, {12.0005, 20}, {12.0005, 10}};
        document.geometry.polygons.append(rectangle);
    }
    return document;
}

// The records of a GDSII stream: type and data.
QList<QPair<int, QByteArray>> gdsRecords(const QByteArray &stream)
{
    QList<QPair<int, QByteArray>> records;
    for (qsizetype at = 0; at + 4 <= stream.size();) {
        const int length = (uchar(stream[at]) << 8) | uchar(stream[at + 1]);
        if (length < 4)
            break;
        records.append({uchar(stream[at + 2]), stream.mid(at + 4, length - 4)});
        at += length;
    }
    return records;
}

QList<qint64> gdsIntegers(const QByteArray &data, int bytes)
{
    QList<qint64> values;
    for (qsizetype at = 0; at + bytes <= data.size(); at += bytes) {
        qint64 value = qint8(data[at]);
        for (int k = 1; k < bytes; ++k)
            value = value * 256 + uchar(data[at + k]);
        values.append(value);
    }
    return values;
}

// Sign, excess-64 exponent of 16, 56-bit fraction.
double gdsRealValue(const QByteArray &bytes)
{
    double fraction = 0;
    for (int k = 7; k >= 1; --k)
        fraction = (fraction + uchar(bytes[k])) / 256;
    const double value = fraction * std::pow(16.0, (uchar(bytes[0]) & 0x7F) - 64);
    return uchar(bytes[0]) & 0x80 ? -value : value;
}

// The group codes and values of a DXF file, in order.
QList<QPair<int, QString>> dxfGroups(const QByteArray &text)
{
    const QList<QByteArray> lines = text.split('\n');
    QList<QPair<int, QString>> groups;
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
        groups.append({lines[i].trimmed().toInt(), QString::fromLatin1(lines[i + 1].trimmed())});
    return groups;
}
} // namespace

Q_DECLARE_METATYPE(Case)

class ExportTest : public QObject
{
    Q_OBJECT

    QTemporaryDir layouts;
    QHash<QString, ReadBack> readBacks; // by file

private slots:
    void gdsReals_data();
    void gdsReals();
    void layerMap_data();
    void layerMap();
    void largeLayerMapsTakeLinearTime();
    void unitsAndNames();
    void klayoutReadsWhatWasWritten_data();
    void klayoutReadsWhatWasWritten();
    void badInputLeavesTheTargetAlone_data();
    void badInputLeavesTheTargetAlone();
    void gdsRecordsHoldTheirValues_data();
    void gdsRecordsHoldTheirValues();
    void dxfHeaderAndLayers_data();
    void dxfHeaderAndLayers();
};

void ExportTest::gdsReals_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("zero") << 0.0 << QByteArray::fromHex("0000000000000000");
    QTest::newRow("one") << 1.0 << QByteArray::fromHex("4110000000000000");
    QTest::newRow("a half") << 0.5 << QByteArray::fromHex("4080000000000000");
    QTest::newRow("a sixteenth") << 0.0625 << QByteArray::fromHex("4010000000000000");
    QTest::newRow("minus 300") << -300.0 << QByteArray::fromHex("C312C00000000000");
}

void ExportTest::gdsReals()
{
    QFETCH(double, value);
    QFETCH(QByteArray, bytes);
    const std::array<unsigned char, 8> real = gdsReal(value);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(real.data()), 8).toHex(), bytes.toHex());
}

void ExportTest::layerMap_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");     // a part of the message; empty when valid
    QTest::addColumn<QStringList>("found"); // "L<level> <role>" or "via <a> <b>", then "=l/d"
    QTest::newRow("defaults") << ""
                              << ""
                              << QStringList{"L2 spiral=2/0", "via 1 0=100/0", "via 5 3=103/0"};
    QTest::newRow("by role and via")
        << "spiral=134/0, bridge=133/0,via:0-1=125/0"
        << "" << QStringList{"L0 spiral=134/0", "L1 bridge=133/0", "L2 none=2/0", "via 1 0=125/0"};
    QTest::newRow("level wins over role") << "spiral=134,L0=7/3"
                                          << "" << QStringList{"L0 spiral=7/3", "L1 spiral=134/0"};
    QTest::newRow("ground vias") << "via:0-GND=125/0"
                                 << "" << QStringList{"via GND 0=125/0", "via 2 GND=102/0"};
    QTest::newRow("largest numbers") << "L2=65535/65535"
                                     << "" << QStringList{"L2 none=65535/65535"};
    QTest::newRow("layer too large") << "spiral=65536/0"
                                     << "above 65535" << QStringList();
    QTest::newRow("unknown key") << "wire=1/0"
                                 << "neither a role" << QStringList();
    QTest::newRow("twice") << "spiral=1/0,spiral=2/0"
                           << "mapped twice" << QStringList();
    QTest::newRow("via pair twice") << "via:1-0=5,via:0-1=6"
                                    << "mapped twice" << QStringList();
    QTest::newRow("no target") << "spiral"
                               << "KEY=LAYER" << QStringList();
    QTest::newRow("bad datatype") << "spiral=1/x"
                                  << "not a datatype" << QStringList();
}

void ExportTest::layerMap()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    QFETCH(QStringList, found);
    const torvane::Result<LayerMap> map = LayerMap::parse(text);
    QCOMPARE(map.ok(), error.isEmpty());
    if (!map) {
        QVERIFY2(map.error().contains(error), qPrintable(map.error()));
        return;
    }
    const torvane::Result<LayerMap> again = LayerMap::parse(map->toText());
    QVERIFY2(again.ok(), qPrintable(again.error()));
    QCOMPARE(*again, *map);
    for (const QString &expectation : found) {
        const QStringList words = expectation.section('=', 0, 0).split(' ');
        const auto level = [](const QString &word) {
            return word == "GND" ? groundLevel : word.toInt();
        };
        const GdsLayer layer = words[0] == "via"
                                   ? map->viaLayer(level(words[1]), level(words[2]))
                                   : map->metalLayer(words[0].mid(1).toInt(), words[1]);
        QCOMPARE(QStringLiteral("%1/%2").arg(layer.layer).arg(layer.datatype),
                 expectation.section('=', 1));
    }
}

// 20,000 entries, checked pair by pair against each other, took minutes.
void ExportTest::largeLayerMapsTakeLinearTime()
{
    constexpr int entries = 20000;
    QStringList parts;
    for (int level = 0; level < entries; ++level)
        parts.append(QStringLiteral("L%1=%2/%3").arg(level).arg(level % 65536).arg(level % 7));
    QElapsedTimer timer;
    timer.start();
    const torvane::Result<LayerMap> map = LayerMap::parse(parts.join(','));
    QVERIFY(map.ok());
    GdsLayer last;
    for (int level = 0; level < entries; ++level)
        last = map->metalLayer(level, QStringLiteral("spiral"));
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(last, (GdsLayer{entries - 1, (entries - 1) % 7}));
}

void ExportTest::unitsAndNames()
{
    const QList<QPair<QString, double>> units{
        {"1nm", 1e-9}, {"0.5 nm", 0.5e-9}, {"0.001", 1e-9}, {"1e-9m", 1e-9}, {"2pm", 2e-12}};
    for (const auto &[text, metres] : units)
        QCOMPARE(parseDatabaseUnit(text).value_or(0), metres);
    for (const char *bad : {"abc", "0nm", "2mm", "-1nm", "1 parsec"})
        QVERIFY2(!parseDatabaseUnit(bad).ok(), qPrintable(bad));
    QCOMPARE(databaseUnitText(1e-9), QStringLiteral("1 nm"));
    QCOMPARE(databaseUnitText(0.5e-9), QStringLiteral("0.5 nm"));
    QCOMPARE(databaseUnitText(2.5e-6), QStringLiteral("2.5 um"));

    QCOMPARE(cellNameFor("/a b/my spiral-v2.1.son"), QStringLiteral("my_spiral_v2_1"));
    QCOMPARE(cellNameFor(QString(40, 'x') + ".son"), QString(32, 'x'));
    QCOMPARE(cellNameFor(".son"), QStringLiteral("TOP"));
    QVERIFY(isValidCellName("Ind_3$?"));
    QVERIFY(!isValidCellName("a-b") && !isValidCellName("") && !isValidCellName(QString(33, 'x')));
}

// Every case is exported here and read back in one KLayout run; the rows then compare.
void ExportTest::klayoutReadsWhatWasWritten_data()
{
    QTest::addColumn<Case>("c");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error"); // of the export; empty when it succeeded
    QTest::addColumn<qsizetype>("polygons");
    QStringList list;
    const auto add = [&](const QString &name, const Case &c) {
        const QString path =
            layouts.filePath(QStringLiteral("%1.%2").arg(list.size()).arg(c.suffix));
        const torvane::Result<LayoutExportSummary> exported =
            exportLayout(path, c.document, c.roles, c.options);
        const QString error = exported.error();
        const LayoutExportSummary summary = exported.value_or(LayoutExportSummary());
        const double unit = MetresPerLengthUnit(c.document.dimension.lengthUnit) / 1e-6;
        list.append(path + '\t' + QString::number(c.suffix == "dxf" ? unit : 0, 'g', 17));
        QTest::newRow(qPrintable(name)) << c << path << error << summary.polygons;
    };
    const char *const shapes[] = {"round", "n-sided", "round differential", "n-sided differential"};
    for (int shape = 0; shape < 4; ++shape)
        add(shapes[shape], spiralCase(static_cast<SpiralShape>(shape)));
    add("two spiral levels",
        spiralCase(SpiralShape::NSided, {"spiral", "spiral", "bridge", "none"}));
    Case mapped = spiralCase(SpiralShape::Round);
    mapped.options.layerMap = *LayerMap::parse("spiral=134/0,bridge=65535/65535");
    mapped.layerOfRole = {{"spiral", "134/0"}, {"bridge", "65535/65535"}};
    mapped.options.origin = LayoutOrigin::BoxCorner;
    mapped.options.databaseUnit = 0.5e-9;
    mapped.options.cellName = "IND_A";
    add("layer map, box corner, 0.5 nm, cell name", mapped);
    Case dxf = spiralCase(SpiralShape::NSidedDifferential);
    dxf.suffix = "dxf";
    add("DXF", dxf);
    add("20,000-point polygon, cut into pieces", starCase());

    const QDir corpus(QStringLiteral(TORVANE_CORPUS_DIR));
    for (const QString &name : corpus.entryList({"*.son"}, QDir::Files, QDir::Name)) {
        Case c;
        loadProject(corpus.filePath(name), c.document);
        QStringList metals;
        readLayerSetup(c.document, metals, c.roles);
        if (!c.document.geometry.polygons.isEmpty())
            add(name, c);
    }
    if (haveKlayout())
        readBacks = readWithKlayout(list);
}

void ExportTest::klayoutReadsWhatWasWritten()
{
    QFETCH(Case, c);
    QFETCH(QString, path);
    QFETCH(QString, error);
    QFETCH(qsizetype, polygons);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(polygons, c.document.geometry.polygons.size());
    if (!haveKlayout())
        QSKIP("klayout is not installed (./test.sh installs it): no independent reader");
    QVERIFY2(readBacks.contains(path), "KLayout did not read the file");
    const ReadBack &read = readBacks[path];
    if (c.suffix == "gds") {
        QCOMPARE(read.dbu, c.options.databaseUnit / 1e-6);
        QCOMPARE(read.cells,
                 QStringList{c.options.cellName.isEmpty() ? QFileInfo(path).completeBaseName()
                                                          : c.options.cellName});
    }
    QVERIFY(read.dbu > 0);
    compareShapes(read.shapes, expectedShapes(c, read.dbu));
}

void ExportTest::badInputLeavesTheTargetAlone_data()
{
    QTest::addColumn<Case>("c");
    QTest::addColumn<QString>("target"); // in the test's folder, which holds "old.gds"
    QTest::addColumn<QString>("error");

    Case twoPoints = spiralCase(SpiralShape::Round);
    Polygon line(99, 1, 0, "N");
    line.points = {{1, 1}, {5, 1}, {1, 1}};
    twoPoints.document.geometry.polygons.append(line);
    QTest::newRow("two points") << twoPoints << "old.gds"
                                << "has 2 distinct points";
    twoPoints.suffix = "dxf";
    QTest::newRow("two points, DXF") << twoPoints << "old.dxf"
                                     << "has 2 distinct points";

    Case far = spiralCase(SpiralShape::Round);
    far.document.geometry.polygons.last().points[1].x = 5e6;
    far.options.databaseUnit = 1e-12;
    QTest::newRow("beyond 32 bits") << far << "old.gds"
                                    << "beyond the 32-bit coordinates";

    Case highLevel = spiralCase(SpiralShape::Round);
    highLevel.document.geometry.polygons.last().makeVia(65500, 65501);
    QTest::newRow("via layer above 65535") << highLevel << "old.gds"
                                           << "outside 0 to 65535";

    Case badCell = spiralCase(SpiralShape::Round);
    badCell.options.cellName = "my cell";
    QTest::newRow("cell name") << badCell << "old.gds"
                               << "cell name 'my cell'";

    const Case fine = spiralCase(SpiralShape::Round);
    QTest::newRow("folder") << fine << "folder.gds"
                            << "folder";
    QTest::newRow("below a file") << fine << "old.gds/x.gds"
                                  << "Not a directory";
    QTest::newRow("no such folder") << fine << "none/x.gds"
                                    << "No such file or directory";
    QTest::newRow("unknown suffix") << fine << "old.gds.txt"
                                    << "must end in .gds or .dxf";
}

void ExportTest::badInputLeavesTheTargetAlone()
{
    QFETCH(Case, c);
    QFETCH(QString, target);
    QFETCH(QString, error);
    QTemporaryDir dir;
    for (const char *old : {"old.gds", "old.dxf", "old.gds.txt"}) {
        QFile file(dir.filePath(old));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3);
    }
    QVERIFY(QDir(dir.path()).mkdir("folder.gds"));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);

    const torvane::Result<LayoutExportSummary> exported =
        exportLayout(dir.filePath(target), c.document, c.roles, c.options);
    QVERIFY(!exported.ok());
    QVERIFY2(exported.error().contains(error), qPrintable(exported.error()));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    for (const char *old : {"old.gds", "old.dxf", "old.gds.txt"})
        QCOMPARE(readAll(dir.filePath(old)), QByteArray("old"));
}

void ExportTest::gdsRecordsHoldTheirValues_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<double>("databaseUnit");
    QTest::addColumn<double>("userUnit"); // the database unit in micrometres
    QTest::addColumn<int>("left");        // x of the rectangle's left side, in database units
    QTest::newRow("1 nm, the last second of a year")
        << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)) << 1e-9 << 0.001 << 12001;
    QTest::newRow("0.5 nm, the first of January")
        << QDateTime(QDate(2025, 1, 1), QTime(0, 0, 1)) << 0.5e-9 << 0.0005 << 24001;
}

void ExportTest::gdsRecordsHoldTheirValues()
{
    QFETCH(QDateTime, time);
    QFETCH(double, databaseUnit);
    QFETCH(double, userUnit);
    QFETCH(int, left);
    LayoutExportOptions options;
    options.timestamp = time;
    options.databaseUnit = databaseUnit;
    options.origin = LayoutOrigin::BoxCorner;
    QTemporaryDir dir;
    const QString path = dir.filePath("rect.gds");
    QVERIFY(exportLayout(path, rectangleProject(1), {}, options).ok());

    const QList<qint64> stamp{time.date().year(), time.date().month(),  time.date().day(),
                              time.time().hour(), time.time().minute(), time.time().second()};
    QHash<int, QByteArray> byType;
    for (const auto &[type, data] : gdsRecords(readAll(path)))
        byType.insert(type, data);
    for (const int dated : {0x01, 0x05}) // BGNLIB, BGNSTR: modified and accessed
        QCOMPARE(gdsIntegers(byType.value(dated), 2), stamp + stamp);
    const QByteArray units = byType.value(0x03);
    QCOMPARE(units.size(), 16);
    QCOMPARE(gdsRealValue(units.left(8)), userUnit);
    QCOMPARE(gdsRealValue(units.mid(8)), databaseUnit);
    // Closed once: the four corners, then the first again.
    const QList<qint64> xy = gdsIntegers(byType.value(0x10), 4);
    QCOMPARE(xy.size(), 10);
    QCOMPARE(xy.mid(8), xy.mid(0, 2));
    const qint64 scale = std::llround(1e-6 / databaseUnit);
    QSet<QPair<qint64, qint64>> corners;
    for (int k = 0; k < 8; k += 2)
        corners.insert({xy[k], xy[k + 1]});
    QCOMPARE(corners, (QSet<QPair<qint64, qint64>>{{left, 390 * scale},
                                                   {30 * scale, 390 * scale},
                                                   {30 * scale, 380 * scale},
                                                   {left, 380 * scale}}));
}

void ExportTest::dxfHeaderAndLayers_data()
{
    QTest::addColumn<QString>("lengthUnit"); // as the project's DIM block names it
    QTest::addColumn<int>("insertionUnits");
    QTest::newRow("mil") << "MIL" << 9;
    QTest::newRow("inch") << "IN" << 1;
    QTest::newRow("micrometre") << "UM" << 13;
    QTest::newRow("millimetre") << "MM" << 4;
    QTest::newRow("centimetre") << "CM" << 5;
    QTest::newRow("metre") << "M" << 6;
}

void ExportTest::dxfHeaderAndLayers()
{
    QFETCH(QString, lengthUnit);
    QFETCH(int, insertionUnits);
    ProjectDocument document = rectangleProject(8);
    document.dimension.lengthUnit = lengthUnit;
    QTemporaryDir dir;
    const QString path = dir.filePath("rect.dxf");
    QVERIFY(exportLayout(path, document, {}, {}).ok());
    const QList<QPair<int, QString>> groups = dxfGroups(readAll(path));

    const auto header =
        std::find(groups.begin(), groups.end(), QPair<int, QString>{9, "$INSUNITS"});
    QVERIFY(header != groups.end() && header + 1 != groups.end());
    QCOMPARE(header[1], (QPair<int, QString>{70, QString::number(insertionUnits)}));
    // The basic colours 1 to 7 in turn, one layer per level.
    QStringList layers;
    QList<int> colours;
    QList<int> vertices;
    for (qsizetype i = 0; i + 1 < groups.size(); ++i) {
        if (groups[i] == QPair<int, QString>{0, "LAYER"}) {
            layers.append(groups[i + 1].second);
            colours.append(groups[i + 3].second.toInt());
        }
        if (groups[i].first == 90)
            vertices.append(groups[i].second.toInt());
    }
    QCOMPARE(layers, (QStringList{"LEVEL0", "LEVEL1", "LEVEL2", "LEVEL3", "LEVEL4", "LEVEL5",
                                  "LEVEL6", "LEVEL7"}));
    QCOMPARE(colours, (QList<int>{1, 2, 3, 4, 5, 6, 7, 1}));
    // Closed by its flag, without the first vertex repeated.
    QCOMPARE(vertices, QList<int>(8, 4));
}

QTEST_GUILESS_MAIN(ExportTest)
#include "test_export_layout.moc"
