// Layer roles kept in a project's header: reading, writing and saving the annotation lines.
#include "core/template/layerroles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace torvane;

namespace {
ProjectDocument templateWithLayers(int dielectricLayers, const QStringList &headerLines)
{
    ProjectDocument document;
    document.headerLines = headerLines;
    for (int i = 0; i < dielectricLayers; ++i)
        document.geometry.dielectricLayers.append(DielectricLayer{});
    return document;
}
} // namespace

class TemplateRolesTest : public QObject
{
    Q_OBJECT

private slots:
    void readsAnnotations_data();
    void readsAnnotations();
    void savingWritesBothLinesInPlace();
    void savingAppliesStaircaseAndReportsFailure();
};

void TemplateRolesTest::readsAnnotations_data()
{
    QTest::addColumn<int>("dielectricLayers");
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QStringList>("metals");
    QTest::addColumn<QStringList>("roles");

    QTest::newRow("no annotations: defaults")
        << 3 << QStringList{"LIC x"} << QStringList{"Lossless", "Lossless"}
        << QStringList{"none", "none"};
    QTest::newRow("short list padded")
        << 4 << QStringList{"ANN #Qor_FunctionSetup#,spiral"}
        << QStringList{"Lossless", "Lossless", "Lossless"} << QStringList{"spiral", "none", "none"};
    QTest::newRow("long list cut")
        << 2 << QStringList{"ANN #Qor_LayerSetup#,A,B,C", "ANN #Qor_FunctionSetup#,bridge,spiral"}
        << QStringList{"A"} << QStringList{"bridge"};
    QTest::newRow("empty parts dropped, later entries move up")
        << 4 << QStringList{"ANN #Qor_LayerSetup#,,A,", "ANN #Qor_FunctionSetup#,none,,spiral"}
        << QStringList{"A", "Lossless", "Lossless"} << QStringList{"none", "spiral", "none"};
    QTest::newRow("first matching line counts")
        << 3
        << QStringList{"ANN #Qor_FunctionSetup#,bridge,spiral", "ANN #Qor_FunctionSetup#,spiral"}
        << QStringList{"Lossless", "Lossless"} << QStringList{"bridge", "spiral"};
    QTest::newRow("text ahead of the marker is no annotation")
        << 2 << QStringList{" ANN #Qor_FunctionSetup#,spiral", "XANN #Qor_LayerSetup#,A"}
        << QStringList{"Lossless"} << QStringList{"none"};
    QTest::newRow("case matters") << 2 << QStringList{"ANN #qor_functionsetup#,spiral"}
                                  << QStringList{"Lossless"} << QStringList{"none"};
    QTest::newRow("marker glued to text still matches")
        << 2 << QStringList{"ANN #Qor_LayerSetup#junk,B"} << QStringList{"B"}
        << QStringList{"none"};
    QTest::newRow("one dielectric layer: no levels")
        << 1 << QStringList{"ANN #Qor_LayerSetup#,A"} << QStringList{} << QStringList{};
    QTest::newRow("no dielectric layers") << 0 << QStringList{} << QStringList{} << QStringList{};
}

void TemplateRolesTest::readsAnnotations()
{
    QFETCH(int, dielectricLayers);
    QFETCH(QStringList, header);
    QFETCH(QStringList, metals);
    QFETCH(QStringList, roles);
    QStringList readMetals{"stale"};
    QStringList readRoles{"stale"};
    readLayerSetup(templateWithLayers(dielectricLayers, header), readMetals, readRoles);
    QCOMPARE(readMetals, metals);
    QCOMPARE(readRoles, roles);
}

void TemplateRolesTest::savingWritesBothLinesInPlace()
{
    QTemporaryDir dir;
    ProjectDocument document =
        templateWithLayers(4, {"LIC x", "ANN #Qor_FunctionSetup#,old", "DAT y"});
    const QString path = dir.filePath("t.son");
    QCOMPARE(
        saveWithLayerSetup(document, path, {"A", "B", "C"}, {"spiral", "none", "bridge"}, false),
        0);
    QCOMPARE(
        saveWithLayerSetup(document, path, {"A", "B", "C"}, {"bridge", "none", "spiral"}, false),
        0);
    QCOMPARE(document.headerLines,
             QStringList({"LIC x", "ANN #Qor_FunctionSetup#,bridge,none,spiral", "DAT y",
                          "ANN #Qor_LayerSetup#,A,B,C"}));
    ProjectDocument reread;
    QCOMPARE(loadProject(path, reread), 0);
    QStringList metals, roles;
    readLayerSetup(reread, metals, roles);
    QCOMPARE(metals, QStringList({"A", "B", "C"}));
    QCOMPARE(roles, QStringList({"bridge", "none", "spiral"}));

    // Without levels both markers are still written, each with one comma.
    ProjectDocument single = templateWithLayers(1, {});
    QCOMPARE(saveWithLayerSetup(single, dir.filePath("s.son"), {}, {}, false), 0);
    QCOMPARE(single.headerLines,
             QStringList({"ANN #Qor_LayerSetup#,", "ANN #Qor_FunctionSetup#,"}));
}

void TemplateRolesTest::savingAppliesStaircaseAndReportsFailure()
{
    QTemporaryDir dir;
    ProjectDocument document = templateWithLayers(2, {});
    document.geometry.polygons.append(Polygon(10, 0, -1, "V"));
    QCOMPARE(saveWithLayerSetup(document, dir.filePath("a.son"), {"X"}, {"spiral"}, false), 0);
    QCOMPARE(document.geometry.polygons[0].fillType, QStringLiteral("V"));
    QString reason;
    QCOMPARE(saveWithLayerSetup(document, dir.filePath("missing/b.son"), {"X"}, {"spiral"}, true,
                                &reason),
             1);
    QVERIFY(!reason.isEmpty());
    QCOMPARE(document.geometry.polygons[0].fillType, QStringLiteral("N"));
}

QTEST_GUILESS_MAIN(TemplateRolesTest)
#include "test_template_roles.moc"
