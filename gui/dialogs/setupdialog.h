#pragma once

#include "ui_setupdialog.h"

#include <QDialog>

class UserPrompts;

// The xGeom options. The caller reads the results from the form after an accept.
class SetupDialog : public QDialog, public Ui::SetupDialog
{
    Q_OBJECT

public:
    SetupDialog(const QString &xgeomPath, bool xgeomStart, bool xgeomStaircase,
                QWidget *parent = nullptr);
    // The browse dialog goes through `prompts`.
    SetupDialog(const QString &xgeomPath, bool xgeomStart, bool xgeomStaircase,
                UserPrompts &prompts, QWidget *parent = nullptr);

    // Windows programs end in ".exe"; elsewhere they have no suffix, so all files come first.
    static QString executableFilter();

public slots:
    void browseForXgeom();

private:
    UserPrompts &prompts;
};
