#include "core/template/lengthconversion.h"

#include "core/sonnet/numberformat.h"
#include "core/template/units.h"

#include <QSet>

#include <cmath>

namespace torvane {

namespace {
struct WordSpan
{
    qsizetype start = 0;
    qsizetype size = 0;
};

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\v') || c == QLatin1Char('\f');
}

QList<WordSpan> wordSpans(const QString &line)
{
    QList<WordSpan> spans;
    for (qsizetype i = 0; i < line.size();) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < line.size() && !isBlank(line[i]))
            ++i;
        spans.append({start, i - start});
    }
    return spans;
}

QString wordAt(const QString &line, qsizetype index)
{
    const QList<WordSpan> spans = wordSpans(line);
    return index < spans.size() ? line.mid(spans[index].start, spans[index].size) : QString();
}

// Scales the words of the line that `scaled` picks by their index, where they are numbers; the
// rest of the line, its spacing included, stays as it was.
template <typename Pick> void scaleWords(QString &line, double factor, const Pick &scaled)
{
    const QList<WordSpan> spans = wordSpans(line);
    for (qsizetype i = spans.size() - 1; i >= 0; --i) {
        if (!scaled(i))
            continue;
        bool ok = false;
        const double value = QStringView(line).mid(spans[i].start, spans[i].size).toDouble(&ok);
        if (ok && std::isfinite(value))
            line.replace(spans[i].start, spans[i].size, formatReal(value * factor));
    }
}

void scaleMetal(MetalType &metal, double factor)
{
    // The parameters after the model: NOR and TMM have conductivity, current ratio and
    // thickness first; VOL has conductivity, then its wall thickness, or SOLID and a number.
    const QString &model = metal.model;
    if (model == QLatin1String("NOR") || model == QLatin1String("TMM"))
        scaleWords(metal.parameters, factor, [](qsizetype i) { return i == 2; });
    else if (model == QLatin1String("VOL"))
        scaleWords(metal.parameters, factor, [](qsizetype i) { return i >= 1; });
}

void scaleTechnologyAndGeometry(GeometryBlock &geometry, double factor)
{
    geometry.box.xWidth *= factor;
    geometry.box.yWidth *= factor;
    for (DielectricLayer &layer : geometry.dielectricLayers)
        layer.thickness *= factor;
    scaleMetal(geometry.topMetal, factor);
    scaleMetal(geometry.bottomMetal, factor);
    for (MetalType &metal : geometry.metalTypes)
        scaleMetal(metal, factor);
    for (ReferencePlane &plane : geometry.referencePlanes) {
        if (plane.type == QLatin1String("FIX"))
            plane.length *= factor;
    }
    for (Polygon &polygon : geometry.polygons) {
        for (Point &point : polygon.points)
            point = Point(point.x * factor, point.y * factor);
    }
    for (Port &port : geometry.ports) {
        port.portReals[4] *= factor; // the port's position
        port.portReals[5] *= factor;
        port.extraReal *= factor; // an AGND port's reference plane length
    }
}

// The variables of type LNG: their values, limits, sweeps and ranges are lengths.
QSet<QString> lengthVariables(const QList<KeptItem> &items)
{
    QSet<QString> names;
    for (const KeptItem &item : items) {
        for (const QString &line : item.lines) {
            if (wordAt(line, 0) == QLatin1String("VALVAR") &&
                wordAt(line, 2) == QLatin1String("LNG"))
                names.insert(wordAt(line, 1));
        }
    }
    return names;
}

void scaleKeptItem(KeptItem &item, double factor, const QSet<QString> &variables)
{
    const QString block = wordAt(item.lines.value(0), 0);
    const bool annotation = block == QLatin1String("DIM");
    const bool lengthParameter =
        block == QLatin1String("GEOVAR") && variables.contains(wordAt(item.lines.value(0), 1));
    const auto first = [](qsizetype from, qsizetype to) {
        return [from, to](qsizetype i) {
            return i >= from && i <= to;
        };
    };
    for (QString &line : item.lines) {
        const QString keyword = wordAt(line, 0);
        if (keyword == QLatin1String("LORGN"))
            scaleWords(line, factor, first(1, 2));
        else if (keyword == QLatin1String("VALVAR") && wordAt(line, 2) == QLatin1String("LNG"))
            scaleWords(line, factor, first(3, 3));
        else if (keyword == QLatin1String("VCNSTR") && variables.contains(wordAt(line, 2)))
            scaleWords(line, factor, first(3, 4));
        else if (keyword == QLatin1String("POS") &&
                 (annotation || block == QLatin1String("GEOVAR")))
            scaleWords(line, factor, first(1, 2));
        else if (keyword == QLatin1String("NOM") && (annotation || lengthParameter))
            scaleWords(line, factor, first(1, 1));
    }
}

// "VAR W N 0.508 0.508 UNDEF" in VARSWP, "W N 0 2 0.1" among OPT's variables.
void scaleVariableLines(ProjectDocument &document, double factor, const QSet<QString> &variables)
{
    for (QString &line : document.sweepLines) {
        if (wordAt(line, 0) == QLatin1String("VAR") && variables.contains(wordAt(line, 1)))
            scaleWords(line, factor, [](qsizetype i) { return i >= 3; });
    }
    for (QString &line : document.optimisationLines) {
        if (variables.contains(wordAt(line, 0)))
            scaleWords(line, factor, [](qsizetype i) { return i >= 2; });
    }
}
} // namespace

torvane::Status convertLengthUnit(ProjectDocument &document, const QString &unit)
{
    const QStringList &names = lengthUnitNames();
    const int to = matchingUnitIndex(names, unit);
    if (to < 0)
        return torvane::failure(QStringLiteral("\"%1\" is not a length unit (choose from %2)")
                                    .arg(unit, names.join(QStringLiteral(", "))));
    const QString &own = document.dimension.lengthUnit;
    const int from = matchingUnitIndex(names, own);
    if (from < 0 && !own.isEmpty())
        return torvane::failure(
            QStringLiteral("the template's length unit \"%1\" is none this program knows, so "
                           "its lengths cannot be converted to %2")
                .arg(own, unit));
    if (from >= 0 && from != to) {
        const double factor = MetresPerLengthUnit(names[from]) / MetresPerLengthUnit(names[to]);
        GeometryBlock &geometry = document.geometry;
        scaleTechnologyAndGeometry(geometry, factor);
        const QSet<QString> variables = lengthVariables(geometry.keptItems);
        for (KeptItem &item : geometry.keptItems)
            scaleKeptItem(item, factor, variables);
        scaleVariableLines(document, factor, variables);
    }
    document.dimension.setLengthUnit(unit);
    return {};
}

} // namespace torvane
