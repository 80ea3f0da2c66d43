#pragma once

#include <QString>
#include <QStringList>

namespace torvane {

// Unit names as the window offers them; the indices are stored in the settings.
const QStringList &lengthUnitNames();     // "mil", "in", "um", "mm", "cm", "m"
const QStringList &inductanceUnitNames(); // "H", "mH", "uH", "nH", "pH", "fH"

// Size of one unit in SI units, found by case-insensitive substring tests in a fixed order,
// so a file's MIL or NH and the window's "mil" or "nH" give the same answer.
double MetresPerLengthUnit(const QString &unitName);
double HenriesPerInductanceUnit(const QString &unitName);

// What the two functions above take a name that contains none of their texts for.
inline const QString fallbackLengthUnitName = QStringLiteral("mil");
inline const QString fallbackInductanceUnitName = QStringLiteral("nH");

// The entry a template's unit name selects, case-insensitively and in this order: the entry
// of exactly that name, so that a file's "M" means metres; the first entry that begins with
// the name; a spelled-out name or plural ("MICRONS", "inches"); the longest entry of two or
// more letters that begins the name ("mils"). -1 for none; one letter could begin any word.
int matchingUnitIndex(const QStringList &names, const QString &unitName);

// Whether a template's unit name should give way to the entry the window selects for it:
// when it names no unit, or one only loosely ("mils"), which the scale functions above may
// misread. A name of an entry, or of no entry at all, stays as the file says.
bool takesSelectedUnitName(const QStringList &names, const QString &unitName);

} // namespace torvane
