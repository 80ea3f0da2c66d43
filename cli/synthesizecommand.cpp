#include "cli/synthesizecommand.h"
#include "cli/terminaltext.h"
#include "core/wording/inductancetext.h"

#include "cli/clierror.h"
#include "cli/losstable.h"
#include "cli/spiralcommands.h"
#include "cli/spiraloptions.h"
#include "core/inductance/geometryinductance.h"
#include "core/sonnet/numberformat.h"
#include "core/synthesis/synthesis.h"
#include "core/template/analysisfrequencies.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <optional>

using namespace torvane;

namespace {
// What synthesize takes beyond the spiral options of create.
struct SynthesisOptions
{
    QString target;
    QString place = QStringLiteral("refplanes");
    QString tolerance = QStringLiteral("1");
    QString turns;
    QString radius;
    bool snapRadius = false;
    bool json = false;
    bool inBox = false;
    std::optional<QString> createPath;
    std::optional<QString> qAt; // rank by Q at this frequency, in the template's unit
    ParsedOptions spiral;       // the rest, for the spiral options
};

// Candidates ranked by Q: more of them are found first, the best five by Q kept.
constexpr int qPool = 20;

// Turns and radius take ranges here.
const QList<CliOption> &synthesisOwnOptions()
{
    static const QList<CliOption> options = [] {
        QList<CliOption> own;
        for (const char *name : {"target", "at", "tolerance", "turns", "radius", "create", "q-at"})
            own.append(CliOption::valued(name));
        for (const char *name : {"in-box", "snap-radius", "json"})
            own.append(CliOption::switched(name));
        return own;
    }();
    return options;
}

SynthesisOptions splitArguments(const QStringList &arguments)
{
    static const OptionTable table = spiralOptionTable().with(synthesisOwnOptions());
    SynthesisOptions options;
    options.spiral = parseOptions(arguments, table);
    const ParsedOptions &given = options.spiral;
    const auto take = [&](const char *name, QString &into) {
        if (given.contains(QLatin1String(name)))
            into = given.value(QLatin1String(name));
    };
    take("target", options.target);
    take("at", options.place);
    take("tolerance", options.tolerance);
    take("turns", options.turns);
    take("radius", options.radius);
    if (given.contains(QStringLiteral("q-at")))
        options.qAt = given.value(QStringLiteral("q-at"));
    if (given.contains(QStringLiteral("create")))
        options.createPath = withProjectSuffix(given.value(QStringLiteral("create")));
    options.inBox = given.contains(QStringLiteral("in-box"));
    options.snapRadius = given.contains(QStringLiteral("snap-radius"));
    options.json = given.contains(QStringLiteral("json"));
    for (const CliOption &option : synthesisOwnOptions())
        options.spiral.remove(option.names.first());
    return options;
}

double positiveNumber(const char *flag, const QString &text, const QString &what)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || !(value > 0))
        throw CliError(
            QStringLiteral("--%1 needs %2, not '%3'.").arg(QLatin1String(flag), what, text));
    return value;
}

// "MIN:MAX", "MIN:", ":MAX" or one value for both; each end checked as the field checks it.
template <class Parse>
std::pair<std::optional<double>, std::optional<double>> parseRange(const QString &text, Parse parse)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() > 2)
        throw CliError(QStringLiteral("'%1' is not a range MIN:MAX.").arg(text));
    const auto end = [&](const QString &part) -> std::optional<double> {
        if (part.trimmed().isEmpty())
            return std::nullopt;
        return parse(part.trimmed());
    };
    if (parts.size() == 1) {
        const std::optional<double> both = end(parts[0]);
        return {both, both};
    }
    return {end(parts[0]), end(parts[1])};
}

SynthesisRequest makeRequest(const SynthesisOptions &options, const SpiralCommandOptions &spiral,
                             const LoadedTemplate &loaded)
{
    SynthesisRequest request;
    request.design = spiral.parameters;
    if (options.target.isEmpty())
        throw CliError(QStringLiteral("synthesize needs --target VALUE, in %1.")
                           .arg(loaded.inductanceUnitText));
    request.target =
        positiveNumber(
            "target", options.target,
            QStringLiteral("an inductance in %1 larger than 0").arg(loaded.inductanceUnitText)) /
        inductanceScale(loaded);
    if (options.place == QLatin1String("winding"))
        request.place = InductancePlace::Winding;
    else if (options.place == QLatin1String("refplanes"))
        request.place = InductancePlace::ReferencePlanes;
    else
        throw CliError(
            QStringLiteral("--at takes winding or refplanes, not '%1'.").arg(options.place));
    QString tolerance = options.tolerance.trimmed();
    if (tolerance.endsWith(QLatin1Char('%')))
        tolerance = tolerance.chopped(1).trimmed();
    request.tolerance =
        positiveNumber("tolerance", tolerance, QStringLiteral("a percentage larger than 0")) / 100;
    if (request.tolerance >= 1)
        throw CliError(
            QStringLiteral("--tolerance must stay below 100 %, not %1.").arg(options.tolerance));

    const bool differential = isDifferential(spiral.parameters.shape);
    if (!options.turns.isEmpty()) {
        const auto [low, high] = parseRange(options.turns, [&](const QString &text) {
            return parseTurnsOption(text, differential);
        });
        request.minTurns = low.value_or(request.minTurns);
        request.maxTurns = high.value_or(request.maxTurns);
    }
    if (!options.radius.isEmpty()) {
        const auto [low, high] = parseRange(options.radius, [](const QString &text) {
            return parseLengthOption(QStringLiteral("radius"), text);
        });
        request.minRadius = low.value_or(request.minRadius);
        request.maxRadius = high.value_or(request.maxRadius);
    }
    request.snapRadius = options.snapRadius;
    request.inBox = options.inBox;
    return request;
}

// The frequency of --q-at in Hz; throws CliError naming a bad value.
double qFrequency(const QString &text, const LoadedTemplate &loaded)
{
    const FrequencySweep sweep = frequencyList(text, loaded.document().dimension.frequencyUnit);
    if (!sweep.ok())
        throw CliError(QStringLiteral("--q-at: ") + sweep.error());
    if (sweep->size() != 1)
        throw CliError(QStringLiteral("--q-at takes one frequency, not '%1'.").arg(text));
    return sweep->front();
}

// Q of each candidate at the frequency, best first, the request's count kept; candidates
// without a Q go last.
QList<double> rankByQ(SynthesisResult &result, double hertz, const LoadedTemplate &loaded,
                      int count)
{
    QList<std::pair<double, SynthesisCandidate>> ranked;
    for (const SynthesisCandidate &c : result.candidates) {
        const FrequencyResponse response =
            frequencyResponse(c.parameters, loaded.document(), loaded.technology.layerSetup(),
                              loaded.technology.functionSetup(), {hertz});
        ranked.append({response.hasValues() ? response.freeSpace.front().q : -1, c});
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    ranked = ranked.mid(0, count);
    result.candidates.clear();
    QList<double> qs;
    for (const auto &[q, c] : ranked) {
        result.candidates.append(c);
        qs.append(q);
    }
    return qs;
}

QString placeName(const SynthesisRequest &request)
{
    const QString place = request.place == InductancePlace::Winding
                              ? QStringLiteral("of the winding")
                              : QStringLiteral("at the reference planes");
    return request.inBox ? place + QStringLiteral(" in the box") : place;
}

QString radiusText(double radius)
{
    return QLocale::c()
        .toString(radius, 'f', 3)
        .remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

QString deviationText(double deviation)
{
    return QString::asprintf("%+.3f %%", deviation * 100);
}

void printTable(QTextStream &out, const SynthesisRequest &request, const SynthesisResult &result,
                const LoadedTemplate &loaded, const QList<double> &qs, const QString &qAt)
{
    const double scale = inductanceScale(loaded);
    const QString &l = loaded.lengthUnitText;
    const QString &h = loaded.inductanceUnitText;
    out << "Target: " << formatReal(request.target * scale) << ' ' << h << ' ' << placeName(request)
        << ", within " << formatReal(request.tolerance * 100) << " %\n";
    QStringList header{QStringLiteral("turns"), QStringLiteral("radius [%1]").arg(l),
                       QStringLiteral("size x / y [%1]").arg(l),
                       QStringLiteral("winding [%1]").arg(h),
                       QStringLiteral("ref. planes [%1]").arg(h)};
    if (request.inBox)
        header += {QStringLiteral("in box [%1]").arg(h),
                   QStringLiteral("in box, ref. planes [%1]").arg(h)};
    header += {QStringLiteral("estimate [%1]").arg(h), QStringLiteral("deviation")};
    QList<QStringList> rows{header};
    if (!qs.isEmpty())
        rows.first().append(QStringLiteral("Q at %1").arg(qAt));
    for (qsizetype i = 0; i < result.candidates.size(); ++i) {
        const SynthesisCandidate &c = result.candidates[i];
        QStringList row{formatReal(c.parameters.turns), radiusText(c.parameters.radius),
                        formatReal(c.sizeX) + QStringLiteral(" / ") + formatReal(c.sizeY),
                        geometryValueText(c.winding * scale),
                        geometryValueText(c.referencePlanes * scale)};
        if (request.inBox)
            row += {geometryValueText(c.inBoxWinding.value_or(0) * scale),
                    geometryValueText(c.inBoxReferencePlanes.value_or(0) * scale)};
        row += {c.estimateText, deviationText(c.deviation)};
        if (!qs.isEmpty())
            row.append(qs[i] >= 0 ? QString::number(qs[i], 'g', 4) : QStringLiteral("n/a"));
        rows.append(row);
    }
    writeAlignedRows(out, rows, true);
}

void printJson(QTextStream &out, const SynthesisResult &result, const LoadedTemplate &loaded,
               const QList<double> &qs)
{
    const double scale = inductanceScale(loaded);
    QJsonArray candidates;
    for (qsizetype i = 0; i < result.candidates.size(); ++i) {
        const SynthesisCandidate &c = result.candidates[i];
        QJsonObject geometry{{QStringLiteral("winding"), c.winding * scale},
                             {QStringLiteral("referencePlanes"), c.referencePlanes * scale}};
        if (c.inBoxWinding && c.inBoxReferencePlanes)
            geometry.insert(
                QStringLiteral("inBox"),
                QJsonObject{{QStringLiteral("winding"), *c.inBoxWinding * scale},
                            {QStringLiteral("referencePlanes"), *c.inBoxReferencePlanes * scale}});
        QJsonObject candidate{{QStringLiteral("turns"), c.parameters.turns},
                              {QStringLiteral("radius"), c.parameters.radius},
                              {QStringLiteral("sizeX"), c.sizeX},
                              {QStringLiteral("sizeY"), c.sizeY},
                              {QStringLiteral("geometryInductance"), geometry},
                              {QStringLiteral("estimateText"), c.estimateText},
                              {QStringLiteral("deviationPercent"), c.deviation * 100}};
        if (!qs.isEmpty())
            candidate.insert(QStringLiteral("q"), qs[i] >= 0 ? QJsonValue(qs[i]) : QJsonValue());
        candidates.append(candidate);
    }
    out << QJsonDocument(candidates).toJson(QJsonDocument::Indented);
}

} // namespace

int runSynthesize(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    SynthesisOptions options = splitArguments(arguments);
    // With --create the spiral options must be what create takes, so they are read as create
    // reads them.
    if (options.createPath) {
        if (options.spiral.contains(QStringLiteral("o")))
            throw CliError(QStringLiteral("synthesize writes its project to --create's file; "
                                          "drop -o."));
        options.spiral.set(QStringLiteral("o"), *options.createPath);
    }
    const SpiralCommandOptions spiral = spiralOptionsFrom(
        options.spiral, options.createPath ? SpiralCommand::Create : SpiralCommand::Synthesize);
    const LoadedTemplate loaded = loadTemplate(spiral);
    SynthesisRequest request = makeRequest(options, spiral, loaded);
    const double qHertz = options.qAt ? qFrequency(*options.qAt, loaded) : 0;
    const int count = request.count;
    if (options.qAt)
        request.count = qPool;
    SynthesisResult result =
        synthesizeSpiral(request, loaded.document(), loaded.technology.layerSetup(),
                         loaded.technology.functionSetup());
    const QList<double> qs = options.qAt ? rankByQ(result, qHertz, loaded, count) : QList<double>{};
    if (options.json)
        printJson(out, result, loaded, qs);
    if (result.candidates.isEmpty()) {
        throw CliError(synthesisExplanation(request, result, loaded.document().geometry.box,
                                            loaded.lengthUnitText, loaded.inductanceUnitText));
    }
    if (!options.json)
        printTable(out, request, result, loaded, qs,
                   options.qAt ? frequencyText(qHertz, loaded) : QString());
    if (options.createPath) {
        out.flush();
        // Keep the standard output pure JSON.
        // The best candidate as the table shows it: its radius to the fields' 3 decimals.
        SpiralCommandOptions best = spiral;
        best.parameters.turns = result.candidates.first().parameters.turns;
        best.parameters.radius =
            std::round(result.candidates.first().parameters.radius * 1000) / 1000;
        return createAndReport(best, loaded, options.json ? err : out, err);
    }
    return 0;
}
