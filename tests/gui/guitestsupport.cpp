#include "guitestsupport.h"

#include "core/template/builtintemplate.h"
#include "gui/window/appsettings.h"
#include "gui/window/mainwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>

using namespace torvane;

QMessageBox::StandardButton ScriptedPrompts::question(QWidget *, const QString &title,
                                                      const QString &text,
                                                      QMessageBox::StandardButton defaultButton)
{
    asked.append({QStringLiteral("question"), title, text, {}, {}, {}, defaultButton});
    if (answers.isEmpty()) {
        unanswered.append(text);
        return QMessageBox::No;
    }
    return answers.takeFirst();
}

void ScriptedPrompts::critical(QWidget *, const QString &title, const QString &text)
{
    asked.append({QStringLiteral("critical"), title, text, {}, {}, {}});
}

void ScriptedPrompts::information(QWidget *, const QString &title, const QString &text)
{
    asked.append({QStringLiteral("information"), title, text, {}, {}, {}});
}

QString ScriptedPrompts::openFileName(QWidget *, const QString &caption, const QString &dir,
                                      const QString &filter)
{
    asked.append({QStringLiteral("open"), {}, caption, dir, filter, {}});
    if (fileNames.isEmpty()) {
        unanswered.append(caption);
        return {};
    }
    return fileNames.takeFirst();
}

QString ScriptedPrompts::saveFileName(QWidget *, const QString &caption, const QString &dir,
                                      const QString &filter, const QString &defaultSuffix)
{
    asked.append({QStringLiteral("save"), {}, caption, dir, filter, defaultSuffix});
    if (fileNames.isEmpty()) {
        unanswered.append(caption);
        return {};
    }
    return fileNames.takeFirst();
}

int ScriptedPrompts::exec(QDialog &dialog)
{
    asked.append({QStringLiteral("dialog"),
                  dialog.windowTitle(),
                  QString::fromLatin1(dialog.metaObject()->className()),
                  {},
                  {},
                  {}});
    if (dialogHandlers.isEmpty()) {
        unanswered.append(dialog.windowTitle());
        return QDialog::Rejected;
    }
    dialog.show();
    return dialogHandlers.takeFirst()(dialog);
}

QStringList ScriptedPrompts::kinds() const
{
    QStringList result;
    for (const Prompt &prompt : asked)
        result.append(prompt.kind);
    return result;
}

int runGuiTest(QObject &test, int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    // Nothing a test does may reach the real user's settings or files.
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       home.path() + QStringLiteral("/config"));
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QApplication::setApplicationName(QStringLiteral("Torvane"));
    Q_INIT_RESOURCE(images);
    return QTest::qExec(&test, argc, argv);
}

void clearStoredSettings()
{
    QSettings store(QString::fromLatin1(settingsOrganisation),
                    QString::fromLatin1(settingsApplication));
    store.clear();
}

void storeSetting(const QString &key, const QVariant &value)
{
    QSettings store(QString::fromLatin1(settingsOrganisation),
                    QString::fromLatin1(settingsApplication));
    store.setValue(key, value);
}

QVariant storedSetting(const QString &key)
{
    QSettings store(QString::fromLatin1(settingsOrganisation),
                    QString::fromLatin1(settingsApplication));
    return store.value(key);
}

QByteArray templateText(int layers, const QStringList &headerLines, const QString &lengthUnit,
                        const QString &inductanceUnit, double boxWidth, int yCells2)
{
    QByteArray text = "FTYP SONPROJ 4 ! Sonnet Project File\nVER 12.52\nHEADER\n";
    for (const QString &line : headerLines)
        text += line.toLatin1() + '\n';
    text += "END HEADER\nDIM\nFREQ GHZ\nIND " + inductanceUnit.toLatin1() + "\nLNG " +
            lengthUnit.toLatin1() +
            "\nANG DEG\nCON /OH\nCAP PF\nRES OH\nEND DIM\n"
            "FREQ\nABS 1 10\nEND FREQ\n"
            "GEO\nTMET \"Lossless\" 0 SUP 0 0 0 0\nBMET \"Lossless\" 0 SUP 0 0 0 0\n"
            "MET \"Gold\" 1 NOR 41000000 0 3\nMET \"Copper\" 2 NOR 58000000 0 1\n";
    text += "BOX " + QByteArray::number(layers - 1) + ' ' + QByteArray::number(boxWidth) + ' ' +
            QByteArray::number(boxWidth) + ' ' + QByteArray::number(2 * boxWidth) + ' ' +
            QByteArray::number(yCells2) + " 20 0\n";
    for (int i = 0; i < layers; ++i)
        text += "      10 " + QByteArray::number(i + 1) + " 1 0.001 0 0 0 \"Layer" +
                QByteArray::number(i) + "\"\n";
    text += "NUM 0\nEND GEO\n";
    return text;
}

QString writeFile(const QString &fileName, const QByteArray &content)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write test file %s", qPrintable(fileName));
    return fileName;
}

void typeAndFinish(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QMap<QString, QString> formState(const MainWindow &window)
{
    QMap<QString, QString> state;
    for (const QLineEdit *edit : window.findChildren<QLineEdit *>()) {
        if (!edit->objectName().isEmpty() && !edit->objectName().startsWith(QLatin1String("qt_")))
            state[edit->objectName()] = edit->text();
    }
    for (const QAbstractSpinBox *box : window.findChildren<QAbstractSpinBox *>()) {
        if (!box->objectName().isEmpty())
            state[box->objectName()] = box->text();
    }
    for (const QCheckBox *box : window.findChildren<QCheckBox *>())
        state[box->objectName()] = QString::number(box->checkState());
    for (const QComboBox *box : window.findChildren<QComboBox *>())
        state[box->objectName()] = box->currentText();
    state[QStringLiteral("tab")] = QString::number(form(window).tabWidget->currentIndex());
    return state;
}

Form::Form(const QWidget &window)
{
#define TORVANE_FIND_MEMBER(Type, objectName)                                                      \
    objectName = window.findChild<Type *>(QStringLiteral(#objectName));                            \
    if (!objectName)                                                                               \
        qFatal("The form has no %s named %s", #Type, #objectName);
    TORVANE_FORM_WIDGETS(TORVANE_FIND_MEMBER)
#undef TORVANE_FIND_MEMBER
}

QString WindowTestCase::builtInTemplatePath()
{
    return writeFile(folder.filePath(QStringLiteral("rfic.son")), builtInTemplateText());
}

void WindowTestCase::init()
{
    clearStoredSettings();
    prompts.reset();
}

void WindowTestCase::cleanup()
{
    QVERIFY2(prompts.unanswered.isEmpty(), qPrintable(prompts.unanswered.join('|')));
}
