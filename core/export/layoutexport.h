#pragma once

#include "core/design/result.h"
#include "core/export/layoutoptions.h"
#include "core/sonnet/projectdocument.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace torvane {

class CheckedSaveFile;

struct LayoutExportSummary
{
    LayoutFormat format = LayoutFormat::Gdsii;
    QString cellName;
    qsizetype polygons = 0;      // polygons of the project that were written
    qsizetype splitPolygons = 0; // of those, how many had to be cut into pieces
    qsizetype records = 0;       // boundaries or polylines in the file
    qsizetype bricks = 0;        // dielectric bricks, which are not layout and are left out
};

// The metal levels and via level pairs (lower level first) that a project's polygons use, in
// ascending order.
struct LayoutLevels
{
    QList<int> metalLevels;
    QList<QPair<int, int>> viaPairs;
};
LayoutLevels layoutLevels(const ProjectDocument &document);
// DXF layer names: "LEVEL2" for a metal level, "VIA0-1" for a via level pair.
QString dxfLayerName(int level);
QString dxfViaLayerName(int level, int toLevel);

// Writes the project's polygons as a GDSII or DXF layout (by the file's suffix) through a
// temporary file: on any failure the target is left as it was. levelRoles gives each metal
// level's role for the layer map. Gives what was written, or why nothing was.
torvane::Result<LayoutExportSummary> exportLayout(const QString &fileName,
                                                  const ProjectDocument &document,
                                                  const QStringList &levelRoles,
                                                  const LayoutExportOptions &options);
// The same into `file` (which it opens, by the suffix of its target), synced but not committed:
// the caller commits it with the other files of the same save (commitTogether()).
torvane::Result<LayoutExportSummary> prepareLayoutFile(CheckedSaveFile &file,
                                                       const ProjectDocument &document,
                                                       const QStringList &levelRoles,
                                                       const LayoutExportOptions &options);

} // namespace torvane
