#pragma once

#include "cli/rendermodule.h"
#include "cli/spiralcommands.h"
#include "core/design/designreview.h"

#include <QStringList>
#include <QTextStream>

// The spiral of the options laid out on their template, with its design checks.
torvane::DesignReview reviewLoaded(const SpiralCommandOptions &options,
                                   const LoadedTemplate &loaded);
// One "error: ..." or "warning: ..." line per finding.
void printFindings(QTextStream &stream, const QList<torvane::DesignFinding> &findings);
// One "note: ..." line each, such as what create left out of the template.
void printNotes(QTextStream &stream, const QStringList &notes);

// `check`: the findings, as lines or with --json as an array; exit 0 without errors, 3 with.
int runCheck(const QStringList &arguments, QTextStream &out);
// `render -o FILE.svg|FILE.png`: the preview picture, drawn without a display.
int runRender(const QStringList &arguments, QTextStream &out, QTextStream &err,
              const RenderModule &module);
