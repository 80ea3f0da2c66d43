// "Create Spiral ..." end to end: every question, error and report of the command, the
// project it writes, and the start of xGeom through a stand-in that records its arguments.
#include "guitestsupport.h"

#include "core/template/builtintemplate.h"
#include "gui/window/mainwindow.h"
#include "tests/support/filesizelimit.h"

#include <QFile>
#include <QStatusBar>
#include <QTest>

using namespace torvane;

class CreateFlowTest : public WindowTestCase
{
    Q_OBJECT

    const QString title = QStringLiteral("Torvane");
    const QString created = QStringLiteral("Spiral created at\n%1\n");

    // A window on the built-in template (spiral and bridge levels), xGeom off unless asked.
    void useBuiltInTemplate(bool xgeomStart = false)
    {
        storeSetting(QStringLiteral("Base/SonTemplate"),
                     writeFile(folder.filePath(QStringLiteral("rfic.son")), builtInTemplateText()));
        storeSetting(QStringLiteral("xgeomStart"), xgeomStart);
        // The stored selections win over the template's units: keep them at um and nH.
        storeSetting(QStringLiteral("Base/LengthIndex"), 2);
        storeSetting(QStringLiteral("Base/InductanceIndex"), 3);
    }

    QString projectPath(const QString &name) { return folder.filePath(name); }

    // An executable that writes its argument count and arguments, one a line, to `record`.
    QString standInXgeom(const QString &record)
    {
        const QString path = folder.filePath(QStringLiteral("xgeom stand-in.sh"));
        writeFile(path, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + record.toLocal8Bit() +
                            ".part'\nmv '" + record.toLocal8Bit() + ".part' '" +
                            record.toLocal8Bit() + "'\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    static ProjectDocument readProject(const QString &path)
    {
        ProjectDocument document;
        if (loadProject(path, document) != 0)
            qWarning("cannot read %s", qPrintable(path));
        return document;
    }

    static QStringList readLines(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void noSpiralLevel_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QStringList>("kinds");
        QTest::newRow("No") << QMessageBox::No << QStringList{"question"};
        QTest::newRow("Yes") << QMessageBox::Yes << QStringList{"question", "save", "information"};
    }

    void noSpiralLevel()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QStringList, kinds);
        storeSetting(QStringLiteral("Base/SonTemplate"),
                     writeFile(folder.filePath(QStringLiteral("plain.son")), templateText(3)));
        storeSetting(QStringLiteral("xgeomStart"), false);
        const QString output = projectPath(QStringLiteral("noroles.son"));
        QFile::remove(output);
        MainWindow w(prompts);
        prompts.answers << answer;
        prompts.fileNames << output;
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), kinds);
        QCOMPARE(prompts.asked[0].title, title);
        QCOMPARE(prompts.asked[0].text,
                 QStringLiteral("No layer for spiral selected!\nContinue anyway?"));
        // Enter must not write a doubtful project.
        QCOMPARE(prompts.asked[0].defaultButton, QMessageBox::No);
        QCOMPARE(QFile::exists(output), answer == QMessageBox::Yes);
        if (answer == QMessageBox::No)
            prompts.fileNames.clear();
    }

    // The inner radius check of the n-sided differential tab on a 1 um cell: with width and
    // spacing 10 and 8 sides the radius must reach 41.2132.
    void innerRadius_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("radius");
        QTest::addColumn<QStringList>("kinds");
        QTest::newRow("too small") << 3 << "40" << QStringList{"critical"};
        QTest::newRow("large enough") << 3 << "41.22" << QStringList{"save"};
        QTest::newRow("round differential unchecked") << 2 << "1" << QStringList{"save"};
    }

    void innerRadius()
    {
        QFETCH(int, tab);
        QFETCH(QString, radius);
        QFETCH(QStringList, kinds);
        useBuiltInTemplate();
        MainWindow w(prompts);
        form(w).tabWidget->setCurrentIndex(tab);
        form(w).nsdSidesSpinBox->setValue(8);
        for (QLineEdit *edit : {form(w).nsdSpiralWidthEdit, form(w).nsdSpacingEdit,
                                form(w).rsdSpiralWidthEdit, form(w).rsdSpacingEdit})
            typeAndFinish(edit, QStringLiteral("10"));
        typeAndFinish(form(w).nsdRadiusEdit, radius);
        typeAndFinish(form(w).rsdRadiusEdit, radius);
        prompts.fileNames << QString(); // cancelled
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), kinds);
        if (kinds[0] == QLatin1String("critical")) {
            QCOMPARE(prompts.asked[0].text,
                     QStringLiteral("Inner radius must exceed 41.2132 um.\nCannot create spiral."));
            prompts.fileNames.clear();
        }
    }

    // Width 10 and spacing 5 allow a feed spacing up to 22.0711, whatever "Auto" says.
    void feedSpacing_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("feed");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QStringList>("kinds");
        QTest::newRow("rd within") << 2 << "22.07" << QMessageBox::NoButton << QStringList{"save"};
        QTest::newRow("rd above, No") << 2 << "22.08" << QMessageBox::No << QStringList{"question"};
        QTest::newRow("rd above, Yes")
            << 2 << "30" << QMessageBox::Yes << QStringList{"question", "save"};
        QTest::newRow("nd above, No") << 3 << "40" << QMessageBox::No << QStringList{"question"};
        QTest::newRow("round never asks")
            << 0 << "99" << QMessageBox::NoButton << QStringList{"save"};
    }

    void feedSpacing()
    {
        QFETCH(int, tab);
        QFETCH(QString, feed);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QStringList, kinds);
        useBuiltInTemplate();
        MainWindow w(prompts);
        form(w).tabWidget->setCurrentIndex(tab);
        for (QLineEdit *edit : {form(w).rsdSpiralWidthEdit, form(w).nsdSpiralWidthEdit})
            typeAndFinish(edit, QStringLiteral("10"));
        for (QLineEdit *edit : {form(w).rsdSpacingEdit, form(w).nsdSpacingEdit})
            typeAndFinish(edit, QStringLiteral("5"));
        typeAndFinish(form(w).nsdRadiusEdit, QStringLiteral("100"));
        for (QLineEdit *edit : {form(w).rsdFeedSpacingEdit, form(w).nsdFeedSpacingEdit})
            edit->setText(feed); // disabled under "Auto", still read
        QVERIFY(form(w).rsdFeedAutoCheckBox->isChecked());
        if (answer != QMessageBox::NoButton)
            prompts.answers << answer;
        if (kinds.contains(QStringLiteral("save")))
            prompts.fileNames << QString();
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), kinds);
        if (answer != QMessageBox::NoButton)
            QCOMPARE(prompts.asked[0].text,
                     QStringLiteral("Feed spacing to large!\nContinue anyway?"));
    }

    void createdAndReported()
    {
        useBuiltInTemplate();
        const QString output = projectPath(QStringLiteral("round one.son"));
        MainWindow w(prompts);
        form(w).tabWidget->setCurrentIndex(0);
        prompts.fileNames << output;
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), (QStringList{"save", "information"}));
        QCOMPARE(prompts.asked[0].text, QStringLiteral("Create Simulation File"));
        QCOMPARE(prompts.asked[0].dir, QString());
        QCOMPARE(prompts.asked[0].filter, QStringLiteral("Sonnet Files (*.son);;All Files (*.*)"));
        QCOMPARE(prompts.asked[1].title, title);
        QCOMPARE(prompts.asked[1].text, created.arg(output));
        QCOMPARE(w.createFlow().lastProjectFileName(), output);

        const ProjectDocument project = readProject(output);
        QVERIFY(!project.geometry.polygons.isEmpty());
        QVERIFY(!project.geometry.ports.isEmpty());
        QCOMPARE(project.dimension.lengthUnit, QStringLiteral("um"));
        QVERIFY(project.headerLines.contains(
            QStringLiteral("ANN #Qor_FunctionSetup#,none,spiral,bridge,none")));

        // The next create starts at the last output and does not pile geometry up.
        prompts.reset();
        const QString second = projectPath(QStringLiteral("round two.son"));
        prompts.fileNames << second;
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.asked[0].dir, output);
        QCOMPARE(readProject(second).geometry, project.geometry);

        // A name typed without a suffix gets ".son" from the dialog, and here without one.
        prompts.reset();
        prompts.fileNames << projectPath(QStringLiteral("ind1"));
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.asked[0].defaultSuffix, QStringLiteral("son"));
        QCOMPARE(w.createFlow().lastProjectFileName(), projectPath(QStringLiteral("ind1.son")));
        QCOMPARE(readProject(w.createFlow().lastProjectFileName()).geometry, project.geometry);
    }

    // Values the enabled fields do not accept are asked about first; No cancels.
    void outOfRangeValues()
    {
        useBuiltInTemplate();
        const QString output = projectPath(QStringLiteral("range.son"));
        MainWindow w(prompts);
        form(w).tabWidget->setCurrentIndex(2);
        form(w).rsdSpiralWidthEdit->setText(QStringLiteral("0"));
        form(w).rsdSpacingEdit->clear();
        form(w).rsdFeedSpacingEdit->setText(QStringLiteral("0")); // disabled under "Auto": unused
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            prompts.reset();
            prompts.answers << answer;
            prompts.fileNames << output;
            QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
            QCOMPARE(
                prompts.asked[0].text,
                QStringLiteral("Some values are out of range: Width, Spacing.\nCreate anyway?"));
            QCOMPARE(prompts.asked[0].defaultButton, QMessageBox::No);
            QCOMPARE(prompts.asked.size(), answer == QMessageBox::Yes ? 3 : 1);
            QCOMPARE(QFile::exists(output), answer == QMessageBox::Yes);
        }
    }

    void everyTabCreates_data()
    {
        QTest::addColumn<int>("tab");
        QTest::newRow("round") << 0;
        QTest::newRow("n-sided") << 1;
        QTest::newRow("round differential") << 2;
        QTest::newRow("n-sided differential") << 3;
    }

    void everyTabCreates()
    {
        QFETCH(int, tab);
        useBuiltInTemplate();
        const QString output = projectPath(QStringLiteral("tab%1.son").arg(tab));
        MainWindow w(prompts);
        form(w).tabWidget->setCurrentIndex(tab);
        typeAndFinish(form(w).nsdRadiusEdit, QStringLiteral("80"));
        prompts.fileNames << output;
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), (QStringList{"save", "information"}));
        QVERIFY(!readProject(output).geometry.polygons.isEmpty());
    }

    void staircaseFill()
    {
        useBuiltInTemplate();
        storeSetting(QStringLiteral("xgeomStaircase"), true);
        const QString output = projectPath(QStringLiteral("stairs.son"));
        MainWindow w(prompts);
        form(w).tabWidget->setCurrentIndex(2);
        prompts.fileNames << output;
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        const ProjectDocument project = readProject(output);
        QVERIFY(!project.geometry.polygons.isEmpty());
        for (const Polygon &polygon : project.geometry.polygons)
            QCOMPARE(polygon.fillType, QStringLiteral("N"));
    }

    void cancelledSaveDialogForgetsThePath()
    {
        useBuiltInTemplate();
        MainWindow w(prompts);
        prompts.fileNames << projectPath(QStringLiteral("first.son")) << QString() << QString();
        for (int run = 0; run < 3; ++run)
            QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), (QStringList{"save", "information", "save", "save"}));
        QCOMPARE(prompts.asked[2].dir, projectPath(QStringLiteral("first.son")));
        QCOMPARE(prompts.asked[3].dir, QString());
        QCOMPARE(w.createFlow().lastProjectFileName(), QString());
    }

    void saveFails()
    {
        useBuiltInTemplate();
        const QString output = projectPath(QStringLiteral("no such folder/out.son"));
        MainWindow w(prompts);
        prompts.fileNames << output;
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), (QStringList{"save", "critical"}));
        QCOMPARE(prompts.asked[1].text,
                 "Error creating sonnet project\n" + output + "\nNo such file or directory\n");
        QVERIFY(!QFile::exists(output));

        // A full disk: the old file stays.
        const QString full = writeFile(projectPath(QStringLiteral("full.son")), "old project");
        prompts.fileNames << full;
        {
            const FileSizeLimit limit(4096);
            QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        }
        QVERIFY(prompts.asked.value(3).text.endsWith(full + "\nFile too large\n"));
        QCOMPARE(readLines(full), QStringList{"old project"});
    }

    void largeLayoutIsWrittenWithAWarning()
    {
        const QString roles = "ANN #Qor_FunctionSetup#," + QStringList(149, "spiral").join(',');
        storeSetting(QStringLiteral("Base/SonTemplate"),
                     // A box the 99 turns fit in: the layout is large, yet free of errors.
                     writeFile(projectPath(QStringLiteral("stack.son")),
                               templateText(150, {roles}, QStringLiteral("UM"),
                                            QStringLiteral("NH"), 5000, 10000)));
        storeSetting(QStringLiteral("xgeomStart"), false);
        MainWindow w(prompts);
        form(w).rsTurnsDoubleSpinBox->setValue(99);
        prompts.fileNames << projectPath(QStringLiteral("large.son"));
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), (QStringList{"save", "information"}));
        QVERIFY(w.statusBar()->currentMessage().startsWith("Unusually large layout: 1"));
    }

    void xgeomFirstUse_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<bool>("stillStarts");
        QTest::newRow("No") << QMessageBox::No << QStringList{"save", "question", "information"}
                            << false;
        // Yes, then the browse dialog is cancelled: nothing to start, so the report follows.
        QTest::newRow("Yes, no file")
            << QMessageBox::Yes << QStringList{"save", "question", "open", "information"} << true;
    }

    void xgeomFirstUse()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QStringList, kinds);
        QFETCH(bool, stillStarts);
        useBuiltInTemplate(true);
        const QString output = projectPath(QStringLiteral("first use.son"));
        MainWindow w(prompts);
        QVERIFY(w.createFlow().options().start);
        QCOMPARE(w.createFlow().options().path, QString());
        prompts.fileNames << output;
        prompts.answers << answer;
        if (answer == QMessageBox::Yes)
            prompts.fileNames << QString();
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), kinds);
        QCOMPARE(prompts.asked[1].text, CreateFlow::xgeomFirstUseQuestion());
        // An example that fits the platform.
        QVERIFY(CreateFlow::xgeomFirstUseQuestion().contains(
            QStringLiteral("\n\"/usr/local/sonnet/18.56/bin/xgeom\",\n")));
        if (answer == QMessageBox::Yes) {
            QCOMPARE(prompts.asked[2].text, QStringLiteral("xGeom executable"));
            QCOMPARE(prompts.asked[2].filter, xgeomFilter);
        }
        QCOMPARE(prompts.asked.last().text, created.arg(output));
        QCOMPARE(w.createFlow().options().start, stillStarts);

        // Once declined, the question does not come again.
        if (!stillStarts) {
            prompts.reset();
            prompts.fileNames << output;
            QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
            QCOMPARE(prompts.kinds(), (QStringList{"save", "information"}));
            w.close();
            QCOMPARE(storedSetting(QStringLiteral("xgeomStart")).toBool(), false);
        }
    }

    void xgeomStartsWithTheProjectAsOnlyArgument()
    {
        useBuiltInTemplate(true);
        const QString record = folder.filePath(QStringLiteral("arguments.txt"));
        QFile::remove(record);
        storeSetting(QStringLiteral("xgeomPath"), standInXgeom(record));
        const QString output = projectPath(QStringLiteral("spiral with 'quotes' $HOME.son"));
        MainWindow w(prompts);
        prompts.fileNames << output;
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), QStringList{"save"});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QCOMPARE(readLines(record), (QStringList{"1", output}));
        QVERIFY(QFile::exists(output));
    }

    void missingXgeomIsAskedFor()
    {
        useBuiltInTemplate(true);
        const QString gone = folder.filePath(QStringLiteral("old/xgeom"));
        storeSetting(QStringLiteral("xgeomPath"), gone);
        const QString record = folder.filePath(QStringLiteral("asked-for.txt"));
        QFile::remove(record);
        const QString standIn = standInXgeom(record);
        const QString output = projectPath(QStringLiteral("browsed.son"));
        MainWindow w(prompts);
        prompts.fileNames << output << standIn;
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), (QStringList{"save", "critical", "open"}));
        QCOMPARE(prompts.asked[1].text,
                 QStringLiteral(
                     "XGeom executable not found.\nPlease specify xGeom executable location\n"));
        QCOMPARE(prompts.asked[2].dir, gone);
        QCOMPARE(w.createFlow().options().path, standIn);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        QCOMPARE(readLines(record), (QStringList{"1", output}));
    }

    void missingXgeomStillMissing()
    {
        useBuiltInTemplate(true);
        storeSetting(QStringLiteral("xgeomPath"), folder.filePath(QStringLiteral("nowhere")));
        const QString output = projectPath(QStringLiteral("unlaunched.son"));
        MainWindow w(prompts);
        prompts.fileNames << output << QString();
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), (QStringList{"save", "critical", "open", "information"}));
        QCOMPARE(prompts.asked.last().text, created.arg(output));
        QVERIFY(w.createFlow().options().start);
    }

    // A file that cannot be run must not pass for a started editor.
    void xgeomThatCannotStart()
    {
        useBuiltInTemplate(true);
        const QString notExecutable =
            writeFile(folder.filePath(QStringLiteral("xgeom.txt")), "not a program\n");
        storeSetting(QStringLiteral("xgeomPath"), notExecutable);
        const QString output = projectPath(QStringLiteral("not started.son"));
        MainWindow w(prompts);
        prompts.fileNames << output;
        QTest::mouseClick(form(w).CreateSpiralButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), (QStringList{"save", "critical", "information"}));
        QCOMPARE(prompts.asked[1].text, "Error starting xGeom\n" + notExecutable + "\n");
        QCOMPARE(prompts.asked[2].text, created.arg(output));
    }
};

TORVANE_GUI_TEST_MAIN(CreateFlowTest)
#include "test_gui_createflow.moc"
