#include "core/template/units.h"

#include <array>
#include <utility>

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

int matchingUnitIndex(const QStringList &names, const QString &unitName)
{
    if (unitName.isEmpty())
        return -1;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].compare(unitName, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].startsWith(unitName, Qt::CaseInsensitive))
            return static_cast<int>(i);
    }
    return -1;
}
