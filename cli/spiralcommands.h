#pragma once

#include "cli/spiraloptions.h"
#include "core/design/designjob.h"
#include "core/sonnet/projectdocument.h"

#include <QStringList>

#include <optional>
#include <QTextStream>

// The template as the window would hold it after loading it and applying the chosen units.
struct LoadedTemplate
{
    torvane::Technology technology;
    QString lengthUnitText;     // what the window's length unit selector would show
    QString inductanceUnitText; // and its inductance unit selector

    const torvane::ProjectDocument &document() const { return technology.document(); }
    // The options' spiral on this template.
    torvane::DesignJob job(const torvane::SpiralParameters &parameters) const
    {
        return torvane::DesignJob(technology, parameters, lengthUnitText);
    }
};

// The template of the options (the built-in one without --template) with their roles, metals
// and units applied; throws CliError.
LoadedTemplate loadTemplate(const SpiralCommandOptions &options);

// What create does with the job of the options: refuses where the window would ask (unless
// --yes), then saves the project and, with --gds, its layout as one save (DesignJob::save).
// Throws CliError with the reason.
torvane::SavedProject createProject(const SpiralCommandOptions &options, torvane::DesignJob &job);

// "round", "nsided", "diffround" or "diffnsided", as --shape takes them.
QString shapeName(torvane::SpiralShape shape);
// Henries to the template's inductance unit.
double inductanceScale(const LoadedTemplate &loaded);

// `create`: the window's "Create Spiral ..." without a window: the same checks (refusing where
// the window would ask, unless --yes), the same layout and the same files.
// Findings go to err; with an error it refuses unless --yes.
int runCreate(const QStringList &arguments, QTextStream &out, QTextStream &err);
// The same once the options are read and the template loaded.
int createAndReport(const SpiralCommandOptions &options, const LoadedTemplate &loaded,
                    QTextStream &out, QTextStream &err);
// `estimate`: what the window's estimate panel shows for the same values and template.
int runEstimate(const QStringList &arguments, QTextStream &out);
