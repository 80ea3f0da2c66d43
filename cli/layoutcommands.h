#pragma once

#include "cli/optiontable.h"
#include "core/export/layoutexport.h"

#include <QStringList>
#include <QTextStream>

// Where `create --gds` writes its layout, and how.
struct LayoutTarget
{
    QString path;
    torvane::LayoutExportOptions options;
};

// The options that shape a layout file, and their names without dashes.
const QList<CliOption> &layoutOptions();
const QStringList &layoutOptionNames();
// Checks the values of those options (missing ones keep their defaults); throws CliError.
torvane::LayoutExportOptions parseLayoutOptions(const ParsedOptions &values);
// Throws CliError unless the name ends in a layout suffix.
void checkLayoutPath(const QString &flag, const QString &path);

// Writes the layout of a project and says what was written; throws CliError on failure.
void writeLayoutFile(const QString &path, const torvane::ProjectDocument &document,
                     const QStringList &levelRoles, const torvane::LayoutExportOptions &options,
                     QTextStream &out);
// The same, into `file` without committing it; throws CliError on failure.
torvane::LayoutExportSummary prepareLayout(torvane::CheckedSaveFile &file,
                                           const torvane::ProjectDocument &document,
                                           const QStringList &levelRoles,
                                           const torvane::LayoutExportOptions &options);
// What writeLayoutFile says about a written layout.
void printLayoutWritten(QTextStream &out, const QString &path,
                        const torvane::LayoutExportOptions &options,
                        const torvane::LayoutExportSummary &summary);

// `export IN.son OUT.gds|OUT.dxf [--layer-map MAP] [--dbu SIZE] [--cell NAME] [--origin ...]`.
int runExport(const QStringList &arguments, QTextStream &out);

QString layoutOptionsHelp();
