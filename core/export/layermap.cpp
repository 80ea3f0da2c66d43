#include "core/export/layermap.h"

#include "core/sonnet/geometryrecords.h"
#include "core/template/layerroles.h"

#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace torvane {

namespace {
QString entryError(const QString &part, const QString &problem)
{
    return QStringLiteral("'%1': %2").arg(part, problem);
}

std::optional<int> layerNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    return text.toInt();
}

torvane::Result<GdsLayer> parseTarget(const QString &part, const QString &text)
{
    const QStringList numbers = text.split(QLatin1Char('/'));
    if (numbers.size() > 2)
        return torvane::failure(
            entryError(part, QStringLiteral("write the target as LAYER or LAYER/DATATYPE.")));
    GdsLayer target;
    const char *const names[] = {"layer", "datatype"};
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        const std::optional<int> value = layerNumber(numbers[i].trimmed());
        if (!value)
            return torvane::failure(
                entryError(part, QStringLiteral("'%1' is not a %2 number from 0 to %3.")
                                     .arg(numbers[i].trimmed(), QLatin1String(names[i]))
                                     .arg(maxGdsLayerNumber)));
        if (*value > maxGdsLayerNumber)
            return torvane::failure(
                entryError(part, QStringLiteral("%1 %2 is above %3, the largest GDSII allows.")
                                     .arg(QLatin1String(names[i]))
                                     .arg(*value)
                                     .arg(maxGdsLayerNumber)));
        (i == 0 ? target.layer : target.datatype) = *value;
    }
    return target;
}

bool parseKey(const QString &key, LayerMap::Entry &entry)
{
    static const QRegularExpression level(QStringLiteral("^[Ll](\\d{1,9})$"));
    static const QRegularExpression via(QStringLiteral("^via:(\\d{1,9}|GND)-(\\d{1,9}|GND)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (levelRoleNames().contains(key)) {
        entry.kind = LayerMap::Kind::Role;
        entry.role = key;
        return true;
    }
    if (const QRegularExpressionMatch match = level.match(key); match.hasMatch()) {
        entry.kind = LayerMap::Kind::Level;
        entry.level = match.captured(1).toInt();
        return true;
    }
    if (const QRegularExpressionMatch match = via.match(key); match.hasMatch()) {
        const auto levelOf = [](const QString &text) {
            return text.compare(QLatin1String("GND"), Qt::CaseInsensitive) == 0 ? groundLevel
                                                                                : text.toInt();
        };
        const int a = levelOf(match.captured(1));
        const int b = levelOf(match.captured(2));
        entry.kind = LayerMap::Kind::Via;
        entry.level = std::min(a, b);
        entry.toLevel = std::max(a, b);
        return true;
    }
    return false;
}
} // namespace

namespace {
QString levelKey(int level)
{
    return QStringLiteral("L%1").arg(level);
}

QString viaKey(int level, int toLevel)
{
    return QStringLiteral("via:%1-%2").arg(levelText(level), levelText(toLevel));
}
} // namespace

QString LayerMap::Entry::key() const
{
    switch (kind) {
    case Kind::Role:
        return role;
    case Kind::Via:
        return viaKey(level, toLevel);
    case Kind::Level:
        break;
    }
    return levelKey(level);
}

torvane::Result<LayerMap::Entry> LayerMap::parseEntry(const QString &part)
{
    const qsizetype equals = part.indexOf(QLatin1Char('='));
    if (equals < 0)
        return torvane::failure(
            entryError(part, QStringLiteral("write it as KEY=LAYER/DATATYPE.")));
    Entry entry;
    if (!parseKey(part.left(equals).trimmed(), entry))
        return torvane::failure(
            entryError(part, QStringLiteral("'%1' is neither a role (%2), a metal level such "
                                            "as L2, nor a via level pair such as via:0-1.")
                                 .arg(part.left(equals).trimmed(),
                                      levelRoleNames().join(QStringLiteral(", ")))));
    const torvane::Result<GdsLayer> target = parseTarget(part, part.mid(equals + 1).trimmed());
    if (!target)
        return torvane::failure(target.error());
    entry.target = *target;
    return entry;
}

torvane::Result<LayerMap> LayerMap::parse(const QString &text)
{
    LayerMap map;
    for (const QString &rawPart : text.split(QLatin1Char(','))) {
        const QString part = rawPart.trimmed();
        if (part.isEmpty())
            continue;
        const torvane::Result<Entry> entry = parseEntry(part);
        if (!entry)
            return torvane::failure(entry.error());
        const QString key = entry->key();
        if (map.byKey.contains(key))
            return torvane::failure(QStringLiteral("'%1' is mapped twice.").arg(key));
        map.byKey.insert(key, entry->target);
        map.list.append(*entry);
    }
    return map;
}

QString LayerMap::toText() const
{
    QStringList parts;
    for (const Entry &entry : list)
        parts.append(QStringLiteral("%1=%2/%3")
                         .arg(entry.key())
                         .arg(entry.target.layer)
                         .arg(entry.target.datatype));
    return parts.join(QLatin1Char(','));
}

GdsLayer LayerMap::metalLayer(int level, const QString &role) const
{
    if (const auto own = byKey.constFind(levelKey(level)); own != byKey.cend())
        return *own;
    if (const auto byRole = byKey.constFind(role); !role.isEmpty() && byRole != byKey.cend())
        return *byRole;
    return defaultMetalLayer(level);
}

GdsLayer LayerMap::viaLayer(int level, int toLevel) const
{
    const auto found = byKey.constFind(viaKey(std::min(level, toLevel), std::max(level, toLevel)));
    return found != byKey.cend() ? *found : defaultViaLayer(level, toLevel);
}

GdsLayer LayerMap::defaultViaLayer(int level, int toLevel)
{
    return {100 + std::min(level, toLevel), 0};
}

} // namespace torvane
