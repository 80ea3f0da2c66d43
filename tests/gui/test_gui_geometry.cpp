// The window's "Geometry:" line: computed off the GUI thread for the current tab, the newest
// request wins, and "–" with the reason where there is no layout.
#include "core/wording/inductancetext.h"
#include "guitestsupport.h"

#include "core/inductance/frequencyresponse.h"
#include "core/inductance/geometryinductance.h"
#include "core/template/analysisfrequencies.h"
#include "core/template/builtintemplate.h"
#include "core/template/units.h"
#include "gui/preview/responseplot.h"
#include "gui/window/mainwindow.h"
#include "gui/window/outputpanel.h"

#include <QTest>

using namespace torvane;

namespace {
// What the Geometry and In box lines must show for the window's current tab, computed directly.
QString expectedText(const MainWindow &w, bool inBox = false)
{
    const GeometryInductance result = geometryInductance(
        w.tabParameters(form(w).tabWidget->currentIndex()), *w.session().document(),
        w.session().levelMetals(), w.session().levelRoles());
    const double scale =
        1.0 / HenriesPerInductanceUnit(w.session().document()->dimension.inductanceUnit);
    const QString unit = form(w).inductanceUnitComboBox->currentText();
    return inBox ? inBoxInductanceText(result, scale, unit)
                 : geometryInductanceText(result, scale, unit);
}
} // namespace

class GeometryLineTest : public WindowTestCase
{
    Q_OBJECT

private slots:
    void followsEveryTabAndEdit_data()
    {
        QTest::addColumn<int>("tab");
        for (int tab = 0; tab < 4; ++tab)
            QTest::addRow("tab %d", tab) << tab;
    }

    void followsEveryTabAndEdit()
    {
        QFETCH(int, tab);
        MainWindow w(prompts);
        QCOMPARE(w.LoadTechTemplate(writeFile(folder.filePath("rfic.son"), builtInTemplateText())),
                 0);
        form(w).tabWidget->setCurrentIndex(tab);
        QLineEdit *width =
            QList<QLineEdit *>{form(w).rsSpiralWidthEdit, form(w).nsSpiralWidthEdit,
                               form(w).rsdSpiralWidthEdit, form(w).nsdSpiralWidthEdit}[tab];
        // Several edits in a row: only the last one may end up on the line.
        for (const char *text : {"6", "7", "8"})
            typeAndFinish(width, QString::fromLatin1(text));
        const QString expected = expectedText(w);
        QVERIFY2(expected.endsWith(QStringLiteral(" nH at ref. planes)")), qPrintable(expected));
        QTRY_COMPARE(form(w).GeometryLabel->text(), expected);
        QVERIFY(form(w).GeometryLabel->toolTip().contains(QStringLiteral("free space")));
        const QLabel *inBox = w.findChild<QLabel *>(QStringLiteral("InBoxLabel"));
        QCOMPARE(inBox->text(), expectedText(w, true));
        QVERIFY(inBox->text() != expected && inBox->toolTip().contains(QStringLiteral("box")));

        form(w).inductanceUnitComboBox->setCurrentText(QStringLiteral("pH"));
        QTRY_COMPARE(form(w).GeometryLabel->text(), expectedText(w));
        QVERIFY(form(w).GeometryLabel->text().contains(QStringLiteral(" pH (")));
    }

    void dashWithTheReason_data()
    {
        QTest::addColumn<QByteArray>("templateFile");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no template") << QByteArray() << "no technology template";
        QTest::newRow("no spiral level")
            << templateText(3, {"ANN #Qor_FunctionSetup#,none,bridge"}) << "\"spiral\"";
    }

    void dashWithTheReason()
    {
        QFETCH(QByteArray, templateFile);
        QFETCH(QString, reason);
        MainWindow w(prompts);
        if (!templateFile.isEmpty())
            QCOMPARE(w.LoadTechTemplate(writeFile(folder.filePath("t.son"), templateFile)), 0);
        w.UpdateEstimate();
        QTRY_VERIFY(form(w).GeometryLabel->toolTip().contains(reason));
        QCOMPARE(form(w).GeometryLabel->text(), QStringLiteral("\u2013"));
    }

    // The Q line and the L and Q plot describe the fields as they stand: the values of the
    // layout's response, marked as old while new ones are computed, and none for a field out
    // of range.
    void qualityAndPlotFollowTheFields()
    {
        MainWindow w(prompts);
        QCOMPARE(w.LoadTechTemplate(writeFile(folder.filePath("rfic.son"), builtInTemplateText())),
                 0);
        const ResponsePlot &plot = *w.preview().responsePlot();
        const QLabel *quality = w.findChild<QLabel *>(QStringLiteral("QualityLabel"));
        QTRY_VERIFY(w.output().isIdle() && plot.response());
        const auto expected = [&w] {
            return frequencyResponse(w.tabParameters(0), *w.session().document(),
                                     w.session().levelMetals(), w.session().levelRoles(),
                                     templateFrequencies(*w.session().document()).value_or({}));
        };
        QVERIFY(!plot.isStale());
        QCOMPARE(quality->text(), qualityFactorText(expected(), QStringLiteral("GHZ")));
        QCOMPARE(plot.response()->resistanceDC, expected().resistanceDC);

        form(w).rsSpiralWidthEdit->setText(QStringLiteral("8"));
        QVERIFY(plot.isStale());
        QVERIFY(plot.statusLabel()->text().startsWith(QStringLiteral("computing")));
        QTRY_VERIFY(w.output().isIdle() && !plot.isStale());
        QCOMPARE(plot.response()->resistanceDC, expected().resistanceDC);

        form(w).rsSpiralWidthEdit->setText(QStringLiteral("0"));
        QCOMPARE(quality->text(), QStringLiteral("\u2013"));
        QVERIFY(plot.isStale() && !plot.response());
        QVERIFY(plot.statusLabel()->text().contains(QStringLiteral("out of range")));
    }
};

TORVANE_GUI_TEST_MAIN(GeometryLineTest)
#include "test_gui_geometry.moc"
