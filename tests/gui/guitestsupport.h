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

class MainWindow;
class QLineEdit;
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
    };

    QList<QMessageBox::StandardButton> answers;
    QStringList fileNames;
    // Each gets the dialog and returns its result (it may click the dialog's own buttons).
    QList<std::function<int(QDialog &)>> dialogHandlers;

    QList<Prompt> asked;
    // Prompts that found no queued answer.
    QStringList unanswered;

    QMessageBox::StandardButton question(QWidget *, const QString &title,
                                         const QString &text) override;
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
