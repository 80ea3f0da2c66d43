#include "gui/window/userprompts.h"

#include <QDialog>
#include <QFileDialog>

QMessageBox::StandardButton QtUserPrompts::question(QWidget *parent, const QString &title,
                                                    const QString &text,
                                                    QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 defaultButton);
}

void QtUserPrompts::critical(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

void QtUserPrompts::information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

QString QtUserPrompts::openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString QtUserPrompts::saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter, const QString &defaultSuffix)
{
    if (defaultSuffix.isEmpty())
        return QFileDialog::getSaveFileName(parent, caption, dir, filter);
    // The dialog adds the suffix before it asks about overwriting, so the question names the
    // file that will really be written.
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

int QtUserPrompts::exec(QDialog &dialog)
{
    return dialog.exec();
}

UserPrompts &QtUserPrompts::instance()
{
    static QtUserPrompts prompts;
    return prompts;
}
