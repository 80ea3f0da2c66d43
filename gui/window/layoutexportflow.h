#pragma once

#include "core/template/createspiral.h"

#include <QStringList>

class MainWindow;
class QWidget;
class UserPrompts;

// File > Export Layout ...: lays out the current tab's spiral on a copy of the template, as
// "Create Spiral ..." would, asks what the design checks and create's own questions raise, and
// writes it as GDSII or DXF. The template itself is left as it is.
class LayoutExportFlow
{
public:
    LayoutExportFlow(UserPrompts &prompts, QWidget *window) : prompts(prompts), window(window) {}

    void run(const ProjectDocument *templateDocument, const SpiralParameters &parameters,
             const QStringList &layerSetup, const QStringList &functionSetup,
             const QString &lengthUnitText, const QStringList &outOfRangeFields = {});

private:
    UserPrompts &prompts;
    QWidget *window;
};

// Puts "Export Layout ..." into the window's File menu ahead of Close, enabled while a
// template is loaded, and connects it to MainWindow::ExportLayout.
void addExportLayoutAction(MainWindow &window);
