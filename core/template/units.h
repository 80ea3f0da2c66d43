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

// The entry a template's unit name selects: an exact (case-insensitive) match first, so that
// a file's "M" means metres, else the first entry that begins with the name; -1 for none.
int matchingUnitIndex(const QStringList &names, const QString &unitName);
