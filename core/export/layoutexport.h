#pragma once

#include "core/export/layermap.h"
#include "core/sonnet/projectdocument.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

enum class LayoutFormat
{
    Gdsii,
    Dxf
};

// GDSII's y axis points up, the project's down; either way the layout is flipped. The origin
// lies at the centre of the box, where every spiral is centred, or at its lower-left corner.
enum class LayoutOrigin
{
    SpiralCentre,
    BoxCorner
};

struct LayoutExportOptions
{
    LayerMap layerMap;          // GDSII only; DXF layers are named by level
    double databaseUnit = 1e-9; // metres; GDSII coordinates are rounded to it
    LayoutOrigin origin = LayoutOrigin::SpiralCentre;
    QString cellName;    // empty: the output file's base name, sanitised
    QDateTime timestamp; // written into GDSII; invalid: the current time
};

struct LayoutExportSummary
{
    LayoutFormat format = LayoutFormat::Gdsii;
    QString cellName;
    qsizetype polygons = 0;      // polygons of the project that were written
    qsizetype splitPolygons = 0; // of those, how many had to be cut into pieces
    qsizetype records = 0;       // boundaries or polylines in the file
    qsizetype bricks = 0;        // dielectric bricks, which are not layout and are left out
};

// The format a file name asks for by its suffix (.gds, .gds2, .gdsii or .dxf, any case).
std::optional<LayoutFormat> layoutFormatFor(const QString &fileName);
QString layoutFormatName(LayoutFormat format);

// "1nm", "0.5 nm", "0.001um", "1e-9m"; a bare number is in micrometres, as layout editors give
// the database unit. Between 1 pm and 1 mm.
std::optional<double> parseDatabaseUnit(const QString &text, QString *errorText = nullptr);
QString databaseUnitText(double metres); // "1 nm", "0.5 nm", "2.5 um", "50 pm"

// "centre" (or "center") and "box".
std::optional<LayoutOrigin> parseLayoutOrigin(const QString &text);
QString layoutOriginKeyword(LayoutOrigin origin);

// GDSII structure names: at most 32 of A-Z, a-z, 0-9, '_', '?' and '$'.
bool isValidCellName(const QString &name);
// The file's base name with every other character replaced by '_', cut to 32.
QString cellNameFor(const QString &fileName);

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
// level's role for the layer map. Returns 0 on success, 1 with errorText set on failure.
int exportLayout(const QString &fileName, const ProjectDocument &document,
                 const QStringList &levelRoles, const LayoutExportOptions &options,
                 QString *errorText = nullptr, LayoutExportSummary *summary = nullptr);
