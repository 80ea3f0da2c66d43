#include "core/export/layoutoptions.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace torvane {

namespace {
constexpr double metresPerMicrometre = 1e-6;
constexpr double smallestDatabaseUnit = 1e-12;
constexpr double largestDatabaseUnit = 1e-3;
} // namespace

bool isUsableDatabaseUnit(double metres)
{
    return metres >= smallestDatabaseUnit * (1 - 1e-9) &&
           metres <= largestDatabaseUnit * (1 + 1e-9);
}

std::optional<LayoutFormat> layoutFormatFor(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("gds") || suffix == QLatin1String("gds2") ||
        suffix == QLatin1String("gdsii"))
        return LayoutFormat::Gdsii;
    if (suffix == QLatin1String("dxf"))
        return LayoutFormat::Dxf;
    return std::nullopt;
}

QString layoutFormatName(LayoutFormat format)
{
    return format == LayoutFormat::Dxf ? QStringLiteral("DXF") : QStringLiteral("GDSII");
}

torvane::Result<double> parseDatabaseUnit(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*([-+0-9.eE]+)\\s*(pm|nm|um|\u00b5m|mm|m)?\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    bool ok = false;
    const double number = match.hasMatch() ? match.captured(1).toDouble(&ok) : 0;
    if (!ok || !std::isfinite(number))
        return torvane::failure(
            QStringLiteral("'%1' is not a database unit such as 1nm, 0.5nm or 0.001um.").arg(text));
    const QString unit = match.captured(2);
    const double metres = number * (unit == QLatin1String("pm")   ? 1e-12
                                    : unit == QLatin1String("nm") ? 1e-9
                                    : unit == QLatin1String("mm") ? 1e-3
                                    : unit == QLatin1String("m")  ? 1.0
                                                                  : metresPerMicrometre);
    if (!isUsableDatabaseUnit(metres))
        return torvane::failure(
            QStringLiteral("the database unit '%1' lies outside 1 pm to 1 mm.").arg(text));
    return metres;
}

QString databaseUnitText(double metres)
{
    const auto shown = [](double value, const char *unit) {
        return QString::number(value, 'g', 6) + QLatin1Char(' ') + QLatin1String(unit);
    };
    // Values from 0.1 up keep the unit a user would type: 0.5 nm rather than 500 pm.
    if (metres < 1e-10 * (1 - 1e-9))
        return shown(metres / 1e-12, "pm");
    if (metres < 1e-7 * (1 - 1e-9))
        return shown(metres / 1e-9, "nm");
    if (metres < 1e-4 * (1 - 1e-9))
        return shown(metres / 1e-6, "um");
    return shown(metres / 1e-3, "mm");
}

std::optional<LayoutOrigin> parseLayoutOrigin(const QString &text)
{
    if (text == QLatin1String("centre") || text == QLatin1String("center"))
        return LayoutOrigin::SpiralCentre;
    if (text == QLatin1String("box"))
        return LayoutOrigin::BoxCorner;
    return std::nullopt;
}

QString layoutOriginKeyword(LayoutOrigin origin)
{
    return origin == LayoutOrigin::BoxCorner ? QStringLiteral("box") : QStringLiteral("centre");
}

namespace {
bool isCellNameCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' ||
           u == '?' || u == '$';
}

constexpr qsizetype maxCellNameLength = 32;
} // namespace

bool isValidCellName(const QString &name)
{
    return !name.isEmpty() && name.size() <= maxCellNameLength &&
           std::all_of(name.cbegin(), name.cend(), isCellNameCharacter);
}

QString cellNameFor(const QString &fileName)
{
    QString name = QFileInfo(fileName).completeBaseName().left(maxCellNameLength);
    for (QChar &c : name) {
        if (!isCellNameCharacter(c))
            c = QLatin1Char('_');
    }
    return name.isEmpty() ? QStringLiteral("TOP") : name;
}

} // namespace torvane
