#pragma once

#include "core/version.h"
#include "ui_aboutdialog.h"

#include <QDialog>

class AboutDialog : public QDialog, public Ui::AboutDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);
};

// The release this build shows; the date is fixed text, not the compiler's date.
inline const QString aboutVersionText = QStringLiteral("Version " TORVANE_VERSION);
inline const QString aboutDateText = QStringLiteral("Oct  3 2012");
