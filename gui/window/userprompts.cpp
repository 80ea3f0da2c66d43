#include "gui/window/userprompts.h"

#include <QDialog>
#include <QFileDialog>

QMessageBox::StandardButton QtUserPrompts::question(QWidget *parent, const QString &title,
                                                    const QString &text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No);
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
                                    const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
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
