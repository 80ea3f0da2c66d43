#pragma once

#include "core/synthesis/synthesis.h"
#include "gui/dialogs/targetinductancedialog.h"

#include <QList>
#include <QObject>

#include "gui/window/tabdesign.h"

class QPushButton;
class ShapeTabForm;
class QWidget;
class UserPrompts;

// "Target L ..." on each shape tab: the target inductance dialog for the tab's fixed values on
// the loaded template; the chosen candidate's turns and inner radius go into the tab's fields.
// The dialog's entries are kept in the settings for its next opening.
class TargetInductanceFlow : public QObject
{
    Q_OBJECT

public:
    // Puts a button into each shape tab's page, below its picture.
    TargetInductanceFlow(const TabDesignSource &source, const QList<ShapeTabForm *> &tabs,
                         const QList<QWidget *> &pages, UserPrompts &prompts, QWidget *window);

    void run(int tabIndex);
    // The buttons follow "Create Spiral ...": usable while a template is loaded.
    void setEnabled(bool enabled);
    QPushButton *button(int tabIndex) const { return buttons.value(tabIndex); }

private:
    TargetInductanceDialog::Design design(int tabIndex) const;

    const TabDesignSource &source;
    QList<ShapeTabForm *> tabs;
    UserPrompts &prompts;
    QWidget *window;
    QList<QPushButton *> buttons; // owned by their tabs
};
