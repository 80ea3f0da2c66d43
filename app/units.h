#pragma once

#include <QString>
#include <QStringList>

// Unit names as the window offers them; the indices are stored in the settings.
const QStringList &lengthUnitNames();     // "mil", "in", "um", "mm", "cm", "m"
const QStringList &inductanceUnitNames(); // "H", "mH", "uH", "nH", "pH", "fH"

// Size of one unit in SI units, found by case-insensitive substring tests in a fixed order,
// so a file's MIL or NH and the window's "mil" or "nH" give the same answer.
double MetresPerLengthUnit(const QString &unitName);
double HenriesPerInductanceUnit(const QString &unitName);
