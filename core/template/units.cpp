#include "core/template/units.h"

#include <array>
#include <utility>

namespace torvane {

namespace {
template <std::size_t N>
double scaleByName(const QString &name, const std::array<std::pair<const char *, double>, N> &table,
                   double fallback)
{
    for (const auto &[text, scale] : table) {
        if (name.contains(QLatin1String(text), Qt::CaseInsensitive))
            return scale;
    }
    return fallback;
}
} // namespace

const QStringList &lengthUnitNames()
{
    static const QStringList names{QStringLiteral("mil"), QStringLiteral("in"),
                                   QStringLiteral("um"),  QStringLiteral("mm"),
                                   QStringLiteral("cm"),  QStringLiteral("m")};
    return names;
}

const QStringList &inductanceUnitNames()
{
    static const QStringList names{QStringLiteral("H"),  QStringLiteral("mH"),
                                   QStringLiteral("uH"), QStringLiteral("nH"),
                                   QStringLiteral("pH"), QStringLiteral("fH")};
    return names;
}

// Order matters: "mm", "um" and "cm" all contain "m"; every inductance name contains "H".
double MetresPerLengthUnit(const QString &unitName)
{
    static constexpr std::array<std::pair<const char *, double>, 6> table{
        {{"mil", 2.54e-5}, {"in", 0.0254}, {"cm", 0.01}, {"mm", 0.001}, {"um", 1e-6}, {"m", 1.0}}};
    return scaleByName(unitName, table, 2.54e-5);
}

double HenriesPerInductanceUnit(const QString &unitName)
{
    static constexpr std::array<std::pair<const char *, double>, 6> table{
        {{"fH", 1e-15}, {"pH", 1e-12}, {"nH", 1e-9}, {"uH", 1e-6}, {"mH", 0.001}, {"H", 1.0}}};
    return scaleByName(unitName, table, 1e-9);
}

namespace {
int exactIndex(const QStringList &names, const QString &unitName)
{
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].compare(unitName, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

QString singular(const QString &word)
{
    if (word.endsWith(QLatin1String("ies")))
        return word.chopped(3) + QLatin1Char('y');
    if (word.endsWith(QLatin1String("ches")))
        return word.chopped(2);
    if (word.endsWith(QLatin1Char('s')))
        return word.chopped(1);
    return word;
}

// The symbol a spelled-out unit name stands for ("micrometres" gives "um"), or nothing.
QString spelledOutSymbol(const QString &unitName)
{
    const QString word = singular(unitName.toLower());
    if (word == QLatin1String("micron"))
        return QStringLiteral("um");
    if (word == QLatin1String("inch"))
        return QStringLiteral("in");
    static constexpr std::array<std::pair<const char *, const char *>, 7> prefixes{
        {{"", ""},
         {"centi", "c"},
         {"milli", "m"},
         {"micro", "u"},
         {"nano", "n"},
         {"pico", "p"},
         {"femto", "f"}}};
    static constexpr std::array<std::pair<const char *, const char *>, 3> bases{
        {{"meter", "m"}, {"metre", "m"}, {"henry", "H"}}};
    for (const auto &[prefix, prefixSymbol] : prefixes) {
        for (const auto &[base, baseSymbol] : bases) {
            if (word == QLatin1String(prefix) + QLatin1String(base))
                return QLatin1String(prefixSymbol) + QLatin1String(baseSymbol);
        }
    }
    return {};
}

int longestLeadingEntry(const QStringList &names, const QString &unitName)
{
    int found = -1;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].size() >= 2 && unitName.startsWith(names[i], Qt::CaseInsensitive) &&
            (found < 0 || names[i].size() > names[found].size()))
            found = static_cast<int>(i);
    }
    return found;
}
} // namespace

int matchingUnitIndex(const QStringList &names, const QString &unitName)
{
    if (unitName.isEmpty())
        return -1;
    if (const int exact = exactIndex(names, unitName); exact >= 0)
        return exact;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].startsWith(unitName, Qt::CaseInsensitive))
            return static_cast<int>(i);
    }
    // A known word for a unit that is not offered ("nanometres") must not fall through to
    // an entry that merely begins it.
    if (const QString symbol = spelledOutSymbol(unitName); !symbol.isEmpty())
        return exactIndex(names, symbol);
    return longestLeadingEntry(names, unitName);
}

bool takesSelectedUnitName(const QStringList &names, const QString &unitName)
{
    return unitName.isEmpty() ||
           (matchingUnitIndex(names, unitName) >= 0 && exactIndex(names, unitName) < 0);
}

} // namespace torvane
