#pragma once

#include <QString>

namespace torvane {

// A "TMET", "BMET" or "MET" line.
struct MetalType
{
    QString keyword;
    QString name;
    unsigned number = 0;
    QString model;
    QString parameters; // empty, or each further word preceded by one blank

    bool operator==(const MetalType &) const = default;
};

// The values of the "BOX" line after its level count.
struct BoxSettings
{
    double xWidth = 0;
    double yWidth = 0;
    int xCells2 = 0; // doubled cell counts
    int yCells2 = 0;
    int boxInteger = 20;
    double boxReal = 0;

    // Width over half the doubled count, halved in integers on purpose; IEEE rules when that
    // is zero.
    double cellSizeX() const
    {
        return xWidth / static_cast<double>(xCells2 / 2); // NOLINT(bugprone-integer-division)
    }
    double cellSizeY() const
    {
        return yWidth / static_cast<double>(yCells2 / 2); // NOLINT(bugprone-integer-division)
    }
    bool operator==(const BoxSettings &) const = default;
};

struct DielectricLayer
{
    double thickness = 0;
    double relativePermittivity = 1;
    double relativePermeability = 1;
    double dielectricLossTangent = 0;
    double magneticLossTangent = 0;
    double dielectricConductivity = 0;
    int layerInteger = 0;
    QString name;
    // What follows the quoted name (" A 11.5 1 0 0 0" of an anisotropic layer), written back
    // after it; empty when nothing but blanks does.
    QString rest = {};

    bool operator==(const DielectricLayer &) const = default;
};

} // namespace torvane
