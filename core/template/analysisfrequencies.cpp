#include "core/template/analysisfrequencies.h"

#include "core/batch/valuelist.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>

namespace torvane {

namespace {
struct FrequencyUnit
{
    const char *name;
    const char *text;
    double hertz;
};

constexpr FrequencyUnit frequencyUnits[] = {{"HZ", "Hz", 1},
                                            {"KHZ", "kHz", 1e3},
                                            {"MHZ", "MHz", 1e6},
                                            {"GHZ", "GHz", 1e9},
                                            {"THZ", "THz", 1e12}};

const FrequencyUnit *unitNamed(const QString &name)
{
    for (const FrequencyUnit &unit : frequencyUnits) {
        if (name.compare(QLatin1String(unit.name), Qt::CaseInsensitive) == 0)
            return &unit;
    }
    return nullptr;
}

// Keywords of the FREQ block and how many of their numbers are frequencies.
int frequencyCount(const QString &keyword)
{
    static const QStringList ranges{QStringLiteral("ABS"),    QStringLiteral("ABS_ENTRY"),
                                    QStringLiteral("SIMPLE"), QStringLiteral("SWEEP"),
                                    QStringLiteral("LSWEEP"), QStringLiteral("ESWEEP")};
    if (ranges.contains(keyword))
        return 2;
    return keyword == QLatin1String("STEP") ? 1 : 0;
}

QString unitSuffix(const QString &unit)
{
    const FrequencyUnit *known = unitNamed(unit);
    return known ? QLatin1String(known->text) : unit;
}
torvane::Result<double> hertzPerKnownUnit(const QString &unit)
{
    const double scale = hertzPerFrequencyUnit(unit);
    if (!(scale > 0))
        return torvane::failure(
            QStringLiteral("The template's frequency unit '%1' is not one of Hz, kHz, MHz, "
                           "GHz or THz.")
                .arg(unit));
    return scale;
}
} // namespace

double hertzPerFrequencyUnit(const QString &unit)
{
    const FrequencyUnit *known = unitNamed(unit);
    return known ? known->hertz : 0;
}

QString frequencyUnitText(const QString &unit)
{
    return unitSuffix(unit);
}

std::vector<double> logSpacedFrequencies(double low, double high, int count)
{
    if (!(high > low) || count < 2)
        return {low};
    std::vector<double> values;
    const double ratio = std::log(high / low);
    for (int i = 0; i < count; ++i)
        values.push_back(i == count - 1 ? high : low * std::exp(ratio * i / (count - 1)));
    return values;
}

FrequencySweep templateFrequencies(const ProjectDocument &document)
{
    if (document.frequencyLines.isEmpty())
        return logSpacedFrequencies(1e8, 1e10, defaultSweepPoints);
    const QString &unit = document.dimension.frequencyUnit;
    const torvane::Result<double> unitScale = hertzPerKnownUnit(unit);
    if (!unitScale)
        return torvane::failure(unitScale.error());
    const double scale = *unitScale;
    std::optional<double> low;
    std::optional<double> high;
    for (const QString &line : document.frequencyLines) {
        const QStringList words =
            line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        const int count = words.isEmpty() ? 0 : frequencyCount(words[0].toUpper());
        if (count == 0)
            continue;
        for (int i = 1; i <= count; ++i) {
            bool ok = false;
            const double value = words.value(i).toDouble(&ok);
            if (!ok || !std::isfinite(value))
                return torvane::failure(
                    QStringLiteral("The template's FREQ line '%1' gives no frequency where "
                                   "one belongs.")
                        .arg(line.trimmed()));
            if (!(value > 0))
                return torvane::failure(
                    QStringLiteral("The template's FREQ line '%1' has a frequency of %2 %3; "
                                   "frequencies must be larger than 0.")
                        .arg(line.trimmed())
                        .arg(value)
                        .arg(unitSuffix(unit)));
            low = std::min(low.value_or(value), value);
            high = std::max(high.value_or(value), value);
        }
    }
    if (!low)
        return torvane::failure(QStringLiteral("The template's FREQ block lists no frequencies."));
    return logSpacedFrequencies(*low * scale, *high * scale, defaultSweepPoints);
}

FrequencySweep frequencyList(const QString &text, const QString &unit)
{
    const torvane::Result<double> unitScale = hertzPerKnownUnit(unit);
    if (!unitScale)
        return torvane::failure(unitScale.error());
    const double scale = *unitScale;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const QStringList parts = item.split(QLatin1Char(':'));
        if (parts.size() == 3 && parts[1].trimmed().toDouble() < parts[0].trimmed().toDouble())
            return torvane::failure(
                QStringLiteral("The frequency range '%1' runs backwards; give it from the "
                               "lowest frequency up.")
                    .arg(item.trimmed()));
    }
    const ValueList list = expandValueList(text, 10000);
    if (!list.ok())
        return torvane::failure(
            QStringLiteral("The frequencies '%1' cannot be read: %2.").arg(text, list.error()));
    std::vector<double> hertz;
    for (const QString &value : *list) {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok || !std::isfinite(number))
            return torvane::failure(
                QStringLiteral("The frequency '%1' is not a number.").arg(value));
        if (!(number > 0))
            return torvane::failure(QStringLiteral("The frequency %1 %2 must be larger than 0.")
                                        .arg(value, unitSuffix(unit)));
        hertz.push_back(number * scale);
    }
    std::sort(hertz.begin(), hertz.end());
    hertz.erase(std::unique(hertz.begin(), hertz.end()), hertz.end());
    return hertz;
}

} // namespace torvane
