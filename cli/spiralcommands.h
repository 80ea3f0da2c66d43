#pragma once

#include "cli/spiraloptions.h"
#include "core/design/designreview.h"
#include "core/sonnet/projectdocument.h"

#include <QStringList>

#include <optional>
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

// What create does once the options are read and the spiral reviewed: refuses where the window
// would ask (unless --yes) and takes the review's layout as the project in `loaded.document`.
// The project and, with --gds, its layout are written as one save: both are written in full
// before either replaces its target, the layout is committed first, and the result folder is
// prepared only once both are in place. Throws CliError with the reason; returns the layout's
// summary when there is one.
std::optional<LayoutExportSummary> createProject(const SpiralCommandOptions &options,
                                                 LoadedTemplate &loaded, DesignReview review);

// "round", "nsided", "diffround" or "diffnsided", as --shape takes them.
QString shapeName(SpiralShape shape);
// Henries to the template's inductance unit.
double inductanceScale(const LoadedTemplate &loaded);

// `create`: the window's "Create Spiral ..." without a window: the same checks (refusing where
// the window would ask, unless --yes), the same layout and the same files.
// Findings go to err; with an error it refuses unless --yes.
int runCreate(const QStringList &arguments, QTextStream &out, QTextStream &err);
// `estimate`: what the window's estimate panel shows for the same values and template.
int runEstimate(const QStringList &arguments, QTextStream &out);
