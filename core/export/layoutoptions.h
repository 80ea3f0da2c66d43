#pragma once

#include "core/export/layermap.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace torvane {

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

// The format a file name asks for by its suffix (.gds, .gds2, .gdsii or .dxf, any case).
std::optional<LayoutFormat> layoutFormatFor(const QString &fileName);
QString layoutFormatName(LayoutFormat format);

// "1nm", "0.5 nm", "0.001um", "1e-9m"; a bare number is in micrometres, as layout editors give
// the database unit. Between 1 pm and 1 mm.
torvane::Result<double> parseDatabaseUnit(const QString &text);
QString databaseUnitText(double metres); // "1 nm", "0.5 nm", "2.5 um", "50 pm"

// "centre" (or "center") and "box".
std::optional<LayoutOrigin> parseLayoutOrigin(const QString &text);
QString layoutOriginKeyword(LayoutOrigin origin);

// GDSII structure names: at most 32 of A-Z, a-z, 0-9, '_', '?' and '$'.
bool isValidCellName(const QString &name);
// The file's base name with every other character replaced by '_', cut to 32.
QString cellNameFor(const QString &fileName);

// Whether a database unit in metres lies between 1 pm and 1 mm.
bool isUsableDatabaseUnit(double metres);

} // namespace torvane
