// Options > Setup, Help > About and "Target L ...", run from the window.
#include "guitestsupport.h"

#include "core/inductance/geometryinductance.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"
#include "gui/dialogs/aboutdialog.h"
#include "gui/dialogs/setupdialog.h"
#include "gui/dialogs/targetinductancedialog.h"
#include "gui/window/mainwindow.h"
#include "gui/window/shapetabform.h"
#include "gui/window/targetinductanceflow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QThreadPool>

using namespace torvane;

class DialogsTest : public WindowTestCase
{
    Q_OBJECT

private slots:
    void init()
    {
        WindowTestCase::init();
        storeSetting(QStringLiteral("xgeomPath"), QStringLiteral("/opt/sonnet/bin/xgeom"));
    }

    void setupShowsTheWindowsOptions()
    {
        storeSetting(QStringLiteral("xgeomStaircase"), true);
        MainWindow w(prompts);
        prompts.dialogHandlers << [](QDialog &d) {
            auto &dialog = static_cast<SetupDialog &>(d);
            [&] {
                QCOMPARE(dialog.windowTitle(), QStringLiteral("Setup"));
                QCOMPARE(dialog.xgeomPathEdit->text(), QStringLiteral("/opt/sonnet/bin/xgeom"));
                QVERIFY(!dialog.xgeomPathEdit->isEnabled());
                QCOMPARE(dialog.xgeomStartCheckBox->checkState(), Qt::Checked);
                QCOMPARE(dialog.StaircaseCheckBox->checkState(), Qt::Checked);
                QCOMPARE(dialog.StaircaseCheckBox->text(),
                         QStringLiteral("Always use \"Staircase\" Fill"));
                QVERIFY(dialog.size().width() >= 414);
            }();
            return int(QDialog::Rejected);
        };
        form(w).actionSetup->trigger();
        QCOMPARE(prompts.kinds(), QStringList{"dialog"});
    }

    // Browse, flip both options, then OK or Cancel.
    void setupOutcome_data()
    {
        QTest::addColumn<QString>("browsed");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("start");
        QTest::addColumn<bool>("staircase");
        QTest::newRow("OK") << "/new/xgeom" << true << "/new/xgeom" << false << true;
        QTest::newRow("OK, browse cancelled")
            << QString() << true << "/opt/sonnet/bin/xgeom" << false << true;
        QTest::newRow("Cancel") << "/new/xgeom" << false << "/opt/sonnet/bin/xgeom" << true
                                << false;
    }

    void setupOutcome()
    {
        QFETCH(QString, browsed);
        QFETCH(bool, accept);
        QFETCH(QString, path);
        QFETCH(bool, start);
        QFETCH(bool, staircase);
        {
            MainWindow w(prompts);
            prompts.fileNames << browsed;
            prompts.dialogHandlers << [accept](QDialog &d) {
                auto &dialog = static_cast<SetupDialog &>(d);
                QTest::mouseClick(dialog.browseButton, Qt::LeftButton);
                dialog.xgeomStartCheckBox->click();
                dialog.StaircaseCheckBox->click();
                QTest::mouseClick(dialog.buttonBox->button(accept ? QDialogButtonBox::Ok
                                                                  : QDialogButtonBox::Cancel),
                                  Qt::LeftButton);
                return dialog.result();
            };
            form(w).actionSetup->trigger();
            QCOMPARE(prompts.kinds(), (QStringList{"dialog", "open"}));
            QCOMPARE(prompts.asked[1].text, QStringLiteral("xGeom executable"));
            QCOMPARE(prompts.asked[1].dir, QStringLiteral("/opt/sonnet/bin/xgeom"));
            QCOMPARE(prompts.asked[1].filter, xgeomFilter);
            QCOMPARE(w.createFlow().options().path, path);
            QCOMPARE(w.createFlow().options().start, start);
            QCOMPARE(w.createFlow().options().staircase, staircase);
            w.close();
        }
        QCOMPARE(storedSetting(QStringLiteral("xgeomPath")).toString(), path);
        QCOMPARE(storedSetting(QStringLiteral("xgeomStart")).toBool(), start);
        QCOMPARE(storedSetting(QStringLiteral("xgeomStaircase")).toBool(), staircase);
    }

    void aboutTexts()
    {
        MainWindow w(prompts);
        prompts.dialogHandlers << [](QDialog &d) {
            auto &dialog = static_cast<AboutDialog &>(d);
            [&] {
                QCOMPARE(dialog.windowTitle(), QStringLiteral("About"));
                QVERIFY(dialog.isModal());
                QCOMPARE(dialog.label->text(), QStringLiteral("Torvane"));
                QCOMPARE(dialog.versionLabel->text(), QStringLiteral("Version " TORVANE_VERSION));
                QCOMPARE(dialog.dateLabel->text(), QStringLiteral("Oct  3 2012"));
                QVERIFY(!dialog.label_4->pixmap().isNull());
                QCOMPARE(dialog.label_4->text(), QString());
                QCOMPARE(dialog.parentWidget()->objectName(), QStringLiteral("MainWindow"));
            }();
            QTest::mouseClick(dialog.okButton, Qt::LeftButton);
            return dialog.result();
        };
        QCOMPARE(w.helpAbout(), int(QDialog::Accepted));
        QCOMPARE(prompts.kinds(), QStringList{"dialog"});
        prompts.dialogHandlers << [](QDialog &) {
            return int(QDialog::Accepted);
        };
        form(w).actionAbout->trigger();
        QCOMPARE(prompts.kinds(), (QStringList{"dialog", "dialog"}));
    }

    // The chosen candidate lands in the tab it was asked from, and what it fills in really
    // meets the target; the dialog's entries come back from the settings at the next opening.
    void targetInductanceFillsTheTab()
    {
        MainWindow w(prompts);
        TargetInductanceFlow &flow = *w.targetInductanceFlow();
        QVERIFY(!flow.button(1)->isEnabled()); // no template yet
        QTemporaryDir folder;
        QCOMPARE(w.LoadTechTemplate(writeFile(folder.filePath("rfic.son"), builtInTemplateText())),
                 0);
        form(w).tabWidget->setCurrentIndex(1);
        QVERIFY(flow.button(1)->isEnabled() &&
                flow.button(1)->isVisibleTo(form(w).tabWidget->widget(1)));
        std::optional<SynthesisCandidate> picked;
        prompts.dialogHandlers << [&picked](QDialog &d) {
            auto &dialog = static_cast<TargetInductanceDialog &>(d);
            dialog.targetEdit->setText(QStringLiteral("2"));
            dialog.placeComboBox->setCurrentIndex(1); // the winding alone
            QSignalSpy finished(&dialog, &TargetInductanceDialog::searchFinished);
            QTest::mouseClick(dialog.findButton, Qt::LeftButton);
            if (!finished.wait(20000) || dialog.candidateTable->rowCount() < 2)
                return int(QDialog::Rejected);
            dialog.candidateTable->selectRow(1);
            picked = dialog.chosen();
            QTest::mouseClick(dialog.buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
            return dialog.result();
        };
        QTest::mouseClick(flow.button(1), Qt::LeftButton);
        QVERIFY(picked);
        QCOMPARE(form(w).nsTurnsDoubleSpinBox->value(), picked->parameters.turns);
        QCOMPARE(form(w).nsRadiusEdit->text(), radiusFieldText(picked->parameters.radius));
        const GeometryInductance filled =
            geometryInductance(w.tabParameters(1), *w.session().document(),
                               w.session().levelMetals(), w.session().levelRoles());
        QVERIFY(filled.hasValues());
        QVERIFY2(std::abs(*filled.winding - 2e-9) <= 0.01 * 2e-9,
                 qPrintable(QString::number(*filled.winding)));

        QString remembered;
        prompts.dialogHandlers << [&remembered](QDialog &d) {
            auto &dialog = static_cast<TargetInductanceDialog &>(d);
            remembered = dialog.targetEdit->text() + QLatin1Char('@') +
                         QString::number(dialog.placeComboBox->currentIndex());
            return int(QDialog::Rejected);
        };
        const QString radius = form(w).nsRadiusEdit->text();
        QTest::mouseClick(flow.button(1), Qt::LeftButton);
        QCOMPARE(remembered, QStringLiteral("2@1"));
        QCOMPARE(storedSetting(QStringLiteral("Target/Place")).toString(),
                 QStringLiteral("winding"));
        QCOMPARE(form(w).nsRadiusEdit->text(), radius);
    }

    // Every tab's button fills its own tab and leaves the others; after Find the most compact
    // candidate is chosen already, so OK takes it at once.
    void targetInductanceFillsItsOwnTab_data()
    {
        QTest::addColumn<int>("tab");
        for (int tab = 0; tab < 4; ++tab)
            QTest::addRow("tab %d", tab) << tab;
    }

    void targetInductanceFillsItsOwnTab()
    {
        QFETCH(int, tab);
        MainWindow w(prompts);
        QTemporaryDir folder;
        QCOMPARE(w.LoadTechTemplate(writeFile(folder.filePath("rfic.son"), builtInTemplateText())),
                 0);
        form(w).tabWidget->setCurrentIndex(tab);
        const QMap<QString, QString> before = formState(w);
        bool preselected = false;
        prompts.dialogHandlers << [&preselected](QDialog &d) {
            auto &dialog = static_cast<TargetInductanceDialog &>(d);
            dialog.targetEdit->setText(QStringLiteral("1.5"));
            QSignalSpy finished(&dialog, &TargetInductanceDialog::searchFinished);
            QTest::mouseClick(dialog.findButton, Qt::LeftButton);
            if (!finished.wait(20000))
                return int(QDialog::Rejected);
            QPushButton *ok = dialog.buttonBox->button(QDialogButtonBox::Ok);
            preselected = dialog.candidateTable->rowCount() > 0 && ok->isEnabled() &&
                          dialog.candidateTable->selectionModel()->isRowSelected(0, {});
            QTest::mouseClick(ok, Qt::LeftButton);
            return dialog.result();
        };
        QTest::mouseClick(w.targetInductanceFlow()->button(tab), Qt::LeftButton);
        QVERIFY(preselected);
        const QMap<QString, QString> after = formState(w);
        const QString prefix = QStringList{"rs", "ns", "rsd", "nsd"}[tab];
        QStringList changed;
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            if (before.value(it.key()) != it.value())
                changed.append(it.key());
        }
        QVERIFY2(!changed.isEmpty(), "nothing filled");
        for (const QString &name : changed) {
            // The other tabs' "rs" prefix is a prefix of "rsd": compare whole prefixes.
            const QString own =
                name.left(name.indexOf(QRegularExpression(QStringLiteral("[A-Z]"))));
            QCOMPARE(own, prefix);
        }
    }

    // Cancel ends the search within 100 ms, so that quitting waits for nothing.
    void cancelEndsTheSearch()
    {
        TargetInductanceDialog::Design design;
        design.document = builtInTemplate();
        readLayerSetup(design.document, design.layerSetup, design.functionSetup);
        design.functionSetup.fill(QStringLiteral("spiral")); // four copies of the winding: seconds
        design.lengthUnit = QStringLiteral("um");
        design.inductanceUnit = QStringLiteral("nH");
        {
            TargetInductanceDialog dialog(design, {QStringLiteral("10")});
            dialog.find();
            QTest::qWait(200);
            QVERIFY(dialog.searching());
            QTest::mouseClick(dialog.buttonBox->button(QDialogButtonBox::Cancel), Qt::LeftButton);
        }
        // Far below the seconds of the search, with room for a machine busy with other tests.
        QVERIFY(QThreadPool::globalInstance()->waitForDone(500));
    }
};

TORVANE_GUI_TEST_MAIN(DialogsTest)
#include "test_gui_dialogs.moc"
