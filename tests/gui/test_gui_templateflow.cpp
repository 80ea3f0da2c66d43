// Opening templates through the window: the path field, the two buttons, the layer roles,
// the unit selectors following the file, and the example template for newcomers.
#include "guitestsupport.h"

#include "core/template/builtintemplate.h"
#include "gui/window/mainwindow.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

using namespace torvane;

class TemplateFlowTest : public WindowTestCase
{
    Q_OBJECT

    const QString sonnetFilter = QStringLiteral("Sonnet Files (*.son);;All Files (*.*)");

    static QString exampleTemplatePath()
    {
        return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
            .filePath(builtInTemplateFileName());
    }

private slots:
    void openSucceeds()
    {
        const QString path = builtInTemplatePath();
        MainWindow w(prompts);
        prompts.fileNames << path;
        QTest::mouseClick(form(w).OpenTechButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), QStringList{"open"});
        QCOMPARE(prompts.asked[0].text, QStringLiteral("Open Template File"));
        QCOMPARE(prompts.asked[0].dir, QString());
        QCOMPARE(prompts.asked[0].filter, sonnetFilter);
        QCOMPARE(form(w).TechTemplateFileEdit->text(), path);
        QCOMPARE(form(w).TechTemplateFileEdit->toolTip(), path);
        QVERIFY(!form(w).TechTemplateFileEdit->isEnabled());
        QVERIFY(w.session().document());
        QVERIFY(form(w).EditLayersButton->isEnabled());
        QVERIFY(form(w).CreateSpiralButton->isEnabled());
        QCOMPARE(w.session().levelMetals(),
                 (QStringList{"Lossless", "TopMetal", "Metal5", "Lossless"}));
        QCOMPARE(w.session().levelRoles(), (QStringList{"none", "spiral", "bridge", "none"}));
        QCOMPARE(form(w).lengthUnitComboBox->currentText(), QStringLiteral("um"));
        QCOMPARE(form(w).inductanceUnitComboBox->currentText(), QStringLiteral("nH"));
        QVERIFY(form(w).InductanceLabel->text() != QStringLiteral("n/a"));
        QVERIFY(w.statusBar()->currentMessage().isEmpty());

        // The next dialog starts at the template of record.
        prompts.reset();
        prompts.fileNames << QString(); // cancelled
        QTest::mouseClick(form(w).OpenTechButton, Qt::LeftButton);
        QCOMPARE(prompts.asked[0].dir, path);
        QVERIFY(w.session().document());
        QCOMPARE(form(w).TechTemplateFileEdit->text(), path);
    }

    // A file that cannot be read, or read but not used as a template (the reason follows).
    void openFailsAndKeepsTheTemplate_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QByteArray() << QString();
        QTest::newRow("no box") << QByteArray("GEO\nMET \"Gold\" 1 SUP 0 0 0 0\nEND GEO\n")
                                << "no box (BOX line) found\n";
    }

    // The template in use, its path and roles stay when another file cannot serve.
    void openFailsAndKeepsTheTemplate()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        storeSetting(QStringLiteral("Base/SonTemplate"), builtInTemplatePath());
        MainWindow w(prompts);
        const ProjectDocument before = *w.session().document();
        const QStringList roles = w.session().levelRoles();
        const QString missing = folder.filePath(QStringLiteral("missing.son"));
        QFile::remove(missing);
        if (!content.isEmpty())
            writeFile(missing, content);
        prompts.fileNames << missing;
        QTest::mouseClick(form(w).OpenTechButton, Qt::LeftButton);
        QCOMPARE(prompts.kinds(), (QStringList{"open", "critical"}));
        QCOMPARE(prompts.asked[1].title, QStringLiteral("Torvane"));
        QCOMPARE(prompts.asked[1].text, "Error reading sonnet file\n" + missing + "\n" + reason);
        QCOMPARE(form(w).TechTemplateFileEdit->text(), builtInTemplatePath());
        QVERIFY(*w.session().document() == before);
        QCOMPARE(w.session().levelRoles(), roles);
        QVERIFY(form(w).EditLayersButton->isEnabled());
        QVERIFY(form(w).CreateSpiralButton->isEnabled());
        QVERIFY(form(w).InductanceLabel->text() != QStringLiteral("n/a"));
    }

    // Template units, the combo texts they lead to, and the names the document then holds.
    void unitsFollowTheTemplate_data()
    {
        QTest::addColumn<QString>("lng");
        QTest::addColumn<QString>("ind");
        QTest::addColumn<QString>("lengthText");
        QTest::addColumn<QString>("inductanceText");
        QTest::addColumn<QString>("documentLength");
        QTest::addColumn<QString>("documentInductance");
        QTest::newRow("UM NH") << "UM"
                               << "NH"
                               << "um"
                               << "nH"
                               << "um"
                               << "nH";
        QTest::newRow("MM PH") << "MM"
                               << "PH"
                               << "mm"
                               << "pH"
                               << "mm"
                               << "pH";
        // The combo boxes start at mil and H: no change, so the file's words stay.
        QTest::newRow("already selected") << "MIL"
                                          << "H"
                                          << "mil"
                                          << "H"
                                          << "MIL"
                                          << "H";
        QTest::newRow("metres are not mils") << "M"
                                             << "MH"
                                             << "m"
                                             << "mH"
                                             << "m"
                                             << "mH";
        QTest::newRow("unknown words") << "FT"
                                       << "XH"
                                       << "mil"
                                       << "H"
                                       << "FT"
                                       << "XH";
        // The selectors stay; the document must not declare an empty unit.
        QTest::newRow("empty names") << ""
                                     << ""
                                     << "mil"
                                     << "H"
                                     << "mil"
                                     << "H";
    }

    void unitsFollowTheTemplate()
    {
        QFETCH(QString, lng);
        QFETCH(QString, ind);
        QFETCH(QString, lengthText);
        QFETCH(QString, inductanceText);
        QFETCH(QString, documentLength);
        QFETCH(QString, documentInductance);
        const QString path =
            writeFile(folder.filePath(QStringLiteral("units.son")), templateText(3, {}, lng, ind));
        MainWindow w(prompts);
        prompts.fileNames << path;
        QTest::mouseClick(form(w).OpenTechButton, Qt::LeftButton);
        QVERIFY(w.session().document());
        QCOMPARE(form(w).lengthUnitComboBox->currentText(), lengthText);
        QCOMPARE(form(w).inductanceUnitComboBox->currentText(), inductanceText);
        QCOMPARE(w.session().document()->dimension.lengthUnit, documentLength);
        QCOMPARE(w.session().document()->dimension.inductanceUnit, documentInductance);
        QCOMPARE(form(w).SizeXUnitLabel->text(), lengthText);
    }

    void layerRolesFromAnnotations_data()
    {
        QTest::addColumn<int>("layers");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("metals");
        QTest::addColumn<QStringList>("roles");
        QTest::newRow("no annotations") << 3 << QStringList{} << QStringList{"Lossless", "Lossless"}
                                        << QStringList{"none", "none"};
        QTest::newRow("short role line") << 4 << QStringList{"ANN #Qor_FunctionSetup#,spiral"}
                                         << QStringList{"Lossless", "Lossless", "Lossless"}
                                         << QStringList{"spiral", "none", "none"};
        QTest::newRow("empty part dropped")
            << 3 << QStringList{"ANN #Qor_LayerSetup#,,A"} << QStringList{"A", "Lossless"}
            << QStringList{"none", "none"};
        QTest::newRow("extra entries ignored")
            << 2 << QStringList{"ANN #Qor_FunctionSetup#,bridge,spiral,none"}
            << QStringList{"Lossless"} << QStringList{"bridge"};
        QTest::newRow("marker not at line start")
            << 2 << QStringList{" ANN #Qor_FunctionSetup#,spiral"} << QStringList{"Lossless"}
            << QStringList{"none"};
        QTest::newRow("one layer, no levels")
            << 1 << QStringList{"ANN #Qor_FunctionSetup#,spiral"} << QStringList{} << QStringList{};
    }

    void layerRolesFromAnnotations()
    {
        QFETCH(int, layers);
        QFETCH(QStringList, header);
        QFETCH(QStringList, metals);
        QFETCH(QStringList, roles);
        storeSetting(
            QStringLiteral("Base/SonTemplate"),
            writeFile(folder.filePath(QStringLiteral("roles.son")), templateText(layers, header)));
        MainWindow w(prompts);
        QVERIFY(w.session().document());
        QCOMPARE(w.session().levelMetals(), metals);
        QCOMPARE(w.session().levelRoles(), roles);
    }

    void recentTemplatesMenu()
    {
        QStringList paths;
        for (int i = 0; i < 7; ++i)
            paths << writeFile(folder.filePath(QStringLiteral("t%1.son").arg(i)), templateText(3));
        const auto entries = [](const MainWindow &w) {
            QStringList texts;
            for (QAction *action : form(w).menu_File->actions())
                if (!action->isSeparator())
                    texts << action->text();
            return texts;
        };
        {
            MainWindow w(prompts);
            QCOMPARE(entries(w), (QStringList{"&Open ...", "Open Example Template",
                                              "Export Layout ...", "Close"}));
            for (int i : {0, 1, 0})
                QCOMPARE(w.LoadTechTemplate(paths[i]), 0);
            QCOMPARE(entries(w),
                     (QStringList{"&Open ...", "Open Example Template", "Export Layout ...",
                                  "&1 t0.son", "&2 t1.son", "Close"}));
            QVERIFY(w.close());
        }
        QCOMPARE(storedSetting(QStringLiteral("Base/RecentTemplates")).toStringList(),
                 (QStringList{paths[0], paths[1]}));

        MainWindow w(prompts); // reloads t0, which stays first
        QCOMPARE(w.session().recentFiles(), (QStringList{paths[0], paths[1]}));
        QFile::remove(paths[1]);
        QAction *second = form(w).menu_File->actions()[5];
        QCOMPARE(second->text(), QStringLiteral("&2 t1.son"));
        second->trigger(); // now gone
        QCOMPARE(prompts.kinds(), QStringList{"critical"});
        QCOMPARE(w.session().recentFiles(), QStringList{paths[0]});
        for (int i = 2; i < 7; ++i)
            QCOMPARE(w.LoadTechTemplate(paths[i]), 0);
        QCOMPARE(w.session().recentFiles(),
                 (QStringList{paths[6], paths[5], paths[4], paths[3], paths[2]}));
    }

    void exampleTemplateIsWrittenOnceAndLoaded()
    {
        QFile::remove(exampleTemplatePath());
        MainWindow w(prompts);
        QVERIFY(w.statusBar()->currentMessage().contains(QStringLiteral("Open Example Template")));
        QCOMPARE(form(w).actionOpenExampleTemplate->text(),
                 QStringLiteral("Open Example Template"));
        QVERIFY(form(w).menu_File->actions().contains(form(w).actionOpenExampleTemplate));

        form(w).actionOpenExampleTemplate->trigger();
        QVERIFY(prompts.asked.isEmpty());
        QCOMPARE(form(w).TechTemplateFileEdit->text(), exampleTemplatePath());
        QFile written(exampleTemplatePath());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), builtInTemplateText());
        QVERIFY(w.session().document());
        QVERIFY(form(w).CreateSpiralButton->isEnabled());
        QCOMPARE(w.session().levelRoles(), (QStringList{"none", "spiral", "bridge", "none"}));
        QVERIFY(w.statusBar()->currentMessage().isEmpty());

        // A copy the user has changed since is theirs: it is loaded, not replaced.
        writeFile(exampleTemplatePath(), templateText(2, {"ANN #Qor_FunctionSetup#,spiral"}));
        form(w).actionOpenExampleTemplate->trigger();
        QCOMPARE(w.session().levelRoles(), QStringList{"spiral"});
    }

    void exampleTemplateThatCannotBeWritten()
    {
        const QString dataFolder =
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(QDir(dataFolder).removeRecursively());
        writeFile(dataFolder, "a file where the folder should be");
        MainWindow w(prompts);
        form(w).actionOpenExampleTemplate->trigger();
        QCOMPARE(prompts.kinds(), QStringList{"critical"});
        QCOMPARE(prompts.asked[0].text, "Error writing sonnet file\n" + exampleTemplatePath() +
                                            "\nCannot create the folder " + dataFolder + ".\n");
        QVERIFY(!w.session().document());
        QVERIFY(QFile::remove(dataFolder));
    }
};

TORVANE_GUI_TEST_MAIN(TemplateFlowTest)
#include "test_gui_templateflow.moc"
