// The main window driven through its widgets: first start, the form's promises, the live
// estimate, the unit selectors, the enable rules and the settings kept between runs.
#include "guitestsupport.h"

#include "core/template/builtintemplate.h"
#include "core/template/units.h"
#include "gui/preview/previewpanel.h"
#include "gui/window/mainwindow.h"

#include <QApplication>
#include <QDoubleValidator>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>

using namespace torvane;

namespace {
double leadingNumber(const QString &text)
{
    return text.section(QLatin1Char(' '), 0, 0).toDouble();
}

QList<QLabel *> lengthUnitLabels(const MainWindow &w)
{
    return {form(w).rsSpiralWidthUnitlabel,
            form(w).rsSpiralSpacingUnitlabel,
            form(w).rsSpiralRadiusUnitlabel,
            form(w).rsBridgeWidthUnitlabel,
            form(w).nsSpiralWidthUnitlabel,
            form(w).nsSpiralSpacingUnitlabel,
            form(w).nsSpiralRadiusUnitlabel,
            form(w).nsBridgeWidthUnitlabel,
            form(w).rsdSpiralWidthUnitlabel,
            form(w).rsdSpiralSpacingUnitlabel,
            form(w).rsdSpiralRadiusUnitlabel,
            form(w).rsdBridgeWidthUnitlabel,
            form(w).rsdFeedWithUnitLabel,
            form(w).nsdSpiralWidthUnitlabel,
            form(w).nsdSpiralSpacingUnitlabel,
            form(w).nsdSpiralRadiusUnitlabel,
            form(w).nsdBridgeWidthUnitlabel,
            form(w).nsdFeedWithUnitLabel,
            form(w).SizeXUnitLabel};
}
} // namespace

class MainWindowTest : public WindowTestCase
{
    Q_OBJECT

private slots:
    void firstStartWithEmptyStore()
    {
        MainWindow w(prompts);
        QCOMPARE(w.windowTitle(), QStringLiteral("Torvane"));
        QCOMPARE(form(w).tabWidget->currentIndex(), 0);
        QCOMPARE(form(w).lengthUnitComboBox->currentText(), QStringLiteral("mil"));
        QCOMPARE(form(w).inductanceUnitComboBox->currentText(), QStringLiteral("H"));
        for (const QDoubleSpinBox *turns :
             {form(w).rsTurnsDoubleSpinBox, form(w).nsTurnsDoubleSpinBox})
            QCOMPARE(turns->value(), 2.0);
        for (const QSpinBox *turns : {form(w).rsdTurnsSpinBox, form(w).nsdTurnsSpinBox})
            QCOMPARE(turns->value(), 2);
        for (const QLineEdit *edit :
             {form(w).rsSpiralWidthEdit, form(w).rsSpacingEdit, form(w).rsBridgeWidthEdit,
              form(w).nsSpiralWidthEdit, form(w).nsSpacingEdit, form(w).nsBridgeWidthEdit,
              form(w).rsdSpiralWidthEdit, form(w).rsdSpacingEdit, form(w).rsdBridgeWidthEdit,
              form(w).rsdFeedSpacingEdit, form(w).nsdSpiralWidthEdit, form(w).nsdSpacingEdit,
              form(w).nsdBridgeWidthEdit, form(w).nsdFeedSpacingEdit})
            QCOMPARE(edit->text(), QStringLiteral("10.0"));
        QCOMPARE(form(w).rsRadiusEdit->text(), QStringLiteral("25.0"));
        QCOMPARE(form(w).nsRadiusEdit->text(), QStringLiteral("25.0"));
        QCOMPARE(form(w).rsdRadiusEdit->text(), QStringLiteral("50.0"));
        QCOMPARE(form(w).nsdRadiusEdit->text(), QStringLiteral("50.0"));
        QCOMPARE(form(w).nsSidesSpinBox->value(), 8);
        QCOMPARE(form(w).nsdSidesSpinBox->value(), 8);
        for (const QCheckBox *box : {form(w).rsdFeedAutoCheckBox, form(w).nsdFeedAutoCheckBox,
                                     form(w).rsdCenterTapCheckBox, form(w).nsdCenterTapCheckBox})
            QCOMPARE(box->checkState(), Qt::Checked);
        QVERIFY(form(w).rsdBridgeWidthEdit->isEnabled());
        QVERIFY(form(w).nsdBridgeWidthEdit->isEnabled());
        QVERIFY(!form(w).rsdFeedSpacingEdit->isEnabled());
        QVERIFY(!form(w).nsdFeedSpacingEdit->isEnabled());
        QVERIFY(!form(w).EditLayersButton->isEnabled());
        QVERIFY(!form(w).CreateSpiralButton->isEnabled());
        QCOMPARE(form(w).InductanceLabel->text(), QStringLiteral("n/a"));
        QCOMPARE(form(w).TechTemplateFileEdit->text(), QString());
        // A first start fills much of the screen, and the picture gets at least half of the
        // window unless the form would have to shrink below its minimum for it.
        const QRect area = w.screen()->availableGeometry();
        QVERIFY(area.contains(w.geometry()));
        QVERIFY(w.width() >= area.width() * 3 / 4);
        const QList<int> sizes = w.preview().splitter()->sizes();
        QVERIFY(sizes[1] >= sizes[0] ||
                sizes[0] == w.preview().splitter()->widget(0)->minimumSizeHint().width());
        for (const QLabel *label : lengthUnitLabels(w))
            QCOMPARE(label->text(), QStringLiteral("mil"));
        QCOMPARE(form(w).InductanceUnitLabel->text(), QStringLiteral("H"));
        // The form's placeholder hint is replaced before the window shows.
        QVERIFY(form(w).nsdMinRadiusLabel->text().startsWith(QStringLiteral("(min > ")));
        QVERIFY(w.statusBar()->currentMessage().contains(QStringLiteral("Open Example Template")));
        // A menu that closes sends an empty status tip; the hint stays until a template is in.
        QStatusTipEvent closedMenu{QString()};
        QApplication::sendEvent(&w, &closedMenu);
        QCOMPARE(w.statusBar()->currentMessage(), MainWindow::firstStartHint());
        QVERIFY(prompts.asked.isEmpty());
    }

    // Line edit, number of decimals its validator allows.
    void validators_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("decimals");
        for (const char *name :
             {"rsSpiralWidthEdit", "rsSpacingEdit", "rsRadiusEdit", "rsBridgeWidthEdit",
              "nsSpiralWidthEdit", "nsSpacingEdit", "nsRadiusEdit", "nsBridgeWidthEdit",
              "rsdSpiralWidthEdit", "rsdSpacingEdit", "rsdRadiusEdit", "rsdBridgeWidthEdit",
              "rsdFeedSpacingEdit", "nsdSpacingEdit", "nsdRadiusEdit", "nsdBridgeWidthEdit",
              "nsdFeedSpacingEdit"})
            QTest::newRow(name) << name << 3;
        QTest::newRow("nsdSpiralWidthEdit") << "nsdSpiralWidthEdit" << 2;
    }

    void validators()
    {
        QFETCH(QString, edit);
        QFETCH(int, decimals);
        MainWindow w(prompts);
        const auto *field = w.findChild<QLineEdit *>(edit);
        QVERIFY(field);
        const auto *validator = qobject_cast<const QDoubleValidator *>(field->validator());
        QVERIFY(validator);
        QCOMPARE(validator->parent(), field);
        auto state = [validator](QString text) {
            int position = 0;
            return validator->validate(text, position);
        };
        // The smallest value that the allowed decimals can write.
        QCOMPARE(state(QStringLiteral("0.") + QString(decimals - 1, QLatin1Char('0')) + '1'),
                 QValidator::Acceptable);
        QCOMPARE(state(QStringLiteral("1000000")), QValidator::Acceptable);
        QVERIFY(state(QStringLiteral("0")) != QValidator::Acceptable);
        QVERIFY(state(QStringLiteral("1000001")) != QValidator::Acceptable);
        // The conversion would read it as 1.
        QVERIFY(state(QStringLiteral("1,000")) != QValidator::Acceptable);
        QCOMPARE(state(QStringLiteral("1.") + QString(decimals, QLatin1Char('5'))),
                 QValidator::Acceptable);
        QVERIFY(state(QStringLiteral("1.") + QString(decimals + 1, QLatin1Char('5'))) !=
                QValidator::Acceptable);
        // Decimals are those of the value, as the command line counts them.
        QVERIFY(state(QStringLiteral("1.5e-") + QString::number(decimals)) !=
                QValidator::Acceptable);
        QCOMPARE(state(QStringLiteral("1.2345e2")), QValidator::Acceptable);
    }

    // Text that never ends the edit must not go unnoticed; acceptable text clears the mark.
    void unacceptableTextIsMarked()
    {
        MainWindow w(prompts);
        QLineEdit *edit = form(w).nsdSpiralWidthEdit;
        edit->setText(QStringLiteral("1.005"));
        QVERIFY(edit->styleSheet().contains(QStringLiteral("red")));
        QCOMPARE(edit->toolTip(), QStringLiteral("Conductor Track Width\nAllowed: 0.001 to "
                                                 "1000000 with at most 2 decimals, with a point "
                                                 "as the decimal separator"));
        edit->setText(QStringLiteral("1000000"));
        QCOMPARE(edit->styleSheet() + edit->toolTip(), QStringLiteral("Conductor Track Width"));
    }

    // At the first start's size every tab fits the widest accepted value in its fields, and
    // neither showing a tab nor new output text moves anything.
    void fieldsFitOnEveryTab()
    {
        MainWindow w(prompts);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(20); // the layout requests of the first show
        const QSize size = w.size();
        const QRect formPlace = form(w).tabWidget->geometry();
        QWidget *outputGroup = form(w).CreateSpiralButton->parentWidget();
        const QRect outputPlace = outputGroup->geometry();
        for (int tab = 0; tab < form(w).tabWidget->count(); ++tab) {
            form(w).tabWidget->setCurrentIndex(tab);
            form(w).GeometryLabel->setText(
                tab % 2 ? QStringLiteral("\u2013")
                        : QStringLiteral("12.34 nH (12.56 nH at ref. planes)"));
            QTest::qWait(20); // layout requests post further ones
            QCOMPARE(w.size(), size);
            QCOMPARE(form(w).tabWidget->geometry(), formPlace);
            QCOMPARE(outputGroup->geometry(), outputPlace);
            for (const QLineEdit *edit : form(w).tabWidget->widget(tab)->findChildren<QLineEdit *>(
                     QRegularExpression(QStringLiteral("Edit$")))) {
                const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
                const int text =
                    edit->fontMetrics().horizontalAdvance(QStringLiteral("123456.789"));
                QVERIFY2(edit->width() - 2 * frame - 4 >= text, qPrintable(edit->objectName()));
            }
        }
    }

    // Every field of every tab reaches that tab's spiral: distinct numbers everywhere, and the
    // two differential tabs' boxes set opposite ways, then swapped.
    void eachTabReadsItsOwnFields()
    {
        MainWindow w(prompts);
        const QRegularExpression edits(QStringLiteral("Edit$"));
        int next = 11;
        for (QLineEdit *edit : form(w).tabWidget->findChildren<QLineEdit *>(edits))
            edit->setText(QString::number(next++));
        form(w).rsTurnsDoubleSpinBox->setValue(3.25);
        form(w).nsTurnsDoubleSpinBox->setValue(4.5);
        form(w).rsdTurnsSpinBox->setValue(5);
        form(w).nsdTurnsSpinBox->setValue(7);
        form(w).nsSidesSpinBox->setValue(6);
        form(w).nsdSidesSpinBox->setValue(10);
        const auto value = [&w](const QString &at, const char *field) {
            return w.findChild<QLineEdit *>(at + QLatin1String(field))->text().toDouble();
        };
        for (const bool rsdTicked : {true, false}) {
            for (QCheckBox *box : {form(w).rsdFeedAutoCheckBox, form(w).rsdCenterTapCheckBox})
                box->setChecked(rsdTicked);
            for (QCheckBox *box : {form(w).nsdFeedAutoCheckBox, form(w).nsdCenterTapCheckBox})
                box->setChecked(!rsdTicked);
            for (int tab = 0; tab < 4; ++tab) {
                const SpiralParameters p = w.tabParameters(tab);
                const QString at = QStringList{"rs", "ns", "rsd", "nsd"}[tab];
                const bool differential = tab >= 2;
                const bool ticked = differential && rsdTicked == (tab == 2);
                QCOMPARE(
                    (QList<double>{p.turns, tab % 2 ? p.sides : 0.0, p.radius, p.spiralWidth,
                                   p.spacing, p.bridgeWidth, differential ? p.feedSpacing : 0.0}),
                    (QList<double>{QList<double>{3.25, 4.5, 5, 7}[tab],
                                   QList<double>{0, 6, 0, 10}[tab], value(at, "RadiusEdit"),
                                   value(at, "SpiralWidthEdit"), value(at, "SpacingEdit"),
                                   value(at, "BridgeWidthEdit"),
                                   differential ? value(at, "FeedSpacingEdit") : 0.0}));
                if (differential)
                    QCOMPARE((QList<bool>{p.feedSpacingAuto, p.centerTap}), QList<bool>(2, ticked));
            }
        }
    }

    // The combo indices are stored, so their order is part of the settings format; the
    // pictures come from the resources that main and the tests register.
    void unitItemsAndPictures()
    {
        MainWindow w(prompts);
        QStringList lengths, inductances;
        for (int i = 0; i < form(w).lengthUnitComboBox->count(); ++i)
            lengths << form(w).lengthUnitComboBox->itemText(i);
        for (int i = 0; i < form(w).inductanceUnitComboBox->count(); ++i)
            inductances << form(w).inductanceUnitComboBox->itemText(i);
        QCOMPARE(lengths, (QStringList{"mil", "in", "um", "mm", "cm", "m"}));
        QCOMPARE(inductances, (QStringList{"H", "mH", "uH", "nH", "pH", "fH"}));
        for (const QLabel *picture : {form(w).SpiralBMPLabel, form(w).nsSpiralBMPLabel,
                                      form(w).SpiralBMPLabel_2, form(w).SpiralBMPLabel_3})
            QVERIFY(!picture->pixmap().isNull());
    }

    // Each mnemonic moves the focus to the field in its own row.
    void mnemonics_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("field");
        QTest::newRow("round turns") << 0 << "label"
                                     << "rsTurnsDoubleSpinBox";
        QTest::newRow("round width") << 0 << "rsWidthLabel"
                                     << "rsSpiralWidthEdit";
        QTest::newRow("n spacing") << 1 << "rsSpacingLabel_2"
                                   << "nsSpacingEdit";
        QTest::newRow("rd radius") << 2 << "rsRadiusLabel_3"
                                   << "rsdRadiusEdit";
        QTest::newRow("nd turns") << 3 << "label_8"
                                  << "nsdTurnsSpinBox";
        QTest::newRow("nd radius") << 3 << "rsRadiusLabel_4"
                                   << "nsdRadiusEdit";
    }

    void mnemonics()
    {
        QFETCH(int, tab);
        QFETCH(QString, label);
        QFETCH(QString, field);
        MainWindow w(prompts);
        form(w).tabWidget->setCurrentIndex(tab);
        const auto *caption = w.findChild<QLabel *>(label);
        QVERIFY(caption);
        QCOMPARE(caption->buddy(), w.findChild<QWidget *>(field));
    }

    // Tab from the tab bar reaches the round fields first, in their row order.
    void tabOrderStartsWithTheRoundFields()
    {
        MainWindow w(prompts);
        form(w).tabWidget->setCurrentIndex(0);
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        form(w).tabWidget->setFocus(Qt::TabFocusReason);
        QList<QWidget *> reached;
        for (int press = 0; press < 12 && reached.size() < 4; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *focus = QApplication::focusWidget();
            if (!focus->objectName().startsWith(QLatin1String("qt_")) &&
                !qobject_cast<QToolButton *>(focus)) // the tab bar's scroll arrows
                reached.append(focus);
        }
        QCOMPARE(reached, (QList<QWidget *>{form(w).rsTurnsDoubleSpinBox, form(w).rsSpiralWidthEdit,
                                            form(w).rsSpacingEdit, form(w).rsRadiusEdit}));
    }

    // --- Estimate -------------------------------------------------------------------------

    void estimateWithoutTemplate()
    {
        MainWindow w(prompts);
        form(w).rsTurnsDoubleSpinBox->setValue(3);
        typeAndFinish(form(w).rsSpiralWidthEdit, QStringLiteral("10"));
        typeAndFinish(form(w).rsSpacingEdit, QStringLiteral("5"));
        typeAndFinish(form(w).rsRadiusEdit, QStringLiteral("50"));
        QCOMPARE(form(w).SizeXLabel->text(), QStringLiteral("200 / 200"));
        QCOMPARE(form(w).InductanceLabel->text(), QStringLiteral("n/a"));

        form(w).rsdTurnsSpinBox->setValue(3);
        form(w).rsdSpiralWidthEdit->setText(QStringLiteral("10"));
        form(w).rsdSpacingEdit->setText(QStringLiteral("5"));
        form(w).rsdRadiusEdit->setText(QStringLiteral("50"));
        QCOMPARE(form(w).SizeXLabel->text(), QStringLiteral("200 / 200")); // other tab: no rerun
        form(w).tabWidget->setCurrentIndex(2);
        QCOMPARE(form(w).SizeXLabel->text(), QStringLiteral("200 / 222.071"));
        QCOMPARE(form(w).InductanceLabel->text(), QStringLiteral("n/a"));
        form(w).tabWidget->setCurrentIndex(0);
        QCOMPARE(form(w).SizeXLabel->text(), QStringLiteral("200 / 200"));
    }

    void radiusHint_data()
    {
        QTest::addColumn<bool>("withTemplate");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("spacing");
        QTest::addColumn<int>("sides");
        QTest::addColumn<QString>("hint");
        QTest::newRow("no template") << false << "10"
                                     << "10" << 8 << "(min > 41.2132)";
        QTest::newRow("cell size wins") << true << "4"
                                        << "6" << 4 << "(min > 15)";
    }

    void radiusHint()
    {
        QFETCH(bool, withTemplate);
        QFETCH(QString, width);
        QFETCH(QString, spacing);
        QFETCH(int, sides);
        QFETCH(QString, hint);
        if (withTemplate) {
            // 400 wide in y over 80 cells: a cell of 5.
            storeSetting(QStringLiteral("Base/SonTemplate"),
                         writeFile(folder.filePath(QStringLiteral("cells.son")),
                                   templateText(3, {}, "UM", "NH", 400, 160)));
            storeSetting(QStringLiteral("Base/LengthIndex"), 2); // um, the template's own
        }
        MainWindow w(prompts);
        QCOMPARE(w.session().document() != nullptr, withTemplate);
        form(w).tabWidget->setCurrentIndex(3);
        form(w).nsdSidesSpinBox->setValue(sides);
        typeAndFinish(form(w).nsdSpiralWidthEdit, width);
        typeAndFinish(form(w).nsdSpacingEdit, spacing);
        QCOMPARE(form(w).nsdMinRadiusLabel->text(), hint);
        // The hint stays while another tab is shown.
        form(w).tabWidget->setCurrentIndex(0);
        QCOMPARE(form(w).nsdMinRadiusLabel->text(), hint);
    }

    // Every field the output depends on re-runs it as it is typed; text out of range gives
    // "–" instead of numbers for other values. The panel's labels are marked and looked at again.
    void estimateFollowsTheFields_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("size"); // empty: a computed size
        const QString none = QStringLiteral("\u2013");
        QTest::newRow("round width") << 0 << "rsSpiralWidthEdit"
                                     << "12"
                                     << "12" << QString();
        QTest::newRow("round radius") << 0 << "rsRadiusEdit"
                                      << "30"
                                      << "30" << QString();
        QTest::newRow("round bridge") << 0 << "rsBridgeWidthEdit"
                                      << "12"
                                      << "12" << QString();
        QTest::newRow("round below range") << 0 << "rsSpacingEdit"
                                           << "0"
                                           << "0" << none;
        QTest::newRow("round above range") << 0 << "rsSpacingEdit"
                                           << "1000001"
                                           << "1000001" << none;
        QTest::newRow("round comma") << 0 << "rsSpacingEdit"
                                     << "2,5"
                                     << "2,5" << none;
        // A decimal beyond the allowed ones cannot be typed at all.
        QTest::newRow("round 4 decimals") << 0 << "rsSpacingEdit"
                                          << "1.2345"
                                          << "1.234" << QString();
        QTest::newRow("n bridge") << 1 << "nsBridgeWidthEdit"
                                  << "7"
                                  << "7" << QString();
        QTest::newRow("rd feed") << 2 << "rsdFeedSpacingEdit"
                                 << "7"
                                 << "7" << QString();
        QTest::newRow("nd width 3 decimals") << 3 << "nsdSpiralWidthEdit"
                                             << "8.125"
                                             << "8.12" << QString();
        QTest::newRow("nd centre tap width") << 3 << "nsdBridgeWidthEdit"
                                             << "0"
                                             << "0" << none;
    }

    void estimateFollowsTheFields()
    {
        QFETCH(int, tab);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(QString, size);
        MainWindow w(prompts);
        form(w).tabWidget->setCurrentIndex(tab);
        auto *edit = w.findChild<QLineEdit *>(field);
        QVERIFY(edit);
        edit->setEnabled(true);
        edit->clear();
        form(w).SizeXLabel->setText(QStringLiteral("mark"));
        // Typed key by key, without finishing the edit.
        QTest::keyClicks(edit, text);
        QCOMPARE(edit->text(), shown);
        if (size.isEmpty())
            QVERIFY(form(w).SizeXLabel->text().contains(QLatin1Char('/')));
        else
            QCOMPARE(form(w).SizeXLabel->text(), size);
        const bool computed = size.isEmpty();
        QCOMPARE(form(w).InductanceLabel->text() == QStringLiteral("\u2013"), !computed);
        QCOMPARE(form(w).SizeXLabel->toolTip().contains(QStringLiteral("out of range")), !computed);
    }

    void spinBoxesAndTabsRerun()
    {
        MainWindow w(prompts);
        const auto marked = [&w] {
            const bool rerun = form(w).SizeXLabel->text() != QStringLiteral("mark");
            form(w).SizeXLabel->setText(QStringLiteral("mark"));
            return rerun;
        };
        marked();
        form(w).rsTurnsDoubleSpinBox->setValue(4);
        QVERIFY(marked());
        form(w).tabWidget->setCurrentIndex(1);
        QVERIFY(marked());
        form(w).nsSidesSpinBox->setValue(6);
        QVERIFY(marked());
        form(w).nsTurnsDoubleSpinBox->setValue(3.5);
        QVERIFY(marked());
        form(w).tabWidget->setCurrentIndex(2);
        QVERIFY(marked());
        form(w).rsdTurnsSpinBox->setValue(4);
        QVERIFY(marked());
        // The feed and the centre tap change the geometry value.
        form(w).rsdFeedAutoCheckBox->setChecked(false);
        QVERIFY(marked());
        form(w).rsdCenterTapCheckBox->setChecked(false);
        QVERIFY(marked());
        form(w).tabWidget->setCurrentIndex(3);
        QVERIFY(marked());
        form(w).nsdTurnsSpinBox->setValue(4);
        QVERIFY(marked());
        form(w).nsdSidesSpinBox->setValue(10);
        QVERIFY(marked());
    }

    // --- Units ----------------------------------------------------------------------------

    void lengthUnitChangeWithTemplate()
    {
        storeSetting(QStringLiteral("Base/SonTemplate"), builtInTemplatePath());
        storeSetting(QStringLiteral("Base/LengthIndex"), 3); // mm
        MainWindow w(prompts);
        QVERIFY(w.session().document());
        QCOMPARE(w.session().document()->dimension.lengthUnit, QStringLiteral("mm"));
        const QString size = form(w).SizeXLabel->text();
        const double inMillimetres = leadingNumber(form(w).InductanceLabel->text());
        QVERIFY(inMillimetres > 0);

        form(w).lengthUnitComboBox->setCurrentIndex(0);
        for (const QLabel *label : lengthUnitLabels(w))
            QCOMPARE(label->text(), QStringLiteral("mil"));
        QCOMPARE(w.session().document()->dimension.lengthUnit, QStringLiteral("mil"));
        QCOMPARE(form(w).SizeXLabel->text(), size);
        QCOMPARE(form(w).rsSpiralWidthEdit->text(), QStringLiteral("10.0"));
        const double inMils = leadingNumber(form(w).InductanceLabel->text());
        QVERIFY2(qAbs(inMils / inMillimetres - 0.0254) < 1e-5,
                 qPrintable(form(w).InductanceLabel->text()));
    }

    // The selector changes the unit of the typed values, never the size of the technology:
    // the box and the stack are converted, from the file's own numbers each time.
    void lengthUnitKeepsTheTechnologysSize()
    {
        storeSetting(QStringLiteral("Base/SonTemplate"), builtInTemplatePath());
        storeSetting(QStringLiteral("Base/LengthIndex"), 2); // um, the file's own
        MainWindow w(prompts);
        const GeometryBlock inMicrons = w.session().document()->geometry;
        const auto sizes = [&w] {
            const GeometryBlock &g = w.session().document()->geometry;
            return QList<double>{g.box.xWidth, g.box.yWidth, g.dielectricLayers.last().thickness};
        };
        const QList<double> original = sizes();
        for (const int index : {0, 3, 5, 2}) { // mil, mm, m, back to um
            form(w).lengthUnitComboBox->setCurrentIndex(index);
            const double metres = MetresPerLengthUnit(form(w).lengthUnitComboBox->currentText());
            const QList<double> now = sizes();
            for (qsizetype i = 0; i < now.size(); ++i)
                QVERIFY(qAbs(now[i] * metres / (original[i] * 1e-6) - 1) < 1e-9);
        }
        QCOMPARE(w.session().document()->geometry, inMicrons);
    }

    void inductanceUnitChangeWithTemplate()
    {
        storeSetting(QStringLiteral("Base/SonTemplate"), builtInTemplatePath());
        storeSetting(QStringLiteral("Base/InductanceIndex"), 3); // nH
        MainWindow w(prompts);
        const double nanohenries = leadingNumber(form(w).InductanceLabel->text());
        QSignalSpy changed(form(w).inductanceUnitComboBox, &QComboBox::currentIndexChanged);
        form(w).inductanceUnitComboBox->setCurrentIndex(4);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(form(w).InductanceUnitLabel->text(), QStringLiteral("pH"));
        QCOMPARE(w.session().document()->dimension.inductanceUnit, QStringLiteral("pH"));
        QVERIFY(qAbs(leadingNumber(form(w).InductanceLabel->text()) / nanohenries - 1000) < 0.01);
    }

    void unitChangeWithoutTemplate()
    {
        MainWindow w(prompts);
        form(w).SizeXLabel->setText(QStringLiteral("mark"));
        form(w).lengthUnitComboBox->setCurrentIndex(2);
        QCOMPARE(form(w).SizeXUnitLabel->text(), QStringLiteral("um"));
        QVERIFY(form(w).SizeXLabel->text() != QStringLiteral("mark"));
        form(w).inductanceUnitComboBox->setCurrentIndex(5);
        QCOMPARE(form(w).InductanceUnitLabel->text(), QStringLiteral("fH"));
        QCOMPARE(form(w).InductanceLabel->text(), QStringLiteral("n/a"));
    }

    // --- Enable rules ---------------------------------------------------------------------

    void enableRules_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("enabledWhenChecked");
        QTest::newRow("rd auto") << "rsdFeedAutoCheckBox"
                                 << "rsdFeedSpacingEdit" << false;
        QTest::newRow("nd auto") << "nsdFeedAutoCheckBox"
                                 << "nsdFeedSpacingEdit" << false;
        QTest::newRow("rd tap") << "rsdCenterTapCheckBox"
                                << "rsdBridgeWidthEdit" << true;
        QTest::newRow("nd tap") << "nsdCenterTapCheckBox"
                                << "nsdBridgeWidthEdit" << true;
    }

    void enableRules()
    {
        QFETCH(QString, box);
        QFETCH(QString, field);
        QFETCH(bool, enabledWhenChecked);
        MainWindow w(prompts);
        form(w).tabWidget->setCurrentIndex(box.startsWith('r') ? 2 : 3);
        auto *check = w.findChild<QCheckBox *>(box);
        auto *edit = w.findChild<QLineEdit *>(field);
        QVERIFY(check && edit);
        form(w).SizeXLabel->setText(QStringLiteral("mark"));
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(check->checkState(), Qt::Unchecked);
        QCOMPARE(edit->isEnabled(), !enabledWhenChecked);
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(edit->isEnabled(), enabledWhenChecked);
        check->setTristate(true);
        check->setCheckState(Qt::PartiallyChecked);
        QCOMPARE(edit->isEnabled(), !enabledWhenChecked);
        QVERIFY(form(w).SizeXLabel->text() != QStringLiteral("mark"));
    }

    void keyboardShortcuts()
    {
        storeSetting(QStringLiteral("Base/SonTemplate"), builtInTemplatePath());
        storeSetting(QStringLiteral("Base/LengthIndex"), 2); // um: the spiral fits the box
        MainWindow w(prompts);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        prompts.fileNames << QString() << QString(); // both file dialogs cancelled
        for (int dialogs = 0; dialogs < 2; ++dialogs)
            prompts.dialogHandlers << [](QDialog &) {
                return 0;
            };
        // Button shortcuts click with their short animation.
        QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
        QTRY_COMPARE(prompts.kinds(), (QStringList{"open"}));
        QTest::keyClick(&w, Qt::Key_F1);
        QTRY_COMPARE(prompts.kinds(), (QStringList{"open", "dialog"}));
        QTest::keyClick(&w, Qt::Key_Return, Qt::ControlModifier);
        QTRY_COMPARE(prompts.kinds(), (QStringList{"open", "dialog", "save"}));
        QCOMPARE(prompts.asked[2].text, QStringLiteral("Create Simulation File"));
        w.activateWindow(); // the About dialog took the focus
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // No menu has been opened: the menu's keys work all the same.
        QTest::keyClick(&w, Qt::Key_E, Qt::ControlModifier);
        QTRY_COMPARE(prompts.kinds().size(), 4);
        QCOMPARE(prompts.asked[3].text, QStringLiteral("ExportLayoutDialog"));
        QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!w.isVisible());
    }

    // --- Settings between runs ------------------------------------------------------------

    void closeWays_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("File > Close") << true;
        QTest::newRow("close button") << false;
    }

    void closeWays()
    {
        QFETCH(bool, byMenu);
        QMap<QString, QString> written;
        const QString templatePath = builtInTemplatePath();
        {
            prompts.fileNames << templatePath;
            MainWindow w(prompts);
            w.show();
            QTest::mouseClick(form(w).OpenTechButton, Qt::LeftButton);
            form(w).tabWidget->setCurrentIndex(2);
            form(w).lengthUnitComboBox->setCurrentIndex(4);
            form(w).inductanceUnitComboBox->setCurrentIndex(1);
            form(w).rsTurnsDoubleSpinBox->setValue(5.75);
            form(w).nsTurnsDoubleSpinBox->setValue(1.25);
            form(w).nsSidesSpinBox->setValue(11);
            form(w).rsdTurnsSpinBox->setValue(7);
            form(w).nsdTurnsSpinBox->setValue(9);
            form(w).nsdSidesSpinBox->setValue(12);
            // Texts as typed, also ones the validators would not let through.
            const QStringList texts{"1.500",  "0",   "2e1", "abc",        " 7",
                                    "0012.5", "1,5", "",    "999999.999", "3.14159"};
            int i = 0;
            for (QLineEdit *edit : w.findChildren<QLineEdit *>()) {
                if (edit->objectName().endsWith(QLatin1String("Edit")) &&
                    edit != form(w).TechTemplateFileEdit) {
                    edit->setText(texts[i % texts.size()] + QString::number(i));
                    ++i;
                }
            }
            form(w).rsdFeedAutoCheckBox->setChecked(false);
            form(w).nsdCenterTapCheckBox->setChecked(false);
            w.move(123, 145);
            // Within the 800 pixels of the test screen, which a restored window fits into.
            w.resize(w.minimumSizeHint() + QSize(37, 66));
            written = formState(w);
            written[QStringLiteral("geometry")] =
                QStringLiteral("%1 %2").arg(w.size().width()).arg(w.size().height());
            if (byMenu)
                form(w).actionClose->trigger();
            else
                QVERIFY(w.close());
            QVERIFY(!w.isVisible());
        }
        QCOMPARE(storedSetting(QStringLiteral("roundDiffSpiral/FeedSpacingAuto")).toInt(), 0);
        QCOMPARE(storedSetting(QStringLiteral("nSidedDiffSpiral/FeedSpacingAuto")).toInt(), 2);
        QCOMPARE(storedSetting(QStringLiteral("Base/SonTemplate")).toString(), templatePath);
        MainWindow next(prompts);
        QMap<QString, QString> read = formState(next);
        read[QStringLiteral("geometry")] =
            QStringLiteral("%1 %2").arg(next.size().width()).arg(next.size().height());
        QCOMPARE(read, written);
        QCOMPARE(next.pos(), QPoint(123, 145));
        QVERIFY(next.session().document());
        QVERIFY(form(next).rsdFeedSpacingEdit->isEnabled());
        QVERIFY(!form(next).nsdBridgeWidthEdit->isEnabled());
        QCOMPARE(next.session().document()->dimension.lengthUnit, QStringLiteral("cm"));
    }

    void storedIndicesOverrideTemplateUnits()
    {
        storeSetting(QStringLiteral("Base/SonTemplate"), builtInTemplatePath()); // UM, NH
        storeSetting(QStringLiteral("Base/LengthIndex"), 0);
        storeSetting(QStringLiteral("Base/InductanceIndex"), 3);
        MainWindow w(prompts);
        QCOMPARE(form(w).lengthUnitComboBox->currentText(), QStringLiteral("mil"));
        QCOMPARE(form(w).inductanceUnitComboBox->currentText(), QStringLiteral("nH"));
        QCOMPARE(w.session().document()->dimension.lengthUnit, QStringLiteral("mil"));
        QVERIFY(form(w).InductanceLabel->text() != QStringLiteral("n/a"));
    }

    // An index that names no entry must not leave a combo box without a unit.
    void outOfRangeStoredIndicesAreIgnored()
    {
        storeSetting(QStringLiteral("Base/SonTemplate"), builtInTemplatePath());
        storeSetting(QStringLiteral("Base/LengthIndex"), 9);
        storeSetting(QStringLiteral("Base/InductanceIndex"), -1);
        storeSetting(QStringLiteral("Base/SpiralType"), 7);
        MainWindow w(prompts);
        QCOMPARE(form(w).lengthUnitComboBox->currentText(), QStringLiteral("um"));
        QCOMPARE(form(w).inductanceUnitComboBox->currentText(), QStringLiteral("nH"));
        QCOMPARE(w.session().document()->dimension.lengthUnit, QStringLiteral("um"));
        QCOMPARE(form(w).tabWidget->currentIndex(), 3);
    }

    // The window always starts: a template that is missing, endless or blocking is skipped.
    void storedTemplateThatCannotBeRead_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::newRow("missing") << folder.filePath(QStringLiteral("gone.son"));
        QTest::newRow("endless") << QStringLiteral("/dev/zero");
        QTest::newRow("FIFO") << folder.filePath(QStringLiteral("fifo.son"));
    }

    void storedTemplateThatCannotBeRead()
    {
        QFETCH(QString, missing);
        mkfifo(QFile::encodeName(folder.filePath(QStringLiteral("fifo.son"))).constData(), 0600);
        storeSetting(QStringLiteral("Base/SonTemplate"), missing);
        {
            MainWindow w(prompts);
            QVERIFY(prompts.asked.isEmpty());
            QCOMPARE(form(w).TechTemplateFileEdit->text(), missing);
            QVERIFY(!w.session().document());
            QVERIFY(!form(w).CreateSpiralButton->isEnabled());
            QCOMPARE(form(w).InductanceLabel->text(), QStringLiteral("n/a"));
            w.close();
        }
        QCOMPARE(storedSetting(QStringLiteral("Base/SonTemplate")).toString(), missing);
    }

    void storedPlacementFitsTheScreen()
    {
        storeSetting(QStringLiteral("pos"), QPoint(-99999999, 99999999));
        storeSetting(QStringLiteral("size"), QSize(99999999, 99999999));
        MainWindow w(prompts);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(area.contains(QRect(w.pos(), w.size())));
        QCOMPARE(w.size(), w.size().expandedTo(w.minimumSizeHint()));
    }
};

TORVANE_GUI_TEST_MAIN(MainWindowTest)
#include "test_gui_mainwindow.moc"
