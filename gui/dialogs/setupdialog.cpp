#include "gui/dialogs/setupdialog.h"

#include "gui/window/userprompts.h"

SetupDialog::SetupDialog(const QString &xgeomPath, bool xgeomStart, bool xgeomStaircase,
                         QWidget *parent)
    : SetupDialog(xgeomPath, xgeomStart, xgeomStaircase, QtUserPrompts::instance(), parent)
{}

SetupDialog::SetupDialog(const QString &xgeomPath, bool xgeomStart, bool xgeomStaircase,
                         UserPrompts &prompts, QWidget *parent)
    : QDialog(parent), prompts(prompts)
{
    setupUi(this);
    connect(browseButton, &QPushButton::clicked, this, &SetupDialog::browseForXgeom);
    xgeomStartCheckBox->setChecked(xgeomStart);
    StaircaseCheckBox->setChecked(xgeomStaircase);
    xgeomPathEdit->setText(xgeomPath);
}

void SetupDialog::browseForXgeom()
{
    const QString fileName = prompts.openFileName(this, tr("xGeom executable"),
                                                  xgeomPathEdit->text(), executableFilter());
    if (!fileName.isEmpty())
        xgeomPathEdit->setText(fileName);
}

QString SetupDialog::executableFilter()
{
#ifdef Q_OS_WIN
    return tr("Executable Files(*.exe);;All Files (*.*)");
#else
    return tr("All Files (*);;Executable Files(*.exe)");
#endif
}
