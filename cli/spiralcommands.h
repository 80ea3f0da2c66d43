#pragma once

#include "cli/spiraloptions.h"
#include "core/sonnet/projectdocument.h"

#include <QStringList>
#include <QTextStream>

// The template as the window would hold it after loading it and applying the chosen units.
struct LoadedTemplate
{
    ProjectDocument document;
    QStringList layerSetup;
    QStringList functionSetup;
    QString lengthUnitText;     // what the window's length unit selector would show
    QString inductanceUnitText; // and its inductance unit selector
};

// The template of the options (the built-in one without --template) with their roles, metals
// and units applied; throws CliError.
LoadedTemplate loadTemplate(const SpiralCommandOptions &options);

// What create does once the options are read: the window's checks (refusing where it would
// ask, unless --yes), the layout into `loaded.document` and the project file with its result
// folder. Throws CliError with the reason.
void createProject(const SpiralCommandOptions &options, LoadedTemplate &loaded);

// "round", "nsided", "diffround" or "diffnsided", as --shape takes them.
QString shapeName(SpiralShape shape);
// Henries to the template's inductance unit.
double inductanceScale(const LoadedTemplate &loaded);

// `create`: the window's "Create Spiral ..." without a window: the same checks (refusing where
// the window would ask, unless --yes), the same layout and the same files.
int runCreate(const QStringList &arguments, QTextStream &out);
// `estimate`: what the window's estimate panel shows for the same values and template.
int runEstimate(const QStringList &arguments, QTextStream &out);
