#pragma once

#include "gui/window/tabdesign.h"

#include <QString>
#include <QStringList>

class QMainWindow;
class UserPrompts;

// Where xGeom is and how "Create Spiral ..." uses it (Options > Setup).
struct XgeomOptions
{
    QString path;
    bool start = true;
    bool staircase = false;
};

// "Create Spiral ...": the checks and questions, the file name, the project written from a copy
// of the template, then the report or xGeom on the new file.
class CreateFlow
{
public:
    CreateFlow(UserPrompts &prompts, QMainWindow &window) : prompts(prompts), window(window) {}

    void run(const TabDesign &design);

    const QString &lastProjectFileName() const { return projectFileName; }
    XgeomOptions &options() { return xgeom; }
    const XgeomOptions &options() const { return xgeom; }

    static QString xgeomFirstUseQuestion();

private:
    void reportCreated();
    void launchXgeom();

    UserPrompts &prompts;
    QMainWindow &window;
    QString projectFileName;
    QStringList notes; // what the last project left out of the template
    XgeomOptions xgeom;
};
