#pragma once

#include "ui_aboutdialog.h"

#include <QDialog>

class AboutDialog : public QDialog, public Ui::AboutDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);
};

// The release this build shows; fixed texts, not the compiler's date.
inline const QString aboutVersionText = QStringLiteral("Version 1.2.0 beta");
inline const QString aboutDateText = QStringLiteral("Oct  3 2012");
