// The live preview: it follows every change that moves the geometry, draws on the built-in
// template without one, keeps its place in the settings, and its errors ask before a create.
#include "guitestsupport.h"

#include "core/checks/designchecks.h"
#include "core/template/builtintemplate.h"
#include "core/wording/findingtext.h"
#include "gui/dialogs/viewtechdialog.h"
#include "gui/preview/layoutview.h"
#include "gui/preview/previewpanel.h"
#include "gui/preview/previewupdater.h"
#include "gui/window/mainwindow.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QTest>
#include <QWheelEvent>

#include <functional>

using namespace torvane;

Q_DECLARE_METATYPE(std::function<void(MainWindow &)>)

namespace {
// Waits until the preview has laid out everything asked of it since `started` reviews.
bool settled(const MainWindow &w, int started)
{
    return QTest::qWaitFor([&] {
        return w.preview().updater()->isIdle() && w.preview().updater()->started() > started &&
               w.preview().shownReview();
    });
}

QList<Polygon> drawn(const MainWindow &w)
{
    return w.preview().shownReview()->layout.geometry.polygons;
}
} // namespace

class PreviewTest : public WindowTestCase
{
    Q_OBJECT

    void useBuiltInTemplate()
    {
        storeSetting(QStringLiteral("Base/SonTemplate"),
                     writeFile(folder.filePath(QStringLiteral("rfic.son")), builtInTemplateText()));
        storeSetting(QStringLiteral("xgeomStart"), false);
        storeSetting(QStringLiteral("Base/LengthIndex"), 2);
    }

private slots:
    void followsEveryChange_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<std::function<void(MainWindow &)>>("change");
        using Change = std::function<void(MainWindow &)>;
        QTest::newRow("typing a width") << 0 << Change([](MainWindow &w) {
            form(w).rsSpiralWidthEdit->setFocus();
            form(w).rsSpiralWidthEdit->end(false);
            QTest::keyClick(form(w).rsSpiralWidthEdit, Qt::Key_5);
        });
        QTest::newRow("turns") << 1 << Change([](MainWindow &w) {
            form(w).nsTurnsDoubleSpinBox->setValue(3.5);
        });
        QTest::newRow("bridge width") << 0 << Change([](MainWindow &w) {
            form(w).rsBridgeWidthEdit->setText(QStringLiteral("4"));
        });
        QTest::newRow("feed spacing") << 2 << Change([](MainWindow &w) {
            form(w).rsdFeedAutoCheckBox->setChecked(false);
            form(w).rsdFeedSpacingEdit->setText(QStringLiteral("3"));
        });
        QTest::newRow("centre tap")
            << 3 << Change([](MainWindow &w) { form(w).nsdCenterTapCheckBox->setChecked(false); });
        QTest::newRow("tab") << 0 << Change([](MainWindow &w) {
            form(w).tabWidget->setCurrentIndex(1);
        });
        QTest::newRow("roles") << 0
                               << Change([](MainWindow &w) { form(w).EditLayersButton->click(); });
        QTest::newRow("unit") << 0 << Change([](MainWindow &w) {
            form(w).lengthUnitComboBox->setCurrentIndex(3);
        });
    }

    void followsEveryChange()
    {
        QFETCH(int, tab);
        QFETCH(std::function<void(MainWindow &)>, change);
        useBuiltInTemplate();
        storeSetting(QStringLiteral("Base/SpiralType"), tab);
        // Roles: level 2 (the bridge) becomes "none"; the save offer is declined.
        prompts.dialogHandlers << [](QDialog &d) {
            auto &dialog = static_cast<ViewTechDialog &>(d);
            dialog.metalTableWidget->setCurrentCell(3, 1);
            auto *role = qobject_cast<QComboBox *>(dialog.metalTableWidget->cellWidget(3, 1));
            role->setCurrentIndex(role->findText(QStringLiteral("none")));
            dialog.okButton->click();
            return dialog.result();
        };
        prompts.answers << QMessageBox::No;
        MainWindow w(prompts);
        w.show();
        QVERIFY(settled(w, 0));
        const DesignReview before = *w.preview().shownReview();
        const int started = w.preview().updater()->started();
        change(w);
        QVERIFY(settled(w, started));
        const DesignReview &after = *w.preview().shownReview();
        QVERIFY(after.layout.geometry.polygons != before.layout.geometry.polygons ||
                after.lengthUnit != before.lengthUnit);
        // The template itself never receives the preview's spiral.
        QVERIFY(w.session().document()->geometry.polygons.isEmpty());
    }

    // Fast typing: each key asks for a picture while the one before is still being made. The
    // picture that stays shows the text as it stands, and the waiting requests were merged.
    void followsFastTyping()
    {
        MainWindow w(prompts);
        QVERIFY(settled(w, 0));
        form(w).rsTurnsDoubleSpinBox->setValue(20); // slow enough to be overtaken
        QLineEdit *radius = form(w).rsRadiusEdit;
        radius->clear();
        const int started = w.preview().updater()->started();
        const QString typed = QStringLiteral("31.25");
        for (const QChar key : typed) {
            QTest::keyClick(radius, key.toLatin1());
            QCoreApplication::processEvents(); // the key's request starts or waits
        }
        QTRY_VERIFY(w.preview().updater()->isIdle());
        QCOMPARE(radius->text(), typed);
        QCOMPARE(drawn(w),
                 reviewDesign(nullptr, w.tabParameters(0), {}, {}, "mil").layout.geometry.polygons);
        QVERIFY(w.preview().updater()->started() - started <= typed.size());
    }

    // Without a template: the built-in one, with a note; a layout that cannot be made shows
    // why instead of a picture.
    void builtInTemplateAndFailures()
    {
        MainWindow w(prompts);
        QVERIFY(settled(w, 0));
        QVERIFY(w.preview().shownReview()->hasPicture());
        QVERIFY(!w.preview().panel()->noteLabel()->isHidden());
        QCOMPARE(w.preview().panel()->noteLabel()->text(), builtInTemplateNote());
        QCOMPARE(drawn(w),
                 reviewDesign(nullptr, w.tabParameters(0), {}, {}, "mil").layout.geometry.polygons);

        form(w).tabWidget->setCurrentIndex(3);
        form(w).nsdRadiusEdit->setText(QStringLiteral("30"));
        const int started = w.preview().updater()->started();
        QVERIFY(settled(w, started));
        QVERIFY(pictureFailureText(*w.preview().shownReview())
                    .startsWith(QStringLiteral("Inner radius must exceed")));
        QVERIFY(w.preview().panel()->findingsList()->item(0)->text().contains("Inner radius"));
    }

    // View > Preview hides the panel (the findings move to the status bar); its visibility, the
    // splitter and the page shown are kept.
    void viewMenuAndSettings()
    {
        useBuiltInTemplate();
        {
            MainWindow w(prompts);
            w.show();
            form(w).rsSpacingEdit->setText(QStringLiteral("0.5"));
            QVERIFY(settled(w, 0));
            QVERIFY(w.preview().findingsStatusLabel()->isHidden());
            w.preview().action()->trigger();
            QVERIFY(w.preview().pages()->isHidden());
            QVERIFY(w.preview().findingsStatusLabel()->isVisible());
            QVERIFY(
                w.preview().findingsStatusLabel()->text().startsWith(QStringLiteral("1 error, ")));
            w.preview().pages()->setCurrentIndex(1);
            w.close();
        }
        QCOMPARE(storedSetting(QStringLiteral("Preview/Visible")).toBool(), false);
        QVERIFY(!storedSetting(QStringLiteral("Preview/Splitter")).toByteArray().isEmpty());
        QCOMPARE(storedSetting(QStringLiteral("Base/SpiralType")).toInt(), 0);
        MainWindow again(prompts);
        QVERIFY(!again.preview().action()->isChecked());
        QVERIFY(again.preview().pages()->isHidden());
        QCOMPARE(again.preview().pages()->currentIndex(), 1);
    }

    // The wheel zooms around the cursor; a double click fits the whole layout again.
    void zoomKeepsThePointUnderTheCursor()
    {
        MainWindow w(prompts);
        w.show();
        QVERIFY(settled(w, 0));
        LayoutView *view = w.preview().panel()->layoutView();
        const ViewTransform fitted = view->view();
        const QPointF cursor(view->width() / 3.0, view->height() / 4.0);
        const Point under = fitted.toProject(cursor);
        QWheelEvent wheel(cursor, view->mapToGlobal(cursor), {}, {0, 480}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        QVERIFY(view->view().scale > 2 * fitted.scale);
        const QPointF after = view->view().toCanvas(under);
        QVERIFY(qAbs(after.x() - cursor.x()) < 1e-6 && qAbs(after.y() - cursor.y()) < 1e-6);
        QTest::mouseDClick(view, Qt::LeftButton, {}, cursor.toPoint());
        QCOMPARE(view->view().scale, fitted.scale);
    }

    // One question for out-of-range fields and layout errors; No writes nothing.
    void createAsksAboutErrors()
    {
        useBuiltInTemplate();
        MainWindow w(prompts);
        form(w).tabWidget->setCurrentIndex(2);
        form(w).rsdBridgeWidthEdit->setText(QStringLiteral("35"));
        const QString output = folder.filePath(QStringLiteral("shorted.son"));
        // Four decimals are out of range, yet still laid out.
        for (const QString &spacing : {QStringLiteral("10"), QStringLiteral("10.0001")}) {
            form(w).rsdSpacingEdit->setText(spacing);
            prompts.reset();
            prompts.answers << QMessageBox::No;
            form(w).CreateSpiralButton->click();
            const QString range =
                spacing == "10" ? "" : QStringLiteral("Some values are out of range: Spacing.\n");
            QVERIFY2(prompts.asked.value(0).text.startsWith(range + "The layout has errors:\n") &&
                         prompts.asked.value(0).text.endsWith("\nCreate anyway?"),
                     qPrintable(prompts.asked.value(0).text));
            QCOMPARE(prompts.asked.size(), 1);
        }
        QVERIFY(!QFile::exists(output));
    }
};

TORVANE_GUI_TEST_MAIN(PreviewTest)
#include "test_gui_preview.moc"
