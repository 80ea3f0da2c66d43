#pragma once

#include "gui/window/tabdesign.h"

class QWidget;
class UserPrompts;

// File > Export Layout ...: lays out the current tab's spiral on a copy of the template, as
// "Create Spiral ..." would, asks what the design checks and create's own questions raise, and
// writes it as GDSII or DXF. The template itself is left as it is.
class LayoutExportFlow
{
public:
    LayoutExportFlow(UserPrompts &prompts, QWidget *window) : prompts(prompts), window(window) {}

    void run(const TabDesign &design);

private:
    UserPrompts &prompts;
    QWidget *window;
};
