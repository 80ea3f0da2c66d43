#include "cli/spiraloptions.h"

#include "cli/clierror.h"
#include "core/export/picturename.h"
#include "core/template/fieldvalue.h"
#include "core/template/layerroles.h"
#include "core/template/units.h"

#include <QHash>
#include <QRegularExpression>

#include <cmath>

using namespace torvane;

namespace {

// Those without help lines are shown in the usage of the commands that take them.
const QList<CliOption> &spiralOwnOptions()
{
    static const QList<CliOption> options{
        CliOption::valued("shape", "  --shape round|nsided|diffround|diffnsided   (required)\n"),
        CliOption::valued("template",
                          "  --template T.son        technology template (default: the built-in "
                          "one)\n"),
        {{QStringLiteral("o"), QStringLiteral("output")}, CliOption::Takes::Value, {}},
        CliOption::valued(
            "turns", "  --turns N               1 to 99.99 (whole numbers for the differential "
                     "shapes); 2\n"),
        CliOption::valued("sides", "  --sides n               4 to 16 (n-sided shapes); 8\n"),
        CliOption::valued("radius",
                          "  --radius R              inner radius; 25, or 50 for the differential "
                          "shapes\n"),
        CliOption::valued("width", "  --width W               conductor width; 10\n"),
        CliOption::valued("spacing", "  --spacing S             gap between turns; 10\n"),
        CliOption::valued("bridge-width",
                          "  --bridge-width B        bridge / centre-tap width; 10\n"),
        CliOption::valued("feed-spacing",
                          "  --feed-spacing F        feed line spacing (differential "
                          "shapes); 10\n"),
        CliOption::switched("feed-auto", "  --feed-auto | --no-feed-auto       feed spacing chosen "
                                         "automatically; on\n"),
        CliOption::switched("no-feed-auto"),
        CliOption::switched("center-tap", "  --center-tap | --no-center-tap     draw a centre tap "
                                          "(differential shapes); on\n"),
        CliOption::switched("no-center-tap"),
        CliOption::valued("length-unit",
                          "  --length-unit mil|in|um|mm|cm|m    unit of all lengths (default: "
                          "the template's)\n"),
        CliOption::valued("inductance-unit", "  --inductance-unit H|mH|uH|nH|pH|fH (default: the "
                                             "template's)\n"),
        CliOption::valued("roles",
                          "  --roles ROLE,...        role per metal level: none, spiral or "
                          "bridge\n"),
        CliOption::valued("metals",
                          "  --metals NAME,...       metal type per metal level (Lossless or the "
                          "template's)\n"),
        CliOption::valued("gds",
                          "  --gds OUT.gds           create: also write the layout (layout options "
                          "below)\n"),
        CliOption::valued(
            "freq",
            "  --freq F,...|START:STOP:STEP|template\n"
            "                          estimate, render --plot, sweep: frequencies for the "
            "loss, in the\n"
            "                          template's frequency unit; template: its FREQ block's "
            "range on a\n"
            "                          log scale in 21 points (0.1 to 10 GHz without a FREQ "
            "block)\n"),
        CliOption::valued("size"),
        CliOption::valued("plot"),
        CliOption::switched("staircase"),
        CliOption::switched("yes"),
        CliOption::switched("json")};
    return options;
}
} // namespace

const OptionTable &spiralOptionTable()
{
    static const OptionTable table = [] {
        QList<CliOption> layout = layoutOptions();
        // Their help has a section of its own.
        for (CliOption &option : layout)
            option.help.clear();
        return OptionTable{spiralOwnOptions()}.with(layout);
    }();
    return table;
}

QString spiralOptionsHelp()
{
    return OptionTable{spiralOwnOptions()}.help() +
           QStringLiteral(
               "  Lengths are 0.001 to 1000000 with at most 3 decimals (2 for the n-sided\n"
               "  differential width), in the chosen length unit.\n");
}

const QStringList &numericSpiralOptionNames()
{
    static const QStringList names{QStringLiteral("turns"),       QStringLiteral("sides"),
                                   QStringLiteral("radius"),      QStringLiteral("width"),
                                   QStringLiteral("spacing"),     QStringLiteral("bridge-width"),
                                   QStringLiteral("feed-spacing")};
    return names;
}

namespace {
double parseNumber(const QString &flag, const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw CliError(QStringLiteral("%1 needs a number, not '%2'.").arg(optionFlag(flag), text));
    return value;
}

// Only texts the conversion took come here: all are decimal numbers.
int decimalsOf(const QString &text)
{
    return decimalsOfValue(text).value_or(0);
}

double parseLength(const QString &flag, const QString &text, int maxDecimals = 3)
{
    const double value = parseNumber(flag, text);
    if (value < smallestLength || value > largestLength)
        throw CliError(QStringLiteral("%1 must lie between 0.001 and 1000000, not %2.")
                           .arg(optionFlag(flag), text));
    if (decimalsOf(text) > maxDecimals)
        throw CliError(QStringLiteral("%1 takes at most %2 decimals, not %3.")
                           .arg(optionFlag(flag))
                           .arg(maxDecimals)
                           .arg(text));
    return value;
}

SpiralShape parseShape(const QString &text)
{
    static const QHash<QString, SpiralShape> shapes{
        {QStringLiteral("round"), SpiralShape::Round},
        {QStringLiteral("nsided"), SpiralShape::NSided},
        {QStringLiteral("diffround"), SpiralShape::RoundDifferential},
        {QStringLiteral("diffnsided"), SpiralShape::NSidedDifferential}};
    const auto found = shapes.find(text);
    if (found == shapes.end())
        throw CliError(QStringLiteral("--shape must be round, nsided, diffround or diffnsided, "
                                      "not '%1'.")
                           .arg(text));
    return found.value();
}

QString parseUnit(const QString &flag, const QString &text, const QStringList &names)
{
    if (!names.contains(text))
        throw CliError(QStringLiteral("%1 must be one of %2, not '%3'.")
                           .arg(optionFlag(flag), names.join(QLatin1Char('|')), text));
    return text;
}

QStringList parseRoles(const QString &text)
{
    QStringList roles = text.split(QLatin1Char(','));
    for (const QString &role : roles) {
        if (!levelRoleNames().contains(role))
            throw CliError(
                QStringLiteral("--roles takes none, spiral or bridge, not '%1'.").arg(role));
    }
    return roles;
}

void checkNotBoth(const ParsedOptions &raw, const char *on, const char *off)
{
    if (raw.contains(QLatin1String(on)) && raw.contains(QLatin1String(off)))
        throw CliError(QStringLiteral("--%1 and --%2 exclude each other.")
                           .arg(QLatin1String(on), QLatin1String(off)));
}

double parseTurns(const QString &text, bool differential)
{
    const double turns = parseNumber(QStringLiteral("turns"), text);
    if (differential) {
        if (turns != std::floor(turns) || turns < 1 || turns > 99)
            throw CliError(QStringLiteral("--turns must be a whole number from 1 to 99 for the "
                                          "differential shapes, not %1.")
                               .arg(text));
        return turns;
    }
    if (turns < 1 || turns > 99.99 || decimalsOf(text) > 2)
        throw CliError(
            QStringLiteral("--turns must lie between 1 and 99.99 with at most 2 decimals, not %1.")
                .arg(text));
    return turns;
}

int parseSides(const QString &text)
{
    const double sides = parseNumber(QStringLiteral("sides"), text);
    if (sides != std::floor(sides) || sides < 4 || sides > 16)
        throw CliError(
            QStringLiteral("--sides must be a whole number from 4 to 16, not %1.").arg(text));
    return static_cast<int>(sides);
}

void checkCreateOptions(const ParsedOptions &raw, SpiralCommandOptions &options)
{
    const auto has = [&](const char *flag) {
        return raw.contains(QLatin1String(flag));
    };
    options.outputPath = withProjectSuffix(raw.value(QStringLiteral("o")));
    if (options.outputPath.isEmpty())
        throw CliError(QStringLiteral("create needs an output file: -o OUT.son."));
    if (options.json)
        throw CliError(QStringLiteral("--json belongs to estimate, check and synthesize."));
    if (has("size"))
        throw CliError(QStringLiteral("--size belongs to render."));
    if (has("freq") || has("plot"))
        throw CliError(QStringLiteral("--freq and --plot belong to estimate and render."));
    if (has("gds")) {
        checkLayoutPath(QStringLiteral("--gds"), raw.value(QStringLiteral("gds")));
        options.layout = LayoutTarget{raw.value(QStringLiteral("gds")), parseLayoutOptions(raw)};
    }
    for (const QString &name : layoutOptionNames()) {
        if (!has("gds") && raw.contains(name))
            throw CliError(QStringLiteral("--%1 belongs with --gds.").arg(name));
    }
}

void checkEstimateOptions(const ParsedOptions &raw, const SpiralCommandOptions &options)
{
    for (const QString &flag :
         QStringList{QStringLiteral("o"), QStringLiteral("gds")} + layoutOptionNames()) {
        if (raw.contains(flag))
            throw CliError(QStringLiteral("%1 belongs to create.").arg(optionFlag(flag)));
    }
    for (const QString &flag : {QStringLiteral("size"), QStringLiteral("plot")}) {
        if (raw.contains(flag))
            throw CliError(QStringLiteral("%1 belongs to render.").arg(optionFlag(flag)));
    }
    if (options.staircase || options.assumeYes)
        throw CliError(QStringLiteral("--staircase and --yes belong to create."));
}

QSize parsePictureSize(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,5})(?:x(\\d{1,5}))?$"));
    const QRegularExpressionMatch match = form.match(text);
    const int width = match.hasMatch() ? match.captured(1).toInt() : 0;
    const int height = match.hasMatch() && match.hasCaptured(2) ? match.captured(2).toInt() : width;
    if (width < 64 || height < 64 || width > 8000 || height > 8000)
        throw CliError(QStringLiteral("--size takes WIDTHxHEIGHT or one number, each 64 to 8000 "
                                      "pixels, not '%1'.")
                           .arg(text));
    return {width, height};
}

// check and render draw nothing but the layout: --staircase and --yes change nothing there and
// are let through, so a create command line can be checked as it stands.
void checkPictureOptions(const ParsedOptions &raw, SpiralCommandOptions &options,
                         SpiralCommand command)
{
    const QString name =
        command == SpiralCommand::Check ? QStringLiteral("check") : QStringLiteral("render");
    for (const QString &flag : QStringList{QStringLiteral("gds")} + layoutOptionNames()) {
        if (raw.contains(flag))
            throw CliError(
                QStringLiteral("%1 belongs to create, not %2.").arg(optionFlag(flag), name));
    }
    if (command == SpiralCommand::Check) {
        if (raw.contains(QStringLiteral("freq")) || raw.contains(QStringLiteral("plot")))
            throw CliError(QStringLiteral("--freq and --plot belong to estimate and render."));
        if (raw.contains(QStringLiteral("o")))
            throw CliError(QStringLiteral("check writes no file; drop -o."));
        if (raw.contains(QStringLiteral("size")))
            throw CliError(QStringLiteral("--size belongs to render."));
        return;
    }
    if (options.json)
        throw CliError(QStringLiteral("--json belongs to estimate, check and synthesize."));
    options.outputPath = raw.value(QStringLiteral("o"));
    if (!isLayoutPictureName(options.outputPath))
        throw CliError(QStringLiteral("render needs a picture file: -o OUT.svg or -o OUT.png."));
    if (raw.contains(QStringLiteral("size")))
        options.pictureSize = parsePictureSize(raw.value(QStringLiteral("size")));
    if (raw.contains(QStringLiteral("plot"))) {
        if (raw.value(QStringLiteral("plot")) != QLatin1String("lq"))
            throw CliError(QStringLiteral("--plot takes lq (L and Q against frequency), not '%1'.")
                               .arg(raw.value(QStringLiteral("plot"))));
        options.plot = true;
    } else if (raw.contains(QStringLiteral("freq"))) {
        throw CliError(QStringLiteral("render takes --freq with --plot lq."));
    }
}

void checkSynthesizeOptions(const ParsedOptions &raw, const SpiralCommandOptions &options)
{
    const auto has = [&](const char *flag) {
        return raw.contains(QLatin1String(flag));
    };
    if (has("o"))
        throw CliError(QStringLiteral("synthesize writes a project only with --create "
                                      "OUT.son; drop -o."));
    if (has("freq") || has("plot"))
        throw CliError(QStringLiteral("synthesize takes --q-at FREQ, not --freq or --plot."));
    if (has("size"))
        throw CliError(QStringLiteral("--size belongs to render."));
    if (options.json)
        throw CliError(QStringLiteral("--json belongs to estimate, check and synthesize."));
    if (has("gds") || options.staircase || options.assumeYes)
        throw CliError(QStringLiteral("--gds, --staircase and --yes belong with --create."));
    for (const QString &name : layoutOptionNames()) {
        if (raw.contains(name))
            throw CliError(QStringLiteral("--%1 belongs with --gds.").arg(name));
    }
}
} // namespace

double parseLengthOption(const QString &flag, const QString &text, int maxDecimals)
{
    return parseLength(flag, text, maxDecimals);
}

double parseTurnsOption(const QString &text, bool differential)
{
    return parseTurns(text, differential);
}

double parseNumericOption(const QString &name, const QString &text, SpiralShape shape)
{
    if (name == QLatin1String("turns"))
        return parseTurns(text, isDifferential(shape));
    if (name == QLatin1String("sides"))
        return parseSides(text);
    return parseLength(
        name, text,
        name == QLatin1String("width") && shape == SpiralShape::NSidedDifferential ? 2 : 3);
}

void setNumericOption(SpiralParameters &p, const QString &name, double value)
{
    static const QHash<QString, double SpiralParameters::*> fields{
        {QStringLiteral("turns"), &SpiralParameters::turns},
        {QStringLiteral("radius"), &SpiralParameters::radius},
        {QStringLiteral("width"), &SpiralParameters::spiralWidth},
        {QStringLiteral("spacing"), &SpiralParameters::spacing},
        {QStringLiteral("bridge-width"), &SpiralParameters::bridgeWidth},
        {QStringLiteral("feed-spacing"), &SpiralParameters::feedSpacing}};
    if (const auto field = fields.find(name); field != fields.end())
        p.*field.value() = value;
    else
        p.sides = static_cast<int>(value);
}

SpiralCommandOptions parseSpiralOptions(const QStringList &arguments, SpiralCommand command)
{
    return spiralOptionsFrom(parseOptions(arguments, spiralOptionTable()), command);
}

SpiralCommandOptions spiralOptionsFrom(const ParsedOptions &raw, SpiralCommand command)
{
    checkNotBoth(raw, "feed-auto", "no-feed-auto");
    checkNotBoth(raw, "center-tap", "no-center-tap");

    SpiralCommandOptions options;
    if (!raw.contains(QStringLiteral("shape")))
        throw CliError(QStringLiteral("--shape is required (round, nsided, diffround or "
                                      "diffnsided)."));
    SpiralParameters &p = options.parameters;
    p.shape = parseShape(raw.value(QStringLiteral("shape")));
    p.radius = isDifferential(p.shape) ? 50 : 25;
    for (const QString &name : numericSpiralOptionNames()) {
        if (raw.contains(name))
            setNumericOption(p, name, parseNumericOption(name, raw.value(name), p.shape));
    }

    const auto value = [&](const char *flag) {
        return raw.value(QLatin1String(flag));
    };
    const auto has = [&](const char *flag) {
        return raw.contains(QLatin1String(flag));
    };
    if (has("no-feed-auto"))
        p.feedSpacingAuto = false;
    if (has("no-center-tap"))
        p.centerTap = false;
    options.templatePath = value("template");
    if (has("length-unit"))
        options.lengthUnit =
            parseUnit(QStringLiteral("length-unit"), value("length-unit"), lengthUnitNames());
    if (has("inductance-unit"))
        options.inductanceUnit = parseUnit(QStringLiteral("inductance-unit"),
                                           value("inductance-unit"), inductanceUnitNames());
    if (has("roles"))
        options.roles = parseRoles(value("roles"));
    if (has("metals"))
        options.metals = value("metals").split(QLatin1Char(','));
    options.staircase = raw.contains(QStringLiteral("staircase"));
    options.assumeYes = raw.contains(QStringLiteral("yes"));
    options.json = raw.contains(QStringLiteral("json"));
    if (has("freq"))
        options.frequencies = value("freq");

    switch (command) {
    case SpiralCommand::Create:
        checkCreateOptions(raw, options);
        break;
    case SpiralCommand::Estimate:
        checkEstimateOptions(raw, options);
        break;
    case SpiralCommand::Check:
    case SpiralCommand::Render:
        checkPictureOptions(raw, options, command);
        break;
    case SpiralCommand::Synthesize:
        checkSynthesizeOptions(raw, options);
        break;
    }
    return options;
}
