#pragma once

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

// Everything that blocks on the user (message boxes, file dialogs, modal dialogs) goes
// through here, so that tests can answer without a real event loop of their own.
class UserPrompts
{
public:
    virtual ~UserPrompts() = default;

    // Yes and No; any other answer counts as No for the callers. Enter gives `defaultButton`:
    // No wherever going on would write something doubtful.
    virtual QMessageBox::StandardButton question(QWidget *parent, const QString &title,
                                                 const QString &text,
                                                 QMessageBox::StandardButton defaultButton) = 0;
    virtual void critical(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void information(QWidget *parent, const QString &title, const QString &text) = 0;
    // Empty when cancelled.
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) = 0;
    // A name typed without a suffix gets defaultSuffix (such as "son") when one is given.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter, const QString &defaultSuffix = {}) = 0;
    // Runs the dialog modally and returns its result code.
    virtual int exec(QDialog &dialog) = 0;
};

// The real thing: QMessageBox, QFileDialog and QDialog::exec.
class QtUserPrompts final : public UserPrompts
{
public:
    QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                         QMessageBox::StandardButton defaultButton) override;
    void critical(QWidget *parent, const QString &title, const QString &text) override;
    void information(QWidget *parent, const QString &title, const QString &text) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter, const QString &defaultSuffix = {}) override;
    int exec(QDialog &dialog) override;

    // Shared by the windows that are built without an injected seam.
    static UserPrompts &instance();
};
