#include "core/template/fieldvalue.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace torvane {

std::optional<int> decimalsOfValue(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^[+-]?(?=\\.?\\d)\\d*(?:\\.(\\d*))?(?:[eE]([+-]?\\d+))?$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    QString fraction = match.captured(1);
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    bool ok = true;
    const QString exponentText = match.captured(2);
    // An exponent too long to convert moves the point further than any decimal counts.
    qint64 exponent = exponentText.isEmpty() ? 0 : exponentText.toLongLong(&ok);
    if (!ok)
        exponent = exponentText.startsWith(QLatin1Char('-')) ? std::numeric_limits<int>::min()
                                                             : std::numeric_limits<int>::max();
    const qint64 decimals = static_cast<qint64>(fraction.size()) - exponent;
    return static_cast<int>(std::clamp<qint64>(decimals, 0, std::numeric_limits<int>::max()));
}

} // namespace torvane
