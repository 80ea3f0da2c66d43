#include "gui/dialogs/aboutdialog.h"

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    setupUi(this);
    versionLabel->setText(aboutVersionText);
    dateLabel->setText(aboutDateText);
}
