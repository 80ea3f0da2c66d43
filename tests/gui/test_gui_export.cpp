// File > Export Layout ...: the dialog through the prompt seam, the file it writes, what it
// remembers, and its errors.
#include "guitestsupport.h"

#include "core/export/layoutexport.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"
#include "gui/dialogs/exportlayoutdialog.h"
#include "gui/window/mainwindow.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace torvane;

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool okEnabled(const ExportLayoutDialog &dialog)
{
    return dialog.buttonBox->button(QDialogButtonBox::Ok)->isEnabled();
}

// Clicks OK as a user would: a disabled button leaves the dialog rejected.
int clickOk(ExportLayoutDialog &dialog)
{
    QTest::mouseClick(dialog.buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
    return dialog.result();
}
} // namespace

class ExportFlowTest : public QObject
{
    Q_OBJECT

private slots:
    void exportsTheCurrentTabAndRemembersTheDialog();
    void dialogEntries_data();
    void dialogEntries();
};

// What the dialog's entries give: DXF ignores the GDSII-only fields, and a row without a
// datatype takes datatype 0, as the result line says.
void ExportFlowTest::dialogEntries_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("datatype");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("spiralDatatype"); // -1: no GDSII map
    QTest::newRow("dxf with a bad unit") << "a.dxf"
                                         << "abc"
                                         << "7" << true << -1;
    QTest::newRow("gds with a bad unit") << "a.gds"
                                         << "abc"
                                         << "7" << false << -1;
    QTest::newRow("blank datatype") << "a.gds"
                                    << "1nm"
                                    << "" << true << 0;
    QTest::newRow("given datatype") << "a.gds"
                                    << "1nm"
                                    << "7" << true << 7;
}

void ExportFlowTest::dialogEntries()
{
    QFETCH(QString, file);
    QFETCH(QString, unit);
    QFETCH(QString, datatype);
    QFETCH(bool, ok);
    QFETCH(int, spiralDatatype);
    ScriptedPrompts prompts;
    ProjectDocument layout = builtInTemplate();
    QStringList metals, roles;
    readLayerSetup(layout, metals, roles);
    layOutSpiral(layout, SpiralParameters(), metals, roles);
    ExportLayoutDialog dialog({}, layoutLevels(layout), roles, prompts);
    dialog.addRowButton->click(); // the spiral level's role
    dialog.mapTable->item(0, 1)->setText("134");
    dialog.mapTable->item(0, 2)->setText(datatype);
    dialog.fileEdit->setText(file);
    dialog.unitEdit->setText(unit);
    QCOMPARE(okEnabled(dialog), ok);
    if (spiralDatatype < 0)
        return;
    const GdsLayer target = dialog.options().layerMap.metalLayer(roles.indexOf("spiral"), "spiral");
    QCOMPARE(target.layer, 134);
    QCOMPARE(target.datatype, spiralDatatype);
    QVERIFY2(dialog.resultLabel->text().contains(QStringLiteral("on 134/%1").arg(spiralDatatype)),
             qPrintable(dialog.resultLabel->text()));
}

void ExportFlowTest::exportsTheCurrentTabAndRemembersTheDialog()
{
    clearStoredSettings();
    QTemporaryDir folder;
    ScriptedPrompts prompts;
    MainWindow window(prompts);
    QAction *action = window.findChild<QAction *>(QStringLiteral("actionExportLayout"));
    QVERIFY(action && form(window).menu_File->actions().contains(action));
    QVERIFY(!action->isEnabled()); // no template yet

    QCOMPARE(window.LoadTechTemplate(writeFile(folder.filePath("rfic.son"), builtInTemplateText())),
             0);
    QVERIFY(action->isEnabled());
    form(window).tabWidget->setCurrentIndex(1);
    form(window).nsSidesSpinBox->setValue(6);
    const QString gds = folder.filePath("ind.gds");
    QStringList seen;
    prompts.dialogHandlers.append([&](QDialog &d) {
        auto &dialog = static_cast<ExportLayoutDialog &>(d);
        seen << QString::number(okEnabled(dialog)); // no file yet
        dialog.fileEdit->setText(gds);
        dialog.addRowButton->click(); // the spiral level's role comes first
        seen << dialog.mapTable->item(0, 0)->text();
        dialog.mapTable->item(0, 1)->setText("134");
        dialog.originComboBox->setCurrentIndex(1);
        return clickOk(dialog);
    });
    action->trigger();
    QCOMPARE(seen, (QStringList{"0", "spiral"}));
    QCOMPARE(prompts.kinds(), (QStringList{"dialog", "information"}));
    QVERIFY(readAll(gds).contains(QByteArray::fromHex("00060D020086"))); // LAYER 134
    QVERIFY(window.session().document()->geometry.polygons.isEmpty());
    QCOMPARE(storedSetting("LayoutExport/LayerMap").toString(), QStringLiteral("spiral=134/0"));
    QCOMPARE(storedSetting("LayoutExport/Origin").toString(), QStringLiteral("box"));

    // Reopened, the dialog shows what it remembered; bad values keep OK disabled. A DXF of
    // the same tab holds what create lays out.
    prompts.reset();
    const QString dxf = folder.filePath("ind.dxf");
    seen.clear();
    prompts.dialogHandlers.append([&](QDialog &d) {
        auto &dialog = static_cast<ExportLayoutDialog &>(d);
        seen << dialog.fileEdit->text() << dialog.mapTable->item(0, 1)->text();
        dialog.unitEdit->setText("abc");
        seen << QString::number(okEnabled(dialog)) + dialog.problemLabel->text();
        dialog.unitEdit->setText("1nm");
        dialog.mapTable->item(0, 0)->setText("wire");
        seen << QString::number(okEnabled(dialog)) + dialog.problemLabel->text();
        dialog.mapTable->item(0, 0)->setText("spiral");
        dialog.originComboBox->setCurrentIndex(0);
        dialog.fileEdit->setText(dxf);
        return clickOk(dialog);
    });
    action->trigger();
    QCOMPARE(seen.mid(0, 2), (QStringList{gds, "134"}));
    QVERIFY2(seen[2].startsWith("0") && seen[2].contains("'abc'"), qPrintable(seen[2]));
    QVERIFY2(seen[3].startsWith("0") && seen[3].contains("'wire'"), qPrintable(seen[3]));
    QCOMPARE(prompts.kinds(), (QStringList{"dialog", "information"}));
    ProjectDocument created = *window.session().document();
    QVERIFY(createSpiralProject(created, window.tabParameters(1), window.session().levelMetals(),
                                window.session().levelRoles(), false,
                                folder.filePath("ind.son")) == 0);
    QVERIFY(
        exportLayout(folder.filePath("reference.dxf"), created, window.session().levelRoles(), {})
            .ok());
    QCOMPARE(readAll(dxf), readAll(folder.filePath("reference.dxf")));

    // A typed name of an existing file asks before it is replaced (Enter keeps it); the cell
    // name is remembered.
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        prompts.reset();
        prompts.answers << answer;
        const QByteArray before = readAll(gds);
        prompts.dialogHandlers.append([&](QDialog &d) {
            auto &dialog = static_cast<ExportLayoutDialog &>(d);
            dialog.fileEdit->setText(gds);
            dialog.cellEdit->setText("CHIP");
            return clickOk(dialog);
        });
        action->trigger();
        QCOMPARE(prompts.asked[1].text, gds + " already exists.\nDo you want to replace it?");
        QCOMPARE(prompts.asked[1].defaultButton, QMessageBox::No);
        QCOMPARE(readAll(gds) == before, answer == QMessageBox::No);
    }
    QVERIFY(readAll(gds).contains("CHIP"));
    QCOMPARE(storedSetting("LayoutExport/CellName").toString(), QStringLiteral("CHIP"));

    // A target that cannot be written is reported with its reason.
    prompts.reset();
    prompts.dialogHandlers.append([&](QDialog &d) {
        auto &dialog = static_cast<ExportLayoutDialog &>(d);
        dialog.fileEdit->setText(gds + "/x.gds");
        return clickOk(dialog);
    });
    action->trigger();
    QCOMPARE(prompts.kinds(), (QStringList{"dialog", "critical"}));
    QVERIFY2(prompts.asked.last().text.startsWith("Error exporting layout\n" + gds + "/x.gds\n"),
             qPrintable(prompts.asked.last().text));
}

TORVANE_GUI_TEST_MAIN(ExportFlowTest)
#include "test_gui_export.moc"
