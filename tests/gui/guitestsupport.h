#pragma once

#include "gui/window/userprompts.h"

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>

#include "gui/preview/previewdock.h"
#include "gui/preview/previewpanel.h"
#include "gui/window/mainwindow.h"
class QObject;

// Answers the window's prompts from queues and records every one of them.
class ScriptedPrompts : public UserPrompts
{
public:
    struct Prompt
    {
        QString kind; // "question", "critical", "information", "open", "save", "dialog"
        QString title;
        QString text; // message text, file dialog caption, or the dialog's class name
        QString dir;
        QString filter;
        QString defaultSuffix;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton; // questions only
    };

    QList<QMessageBox::StandardButton> answers;
    QStringList fileNames;
    // Each gets the dialog and returns its result (it may click the dialog's own buttons).
    QList<std::function<int(QDialog &)>> dialogHandlers;

    QList<Prompt> asked;
    // Prompts that found no queued answer.
    QStringList unanswered;

    QMessageBox::StandardButton question(QWidget *, const QString &title, const QString &text,
                                         QMessageBox::StandardButton defaultButton) override;
    void critical(QWidget *, const QString &title, const QString &text) override;
    void information(QWidget *, const QString &title, const QString &text) override;
    QString openFileName(QWidget *, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString saveFileName(QWidget *, const QString &caption, const QString &dir,
                         const QString &filter, const QString &defaultSuffix = {}) override;
    int exec(QDialog &dialog) override;

    QStringList kinds() const;
    void reset() { *this = ScriptedPrompts(); }
};

// The common ground of the window tests: a temporary folder, scripted prompts, an empty
// settings store before each test and no prompt left unanswered after it.
class WindowTestCase : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir folder;
    ScriptedPrompts prompts;

    // The built-in template, written into the folder.
    QString builtInTemplatePath();

protected slots:
    void init();
    void cleanup();
};

// Sets up a headless application whose settings, home and data folders are temporary,
// then runs the test object.
int runGuiTest(QObject &test, int argc, char **argv);

#define TORVANE_GUI_TEST_MAIN(TestClass)                                                           \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        TestClass test;                                                                            \
        return runGuiTest(test, argc, argv);                                                       \
    }

// The xGeom file dialog's filter on Linux, where programs have no suffix.
inline const QString xgeomFilter = QStringLiteral("All Files (*);;Executable Files(*.exe)");

// Empties the store that every MainWindow reads and writes.
void clearStoredSettings();
void storeSetting(const QString &key, const QVariant &value);
QVariant storedSetting(const QString &key);

// A small template: `layers` dielectric layers (layers - 1 metal levels) of 10 um in a box of
// `boxWidth` with `yCells2` doubled cells along y, the given unit names and header lines.
QByteArray templateText(int layers, const QStringList &headerLines = {},
                        const QString &lengthUnit = QStringLiteral("UM"),
                        const QString &inductanceUnit = QStringLiteral("NH"), double boxWidth = 400,
                        int yCells2 = 800);
QString writeFile(const QString &fileName, const QByteArray &content);

// Types the text into the field and presses Return, as a user finishes an edit.
void typeAndFinish(QLineEdit *edit, const QString &text);

// Every field, spin box, check box, combo box and the current tab, by object name.
QMap<QString, QString> formState(const MainWindow &window);

// The window's form widgets that the tests use, by type and object name.
#define TORVANE_FORM_WIDGETS(X)                                                                    \
    X(QPushButton, CreateSpiralButton)                                                             \
    X(QPushButton, EditLayersButton)                                                               \
    X(QLabel, GeometryLabel)                                                                       \
    X(QLabel, InductanceLabel)                                                                     \
    X(QLabel, InductanceUnitLabel)                                                                 \
    X(QPushButton, OpenTechButton)                                                                 \
    X(QLabel, SizeXLabel)                                                                          \
    X(QLabel, SizeXUnitLabel)                                                                      \
    X(QLabel, SpiralBMPLabel)                                                                      \
    X(QLabel, SpiralBMPLabel_2)                                                                    \
    X(QLabel, SpiralBMPLabel_3)                                                                    \
    X(QLineEdit, TechTemplateFileEdit)                                                             \
    X(QAction, actionAbout)                                                                        \
    X(QAction, actionClose)                                                                        \
    X(QAction, actionOpenExampleTemplate)                                                          \
    X(QAction, actionSetup)                                                                        \
    X(QComboBox, inductanceUnitComboBox)                                                           \
    X(QComboBox, lengthUnitComboBox)                                                               \
    X(QMenu, menu_File)                                                                            \
    X(QLineEdit, nsBridgeWidthEdit)                                                                \
    X(QLabel, nsBridgeWidthUnitlabel)                                                              \
    X(QLineEdit, nsRadiusEdit)                                                                     \
    X(QSpinBox, nsSidesSpinBox)                                                                    \
    X(QLineEdit, nsSpacingEdit)                                                                    \
    X(QLabel, nsSpiralBMPLabel)                                                                    \
    X(QLabel, nsSpiralRadiusUnitlabel)                                                             \
    X(QLabel, nsSpiralSpacingUnitlabel)                                                            \
    X(QLineEdit, nsSpiralWidthEdit)                                                                \
    X(QLabel, nsSpiralWidthUnitlabel)                                                              \
    X(QDoubleSpinBox, nsTurnsDoubleSpinBox)                                                        \
    X(QLineEdit, nsdBridgeWidthEdit)                                                               \
    X(QLabel, nsdBridgeWidthUnitlabel)                                                             \
    X(QCheckBox, nsdCenterTapCheckBox)                                                             \
    X(QCheckBox, nsdFeedAutoCheckBox)                                                              \
    X(QLineEdit, nsdFeedSpacingEdit)                                                               \
    X(QLabel, nsdFeedWithUnitLabel)                                                                \
    X(QLabel, nsdMinRadiusLabel)                                                                   \
    X(QLineEdit, nsdRadiusEdit)                                                                    \
    X(QSpinBox, nsdSidesSpinBox)                                                                   \
    X(QLineEdit, nsdSpacingEdit)                                                                   \
    X(QLabel, nsdSpiralRadiusUnitlabel)                                                            \
    X(QLabel, nsdSpiralSpacingUnitlabel)                                                           \
    X(QLineEdit, nsdSpiralWidthEdit)                                                               \
    X(QLabel, nsdSpiralWidthUnitlabel)                                                             \
    X(QSpinBox, nsdTurnsSpinBox)                                                                   \
    X(QLineEdit, rsBridgeWidthEdit)                                                                \
    X(QLabel, rsBridgeWidthUnitlabel)                                                              \
    X(QLineEdit, rsRadiusEdit)                                                                     \
    X(QLineEdit, rsSpacingEdit)                                                                    \
    X(QLabel, rsSpiralRadiusUnitlabel)                                                             \
    X(QLabel, rsSpiralSpacingUnitlabel)                                                            \
    X(QLineEdit, rsSpiralWidthEdit)                                                                \
    X(QLabel, rsSpiralWidthUnitlabel)                                                              \
    X(QDoubleSpinBox, rsTurnsDoubleSpinBox)                                                        \
    X(QLineEdit, rsdBridgeWidthEdit)                                                               \
    X(QLabel, rsdBridgeWidthUnitlabel)                                                             \
    X(QCheckBox, rsdCenterTapCheckBox)                                                             \
    X(QCheckBox, rsdFeedAutoCheckBox)                                                              \
    X(QLineEdit, rsdFeedSpacingEdit)                                                               \
    X(QLabel, rsdFeedWithUnitLabel)                                                                \
    X(QLineEdit, rsdRadiusEdit)                                                                    \
    X(QLineEdit, rsdSpacingEdit)                                                                   \
    X(QLabel, rsdSpiralRadiusUnitlabel)                                                            \
    X(QLabel, rsdSpiralSpacingUnitlabel)                                                           \
    X(QLineEdit, rsdSpiralWidthEdit)                                                               \
    X(QLabel, rsdSpiralWidthUnitlabel)                                                             \
    X(QSpinBox, rsdTurnsSpinBox)                                                                   \
    X(QTabWidget, tabWidget)

// The window's form, found by object name as a user finds it by its label: the window keeps
// its form to itself.
struct Form
{
    explicit Form(const QWidget &window);
#define TORVANE_FORM_MEMBER(Type, name) Type *name = nullptr;
    TORVANE_FORM_WIDGETS(TORVANE_FORM_MEMBER)
#undef TORVANE_FORM_MEMBER
};

inline Form form(const QWidget &window)
{
    return Form(window);
}
