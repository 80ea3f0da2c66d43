// "Edit Layers ...": the Technology Setup dialog's tables and editors, and the window's
// take-over of changed roles with the offer to save the template.
#include "guitestsupport.h"

#include "core/template/builtintemplate.h"
#include "gui/dialogs/viewtechdialog.h"
#include "gui/window/mainwindow.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QTest>

using namespace torvane;

namespace {
QStringList rowTexts(const QTableWidget *table, int row)
{
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column) {
        const QTableWidgetItem *item = table->item(row, column);
        texts.append(item ? item->text() : QString());
    }
    return texts;
}

QStringList comboItems(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

// Makes the cell current, which opens its drop-down list, and picks `choice` in it.
QComboBox *choose(ViewTechDialog &dialog, int row, int column, const QString &choice = {})
{
    dialog.metalTableWidget->setCurrentCell(row, column);
    auto *editor = qobject_cast<QComboBox *>(dialog.metalTableWidget->cellWidget(row, column));
    if (editor && !choice.isEmpty())
        editor->setCurrentIndex(editor->findText(choice));
    return editor;
}

int pressOk(QDialog &dialog)
{
    QTest::mouseClick(static_cast<ViewTechDialog &>(dialog).okButton, Qt::LeftButton);
    return dialog.result();
}
} // namespace

class TechSetupTest : public WindowTestCase
{
    Q_OBJECT

    QString templatePath;

    void useBuiltInTemplate()
    {
        templatePath =
            writeFile(folder.filePath(QStringLiteral("rfic.son")), builtInTemplateText());
        storeSetting(QStringLiteral("Base/SonTemplate"), templatePath);
        storeSetting(QStringLiteral("xgeomStart"), false);
    }

    // Level 1 (spiral) becomes a bridge level and level 0 gets Metal5, confirmed with OK
    // while the last editor is still open.
    void queueRoleChange()
    {
        prompts.dialogHandlers << [](QDialog &d) {
            auto &dialog = static_cast<ViewTechDialog &>(d);
            choose(dialog, 1, 0, QStringLiteral("Metal5"));
            choose(dialog, 2, 1, QStringLiteral("bridge"));
            return pressOk(d);
        };
    }

private slots:
    void tablesShowTheTemplate()
    {
        useBuiltInTemplate();
        storeSetting(QStringLiteral("Base/LengthIndex"), 0); // mil
        MainWindow w(prompts);
        prompts.dialogHandlers << [](QDialog &d) {
            auto &dialog = static_cast<ViewTechDialog &>(d);
            const QTableWidget *tech = dialog.techTableWidget;
            const QTableWidget *metal = dialog.metalTableWidget;
            [&] {
                QCOMPARE(dialog.windowTitle(), QStringLiteral("Technology Setup"));
                QCOMPARE(tech->rowCount(), 5);
                QCOMPARE(metal->rowCount(), 5);
                QCOMPARE(tech->horizontalHeaderItem(3)->text(), QStringLiteral("Diel. Loss Tan"));
                QCOMPARE(metal->horizontalHeaderItem(1)->text(), QStringLiteral("Function"));
                // Thicknesses in the window's length unit: the stored mil outranks the file's
                // um, and the stack keeps its size.
                QCOMPARE(rowTexts(tech, 0),
                         (QStringList{"Air", "3.93701mil", "1", "0", "0", "1", "0"}));
                QCOMPARE(rowTexts(tech, 1),
                         (QStringList{"Passivation", "0.0393701mil", "7", "0.001", "0", "1", "0"}));
                QCOMPARE(rowTexts(tech, 4),
                         (QStringList{"Silicon", "11.811mil", "11.9", "0", "10", "1", "0"}));
                QCOMPARE(tech->item(1, 1)->textAlignment(), int(Qt::AlignRight | Qt::AlignVCenter));
                QCOMPARE(tech->item(1, 2)->textAlignment(), int(Qt::AlignCenter));
                QVERIFY(tech->verticalHeader()->isHidden());
                QCOMPARE(rowTexts(metal, 0), (QStringList{" ", ""}));
                QCOMPARE(metal->verticalHeaderItem(0)->text(), QStringLiteral(" "));
                QCOMPARE(metal->verticalHeaderItem(1)->text(), QStringLiteral("- 0 -"));
                QCOMPARE(metal->verticalHeaderItem(4)->text(), QStringLiteral("- 3 -"));
                QCOMPARE(rowTexts(metal, 2), (QStringList{"TopMetal", "spiral"}));
                QCOMPARE(rowTexts(metal, 3), (QStringList{"Metal5", "bridge"}));
                // The half-height spacer puts each level between its two dielectric layers.
                QCOMPARE(metal->rowHeight(0), tech->horizontalHeader()->sizeHint().height() / 2);
                QVERIFY(metal->rowHeight(1) > metal->rowHeight(0));
                QCOMPARE(metal->editTriggers(), QAbstractItemView::NoEditTriggers);
                QVERIFY(metal->minimumWidth() > metal->columnWidth(0) + metal->columnWidth(1));
            }();
            return int(QDialog::Rejected);
        };
        QTest::mouseClick(form(w).EditLayersButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), QStringList{"dialog"});
        QCOMPARE(prompts.asked[0].text, QStringLiteral("ViewTechDialog"));
    }

    void editorsOfferTheRightChoices()
    {
        useBuiltInTemplate();
        MainWindow w(prompts);
        prompts.dialogHandlers << [](QDialog &d) {
            auto &dialog = static_cast<ViewTechDialog &>(d);
            [&] {
                QVERIFY(!choose(dialog, 0, 0)); // the spacer is never edited
                QComboBox *metal = choose(dialog, 2, 0);
                QVERIFY(metal);
                QVERIFY(!metal->isEditable());
                QCOMPARE(comboItems(metal), (QStringList{"Lossless", "TopMetal", "Metal5"}));
                QCOMPARE(metal->currentText(), QStringLiteral("TopMetal"));
                QComboBox *role = choose(dialog, 3, 1);
                QCOMPARE(comboItems(role), (QStringList{"none", "spiral", "bridge"}));
                QCOMPARE(role->currentText(), QStringLiteral("bridge"));
                // Leaving a cell writes its choice back and removes the editor.
                role->setCurrentIndex(1);
                choose(dialog, 4, 1);
                QVERIFY(!dialog.metalTableWidget->cellWidget(3, 1));
                QCOMPARE(dialog.metalTableWidget->item(3, 1)->text(), QStringLiteral("spiral"));
            }();
            return int(QDialog::Rejected);
        };
        QTest::mouseClick(form(w).EditLayersButton, Qt::LeftButton);
        QCOMPARE(w.session().levelRoles(), (QStringList{"none", "spiral", "bridge", "none"}));
    }

    void unknownMetalNameFallsBackToTheFirstChoice()
    {
        templatePath = writeFile(folder.filePath(QStringLiteral("odd.son")),
                                 templateText(3, {"ANN #Qor_LayerSetup#,Unobtainium,Gold"}));
        storeSetting(QStringLiteral("Base/SonTemplate"), templatePath);
        MainWindow w(prompts);
        prompts.dialogHandlers << [](QDialog &d) {
            auto &dialog = static_cast<ViewTechDialog &>(d);
            QComboBox *metal = choose(dialog, 1, 0);
            const QString shown = metal ? metal->currentText() : QString();
            choose(dialog, 2, 1);
            return shown == QLatin1String("Lossless") ? pressOk(d) : int(QDialog::Rejected);
        };
        prompts.answers << QMessageBox::No;
        QTest::mouseClick(form(w).EditLayersButton, Qt::LeftButton);
        QCOMPARE(w.session().levelMetals(), (QStringList{"Lossless", "Gold"}));
    }

    // Dialog outcomes that leave the roles and the template path as they were.
    void noChange_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("OK untouched") << 0;
        QTest::newRow("changed and changed back") << 1;
        QTest::newRow("Cancel after a change") << 2;
        QTest::newRow("editor opened, OK") << 3;
    }

    void noChange()
    {
        QFETCH(int, how);
        useBuiltInTemplate();
        MainWindow w(prompts);
        prompts.dialogHandlers << [how](QDialog &d) {
            auto &dialog = static_cast<ViewTechDialog &>(d);
            if (how == 1 || how == 2)
                choose(dialog, 2, 1, QStringLiteral("none"));
            if (how == 1)
                choose(dialog, 2, 1, QStringLiteral("spiral"));
            if (how == 3)
                choose(dialog, 4, 0);
            if (how == 2) {
                QTest::mouseClick(dialog.cancelButton, Qt::LeftButton);
                return dialog.result();
            }
            return pressOk(d);
        };
        QTest::mouseClick(form(w).EditLayersButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), QStringList{"dialog"});
        QCOMPARE(w.session().levelRoles(), (QStringList{"none", "spiral", "bridge", "none"}));
        QCOMPARE(form(w).TechTemplateFileEdit->text(), templatePath);
    }

    // A change of the metal or of the role alone counts.
    void eachKindOfEditCounts()
    {
        useBuiltInTemplate();
        for (const int column : {0, 1}) {
            const QString choice =
                column == 0 ? QStringLiteral("Metal5") : QStringLiteral("spiral");
            MainWindow w(prompts);
            prompts.reset();
            prompts.dialogHandlers << [=](QDialog &d) {
                choose(static_cast<ViewTechDialog &>(d), 4, column, choice);
                return pressOk(d);
            };
            prompts.answers << QMessageBox::No;
            QTest::mouseClick(form(w).EditLayersButton, Qt::LeftButton);
            QCOMPARE(prompts.kinds(), (QStringList{"dialog", "question"}));
            QCOMPARE((column == 0 ? w.session().levelMetals() : w.session().levelRoles()).last(),
                     choice);
        }
    }

    void singleLayerTemplateAsksNothing()
    {
        templatePath = writeFile(folder.filePath(QStringLiteral("one.son")), templateText(1));
        storeSetting(QStringLiteral("Base/SonTemplate"), templatePath);
        MainWindow w(prompts);
        prompts.dialogHandlers << [](QDialog &d) {
            auto &dialog = static_cast<ViewTechDialog &>(d);
            return dialog.metalTableWidget->rowCount() == 1 ? pressOk(d) : int(QDialog::Rejected);
        };
        QTest::mouseClick(form(w).EditLayersButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), QStringList{"dialog"});
        QCOMPARE(form(w).TechTemplateFileEdit->text(), templatePath);
    }

    void saveTemplateAs()
    {
        useBuiltInTemplate();
        MainWindow w(prompts);
        // A create works on a copy: the template in use never takes the spiral.
        const QString project = folder.filePath(QStringLiteral("project.son"));
        prompts.fileNames << project;
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QVERIFY(QFile::exists(project));
        QVERIFY(w.session().document()->geometry.polygons.isEmpty());

        prompts.reset();
        queueRoleChange();
        const QString saved = folder.filePath(QStringLiteral("roles saved.son"));
        prompts.answers << QMessageBox::Yes;
        prompts.fileNames << saved;
        QTest::mouseClick(form(w).EditLayersButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), (QStringList{"dialog", "question", "save"}));
        QCOMPARE(prompts.asked[1].text,
                 QStringLiteral("Layer setup changed\nSave modified template?"));
        QCOMPARE(prompts.asked[1].title, QStringLiteral("Torvane"));
        QCOMPARE(prompts.asked[2].text, QStringLiteral("Save Template As"));
        QCOMPARE(prompts.asked[2].dir, templatePath);
        QCOMPARE(form(w).TechTemplateFileEdit->text(), saved);
        QCOMPARE(w.session().levelMetals(),
                 (QStringList{"Metal5", "TopMetal", "Metal5", "Lossless"}));
        QCOMPARE(w.session().levelRoles(), (QStringList{"none", "bridge", "bridge", "none"}));

        ProjectDocument document;
        QCOMPARE(loadProject(saved, document), 0);
        QVERIFY(document.geometry.polygons.isEmpty());
        QVERIFY(document.geometry.ports.isEmpty());
        QVERIFY(document.headerLines.contains(
            QStringLiteral("ANN #Qor_LayerSetup#,Metal5,TopMetal,Metal5,Lossless")));
        QVERIFY(document.headerLines.contains(
            QStringLiteral("ANN #Qor_FunctionSetup#,none,bridge,bridge,none")));
        QCOMPARE(document.headerLines.filter(QStringLiteral("#Qor_FunctionSetup#")).size(), 1);

        // The saved file brings the roles back as a template.
        prompts.reset();
        prompts.fileNames << saved;
        QTest::mouseClick(form(w).OpenTechButton, Qt::LeftButton);
        QCOMPARE(w.session().levelRoles(), (QStringList{"none", "bridge", "bridge", "none"}));
    }

    // Outcomes after a confirmed change that leave the roles in memory only: the template keeps
    // its path, so the next start reads it again, and its file is left as it was.
    void changeKeptInMemoryOnly_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("saveAs");
        QTest::addColumn<QStringList>("kinds");
        QTest::newRow("No") << QMessageBox::No << QString() << QStringList{"dialog", "question"};
        QTest::newRow("save dialog cancelled")
            << QMessageBox::Yes << QString() << QStringList{"dialog", "question", "save"};
        QTest::newRow("save fails") << QMessageBox::Yes << "no such folder/t.son"
                                    << QStringList{"dialog", "question", "save", "critical"};
    }

    void changeKeptInMemoryOnly()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, saveAs);
        QFETCH(QStringList, kinds);
        useBuiltInTemplate();
        const QString target = saveAs.isEmpty() ? QString() : folder.filePath(saveAs);
        {
            MainWindow w(prompts);
            QTRY_VERIFY(form(w).GeometryLabel->text().endsWith(QLatin1String(" at ref. planes)")));
            queueRoleChange();
            prompts.answers << answer;
            if (answer == QMessageBox::Yes)
                prompts.fileNames << target;
            QTest::mouseClick(form(w).EditLayersButton, Qt::LeftButton);
            QCOMPARE(prompts.kinds(), kinds);
            if (!target.isEmpty())
                QCOMPARE(prompts.asked.last().text,
                         "Error saving template\n" + target + "\nNo such file or directory\n");
            QCOMPARE(form(w).TechTemplateFileEdit->text(), templatePath);
            QVERIFY(w.session().document());
            QCOMPARE(w.session().levelRoles(), (QStringList{"none", "bridge", "bridge", "none"}));
            // No spiral level is left, and the geometry line says so.
            QTRY_COMPARE(form(w).GeometryLabel->text(), QStringLiteral("\u2013"));
            w.close();
        }
        QCOMPARE(storedSetting(QStringLiteral("Base/SonTemplate")).toString(), templatePath);
        QFile original(templatePath);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll(), builtInTemplateText());
    }
};

TORVANE_GUI_TEST_MAIN(TechSetupTest)
#include "test_gui_techsetup.moc"
