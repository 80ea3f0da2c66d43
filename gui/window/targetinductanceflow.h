#pragma once

#include "core/synthesis/synthesis.h"
#include "gui/dialogs/targetinductancedialog.h"

#include <QList>
#include <QObject>

class MainWindow;
class QPushButton;
class UserPrompts;

// "Target L ..." on each shape tab: the target inductance dialog for the tab's fixed values on
// the loaded template; the chosen candidate's turns and inner radius go into the tab's fields.
// The dialog's entries are kept in the settings for its next opening.
class TargetInductanceFlow : public QObject
{
    Q_OBJECT

public:
    // Puts a button into each shape tab, below its picture.
    TargetInductanceFlow(MainWindow &window, UserPrompts &prompts);

    void run(int tabIndex);
    // The buttons follow "Create Spiral ...": usable while a template is loaded.
    void setEnabled(bool enabled);
    QPushButton *button(int tabIndex) const { return buttons.value(tabIndex); }

private:
    TargetInductanceDialog::Design design(int tabIndex) const;
    void fillTab(int tabIndex, const SynthesisCandidate &candidate);

    MainWindow &window;
    UserPrompts &prompts;
    QList<QPushButton *> buttons; // owned by their tabs
};

// The radius as the fields take it: at most 3 decimals, without trailing zeros.
QString radiusFieldText(double radius);
