#include "core/sonnet/keptitems.h"

#include "core/sonnet/sontextreader.h"
#include "core/sonnet/sontextwriter.h"

#include <QSet>

#include <algorithm>

namespace torvane {

namespace {
bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Lines known to stand alone: what follows them starts a new item.
bool isSingleLineKeyword(QByteArrayView word)
{
    return word == "VALVAR" || word == "VCNSTR" || word == "LORGN" || word == "SYM";
}

// A short name for an item in a sentence: its first line, cut if long.
QString itemName(const KeptItem &item)
{
    const QString first = item.lines.value(0).trimmed();
    return first.size() <= 60 ? first : first.left(57) + QStringLiteral("...");
}

// The ids after each word "POLY" in the item, in their order, without repeats.
QList<int> namedPolygons(const KeptItem &item)
{
    QList<int> ids;
    QSet<int> seen;
    for (const QString &line : item.lines) {
        if (!line.contains(QLatin1String("POLY")))
            continue;
        const QByteArray bytes = line.toLatin1();
        SonTextReader words(bytes);
        for (QByteArrayView word = words.readWordView(); !word.isEmpty();
             word = words.readWordView()) {
            if (word != "POLY")
                continue;
            bool ok = false;
            const int id = words.readInt(&ok);
            if (ok && !seen.contains(id)) {
                seen.insert(id);
                ids.append(id);
            }
        }
    }
    return ids;
}

QString listed(const QList<int> &ids)
{
    QStringList texts;
    for (const int id : ids.first(std::min<qsizetype>(ids.size(), 5)))
        texts.append(QString::number(id));
    if (texts.size() == 1)
        return QStringLiteral("polygon ") + texts.constFirst();
    const QString last = ids.size() > texts.size()
                             ? QStringLiteral("%1 more").arg(ids.size() - texts.size())
                             : texts.takeLast();
    return QStringLiteral("polygons ") + texts.join(QStringLiteral(", ")) +
           QStringLiteral(" and ") + last;
}
} // namespace

void KeptItemReader::follow(GeoRecord record, int recordIndex)
{
    after = record;
    index = recordIndex;
    depth = 0;
    runStart = firstUnsure = items.size();
}

void KeptItemReader::add(QByteArrayView line)
{
    SonTextReader words(line);
    const QByteArrayView word = words.readWordView();
    const bool bareEnd = word == "END" && words.readWordView().isEmpty();
    if (depth > 0) {
        items.last().lines.append(QString::fromLatin1(line));
        const bool nested =
            depth == 1 && ((block == Block::Variable && (word == "PS1" || word == "PS2")) ||
                           // a TECHLAY block's polygon, from its header line to its END
                           (block == Block::TechLayer && !word.isEmpty() &&
                            (word.front() == '-' || (word.front() >= '0' && word.front() <= '9'))));
        depth += bareEnd ? -1 : nested ? 1 : 0;
        if (depth == 0)
            firstUnsure = items.size();
        return;
    }
    if (bareEnd) {
        closeUnknownBlock(line);
        return;
    }
    if ((!word.isEmpty() && isLetter(word.front()) && word != "END") || items.size() == runStart)
        startItem(word);
    items.last().lines.append(QString::fromLatin1(line));
}

void KeptItemReader::startItem(QByteArrayView keyword)
{
    items.append(KeptItem{after, index, {}});
    block = keyword == "TECHLAY"  ? Block::TechLayer
            : keyword == "GEOVAR" ? Block::Variable
            : keyword == "DIM"    ? Block::Dimension
                                  : Block::None;
    depth = block == Block::None ? 0 : 1;
    if (isSingleLineKeyword(keyword))
        firstUnsure = items.size();
}

// An END that no known block opened closes one that started at an unknown line: everything
// since the last item known to be complete becomes that block.
void KeptItemReader::closeUnknownBlock(QByteArrayView endLine)
{
    const qsizetype first = std::max(firstUnsure, runStart);
    if (first == items.size()) {
        items.append(KeptItem{after, index, {}});
    } else {
        KeptItem &merged = items[first];
        for (qsizetype i = first + 1; i < items.size(); ++i)
            merged.lines.append(items[i].lines);
        items.resize(first + 1);
    }
    items.last().lines.append(QString::fromLatin1(endLine));
    firstUnsure = items.size();
}

KeptItemWriter::KeptItemWriter(const QList<KeptItem> &items)
{
    order.reserve(items.size());
    for (const KeptItem &item : items)
        order.append(&item);
    std::stable_sort(order.begin(), order.end(), [](const KeptItem *a, const KeptItem *b) {
        return a->after < b->after || (a->after == b->after && a->index < b->index);
    });
}

void KeptItemWriter::writeUpTo(SonTextWriter &out, GeoRecord record, int index)
{
    for (; next < order.size(); ++next) {
        const KeptItem &item = *order[next];
        if (item.after > record || (item.after == record && item.index > index))
            return;
        for (const QString &line : item.lines)
            out << line << '\n';
    }
}

QStringList dropItemsNamingPolygons(QList<KeptItem> &items)
{
    QStringList notes;
    const auto named = [&notes](const KeptItem &item) {
        const QList<int> ids = namedPolygons(item);
        if (!ids.isEmpty())
            notes.append(QStringLiteral("Dropped \"%1\" from the template: it names %2, which "
                                        "the spiral replaces.")
                             .arg(itemName(item), listed(ids)));
        return !ids.isEmpty();
    };
    items.removeIf(named);
    return notes;
}

} // namespace torvane
