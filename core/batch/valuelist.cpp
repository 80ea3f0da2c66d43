#include "core/batch/valuelist.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>

namespace torvane {

namespace {
constexpr double stopSlack = 1e-9;

std::optional<double> number(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// Decimals a typed number needs in fixed form: "2.50" 2, "1e-3" 3, "1.5e1" 0.
int decimalsNeeded(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^[+-]?\\d*(?:\\.(\\d*))?(?:[eE]([+-]?\\d+))?$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return 0;
    const int fraction = static_cast<int>(match.capturedLength(1));
    const int exponent = match.captured(2).isEmpty() ? 0 : match.captured(2).toInt();
    return std::clamp(fraction - exponent, 0, 15);
}

QString fixedText(double value, int decimals)
{
    QString text = QLocale::c().toString(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

struct Collector
{
    int maxValues;
    QStringList values;
    std::set<double> seen; // not-a-number texts are left to the option's own check
    QString error;

    bool add(const QString &text, double value)
    {
        if (seen.count(value) != 0)
            return true;
        if (values.size() >= maxValues) {
            error = QStringLiteral("more than %1 values").arg(maxValues);
            return false;
        }
        if (!std::isnan(value))
            seen.insert(value);
        values.append(text);
        return true;
    }

    bool addRange(const QString &item)
    {
        const QStringList parts = item.split(QLatin1Char(':'));
        if (parts.size() != 3) {
            error = QStringLiteral("'%1' is not a range START:STOP:STEP").arg(item);
            return false;
        }
        std::optional<double> bounds[3];
        for (int i = 0; i < 3; ++i) {
            bounds[i] = number(parts[i].trimmed());
            if (!bounds[i]) {
                error = QStringLiteral("'%1' in '%2' is not a number").arg(parts[i], item);
                return false;
            }
        }
        const double start = *bounds[0];
        const double stop = *bounds[1];
        const double step = *bounds[2];
        if (step == 0) {
            error = QStringLiteral("the step of '%1' must not be 0").arg(item);
            return false;
        }
        if ((stop - start) * step < 0) {
            error = QStringLiteral("the step %1 never reaches %2 from %3")
                        .arg(parts[2].trimmed(), parts[1].trimmed(), parts[0].trimmed());
            return false;
        }
        const double steps = (stop - start) / step;
        if (steps + 1 > maxValues + 1.0) {
            error = QStringLiteral("'%1' gives more than %2 values").arg(item).arg(maxValues);
            return false;
        }
        const int decimals =
            std::max(decimalsNeeded(parts[0].trimmed()), decimalsNeeded(parts[2].trimmed()));
        // Each value from the start, not by adding up steps, so errors do not pile up.
        for (long long k = 0;; ++k) {
            const double value = start + static_cast<double>(k) * step;
            if (std::fabs(value - stop) <= stopSlack) {
                return add(fixedText(stop, std::max(decimals, decimalsNeeded(parts[1].trimmed()))),
                           stop);
            }
            if ((step > 0 && value > stop) || (step < 0 && value < stop))
                return true;
            const QString text = fixedText(value, decimals);
            if (!add(text, text.toDouble()))
                return false;
        }
    }
};
} // namespace

ValueList expandValueList(const QString &text, int maxValues)
{
    Collector collector{maxValues, {}, {}, {}};
    const QStringList items = text.split(QLatin1Char(','));
    for (const QString &rawItem : items) {
        const QString item = rawItem.trimmed();
        if (item.isEmpty()) {
            collector.error = QStringLiteral("'%1' has an empty entry").arg(text);
            break;
        }
        if (item.contains(QLatin1Char(':'))) {
            if (!collector.addRange(item))
                break;
            continue;
        }
        // Single values are checked by the option they belong to, as typed.
        const std::optional<double> value = number(item);
        if (!collector.add(item, value ? *value : qQNaN()))
            break;
    }
    if (!collector.error.isEmpty())
        return torvane::failure(collector.error);
    return collector.values;
}

} // namespace torvane
