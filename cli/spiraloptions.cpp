#include "cli/spiraloptions.h"

#include "cli/clierror.h"
#include "core/export/picturename.h"
#include "core/template/fieldvalue.h"
#include "core/template/layerroles.h"
#include "core/template/units.h"

#include <QHash>
#include <QRegularExpression>

#include <cmath>

const char spiralOptionsHelp[] =
    "  --shape round|nsided|diffround|diffnsided   (required)\n"
    "  --template T.son        technology template (default: the built-in one)\n"
    "  --turns N               1 to 99.99 (whole numbers for the differential shapes); 2\n"
    "  --sides n               4 to 16 (n-sided shapes); 8\n"
    "  --radius R              inner radius; 25, or 50 for the differential shapes\n"
    "  --width W               conductor width; 10\n"
    "  --spacing S             gap between turns; 10\n"
    "  --bridge-width B        bridge / centre-tap width; 10\n"
    "  --feed-spacing F        feed line spacing (differential shapes); 10\n"
    "  --feed-auto | --no-feed-auto       feed spacing chosen automatically; on\n"
    "  --center-tap | --no-center-tap     draw a centre tap (differential shapes); on\n"
    "  --length-unit mil|in|um|mm|cm|m    unit of all lengths (default: the template's)\n"
    "  --inductance-unit H|mH|uH|nH|pH|fH (default: the template's)\n"
    "  --roles ROLE,...        role per metal level: none, spiral or bridge\n"
    "  --metals NAME,...       metal type per metal level (Lossless or the template's)\n"
    "  --gds OUT.gds           create: also write the layout (layout options below)\n"
    "  --freq F,...|START:STOP:STEP|template\n"
    "                          estimate, render --plot, sweep: frequencies for the loss, in the\n"
    "                          template's frequency unit; template: its FREQ block's range on a\n"
    "                          log scale in 21 points (0.1 to 10 GHz without a FREQ block)\n"
    "  Lengths are 0.001 to 1000000 with at most 3 decimals (2 for the n-sided\n"
    "  differential width), in the chosen length unit.\n";

namespace {
QString flagText(const QString &flag)
{
    return (flag.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + flag;
}

double parseNumber(const QString &flag, const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw CliError(QStringLiteral("%1 needs a number, not '%2'.").arg(flagText(flag), text));
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
                           .arg(flagText(flag), text));
    if (decimalsOf(text) > maxDecimals)
        throw CliError(QStringLiteral("%1 takes at most %2 decimals, not %3.")
                           .arg(flagText(flag))
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
                           .arg(flagText(flag), names.join(QLatin1Char('|')), text));
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

// The raw values, before the shape decides the defaults and the rules.
struct RawOptions
{
    QHash<QString, QString> values;
    QHash<QString, bool> switches;
};

RawOptions collect(const QStringList &arguments)
{
    static const QStringList valued{QStringLiteral("shape"),
                                    QStringLiteral("template"),
                                    QStringLiteral("o"),
                                    QStringLiteral("output"),
                                    QStringLiteral("turns"),
                                    QStringLiteral("sides"),
                                    QStringLiteral("radius"),
                                    QStringLiteral("width"),
                                    QStringLiteral("spacing"),
                                    QStringLiteral("bridge-width"),
                                    QStringLiteral("feed-spacing"),
                                    QStringLiteral("length-unit"),
                                    QStringLiteral("inductance-unit"),
                                    QStringLiteral("roles"),
                                    QStringLiteral("metals"),
                                    QStringLiteral("gds"),
                                    QStringLiteral("size"),
                                    QStringLiteral("freq"),
                                    QStringLiteral("plot")};
    static const QStringList switches{QStringLiteral("feed-auto"),  QStringLiteral("no-feed-auto"),
                                      QStringLiteral("center-tap"), QStringLiteral("no-center-tap"),
                                      QStringLiteral("staircase"),  QStringLiteral("yes"),
                                      QStringLiteral("json")};
    RawOptions raw;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString argument = arguments[i];
        if (!argument.startsWith(QLatin1Char('-')))
            throw CliError(QStringLiteral("unexpected argument '%1'.").arg(argument));
        argument.remove(0, argument.startsWith(QLatin1String("--")) ? 2 : 1);
        QString value;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const bool inlineValue = equals >= 0;
        if (inlineValue) {
            value = argument.mid(equals + 1);
            argument.truncate(equals);
        }
        if (switches.contains(argument) && !inlineValue) {
            raw.switches.insert(argument, true);
        } else if (valued.contains(argument) || layoutOptionNames().contains(argument)) {
            if (!inlineValue) {
                if (i + 1 >= arguments.size())
                    throw CliError(QStringLiteral("%1 needs a value.").arg(flagText(argument)));
                value = arguments[++i];
            }
            // An empty value would quietly mean "not given" (the built-in template).
            if (value.isEmpty())
                throw CliError(
                    QStringLiteral("%1 needs a value, not an empty one.").arg(flagText(argument)));
            raw.values.insert(argument == QLatin1String("output") ? QStringLiteral("o") : argument,
                              value);
        } else {
            throw CliError(
                QStringLiteral("unknown option '%1'; see torvane-cli --help.").arg(arguments[i]));
        }
    }
    return raw;
}

void checkNotBoth(const RawOptions &raw, const char *on, const char *off)
{
    if (raw.switches.value(QLatin1String(on)) && raw.switches.value(QLatin1String(off)))
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

void checkCreateOptions(const RawOptions &raw, SpiralCommandOptions &options)
{
    const auto has = [&](const char *flag) {
        return raw.values.contains(QLatin1String(flag));
    };
    options.outputPath = withProjectSuffix(raw.values.value(QStringLiteral("o")));
    if (options.outputPath.isEmpty())
        throw CliError(QStringLiteral("create needs an output file: -o OUT.son."));
    if (options.json)
        throw CliError(QStringLiteral("--json belongs to estimate, check and synthesize."));
    if (has("size"))
        throw CliError(QStringLiteral("--size belongs to render."));
    if (has("freq") || has("plot"))
        throw CliError(QStringLiteral("--freq and --plot belong to estimate and render."));
    if (has("gds")) {
        checkLayoutPath(QStringLiteral("--gds"), raw.values.value(QStringLiteral("gds")));
        options.layout =
            LayoutTarget{raw.values.value(QStringLiteral("gds")), parseLayoutOptions(raw.values)};
    }
    for (const QString &name : layoutOptionNames()) {
        if (!has("gds") && raw.values.contains(name))
            throw CliError(QStringLiteral("--%1 belongs with --gds.").arg(name));
    }
}

void checkEstimateOptions(const RawOptions &raw, const SpiralCommandOptions &options)
{
    for (const QString &flag :
         QStringList{QStringLiteral("o"), QStringLiteral("gds"), QStringLiteral("size")} +
             layoutOptionNames()) {
        if (raw.values.contains(flag))
            throw CliError(QStringLiteral("%1 belongs to create.").arg(flagText(flag)));
    }
    if (raw.values.contains(QStringLiteral("plot")))
        throw CliError(QStringLiteral("--plot belongs to render."));
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
void checkPictureOptions(const RawOptions &raw, SpiralCommandOptions &options,
                         SpiralCommand command)
{
    const QString name =
        command == SpiralCommand::Check ? QStringLiteral("check") : QStringLiteral("render");
    for (const QString &flag : QStringList{QStringLiteral("gds")} + layoutOptionNames()) {
        if (raw.values.contains(flag))
            throw CliError(
                QStringLiteral("%1 belongs to create, not %2.").arg(flagText(flag), name));
    }
    if (command == SpiralCommand::Check) {
        if (raw.values.contains(QStringLiteral("freq")) ||
            raw.values.contains(QStringLiteral("plot")))
            throw CliError(QStringLiteral("--freq and --plot belong to estimate and render."));
        if (raw.values.contains(QStringLiteral("o")))
            throw CliError(QStringLiteral("check writes no file; drop -o."));
        if (raw.values.contains(QStringLiteral("size")))
            throw CliError(QStringLiteral("--size belongs to render."));
        return;
    }
    if (options.json)
        throw CliError(QStringLiteral("--json belongs to estimate, check and synthesize."));
    options.outputPath = raw.values.value(QStringLiteral("o"));
    if (!isLayoutPictureName(options.outputPath))
        throw CliError(QStringLiteral("render needs a picture file: -o OUT.svg or -o OUT.png."));
    if (raw.values.contains(QStringLiteral("size")))
        options.pictureSize = parsePictureSize(raw.values.value(QStringLiteral("size")));
    if (raw.values.contains(QStringLiteral("plot"))) {
        if (raw.values.value(QStringLiteral("plot")) != QLatin1String("lq"))
            throw CliError(QStringLiteral("--plot takes lq (L and Q against frequency), not '%1'.")
                               .arg(raw.values.value(QStringLiteral("plot"))));
        options.plot = true;
    } else if (raw.values.contains(QStringLiteral("freq"))) {
        throw CliError(QStringLiteral("render takes --freq with --plot lq."));
    }
}

void checkSynthesizeOptions(const RawOptions &raw, const SpiralCommandOptions &options)
{
    const auto has = [&](const char *flag) {
        return raw.values.contains(QLatin1String(flag));
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
        if (raw.values.contains(name))
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

SpiralCommandOptions parseSpiralOptions(const QStringList &arguments, SpiralCommand command)
{
    const RawOptions raw = collect(arguments);
    checkNotBoth(raw, "feed-auto", "no-feed-auto");
    checkNotBoth(raw, "center-tap", "no-center-tap");

    SpiralCommandOptions options;
    if (!raw.values.contains(QStringLiteral("shape")))
        throw CliError(QStringLiteral("--shape is required (round, nsided, diffround or "
                                      "diffnsided)."));
    SpiralParameters &p = options.parameters;
    p.shape = parseShape(raw.values.value(QStringLiteral("shape")));
    const bool differential = isDifferential(p.shape);
    p.radius = differential ? 50 : 25;

    const auto value = [&](const char *flag) {
        return raw.values.value(QLatin1String(flag));
    };
    const auto has = [&](const char *flag) {
        return raw.values.contains(QLatin1String(flag));
    };
    if (has("turns"))
        p.turns = parseTurns(value("turns"), differential);
    if (has("sides"))
        p.sides = parseSides(value("sides"));
    if (has("radius"))
        p.radius = parseLength(QStringLiteral("radius"), value("radius"));
    if (has("width"))
        p.spiralWidth = parseLength(QStringLiteral("width"), value("width"),
                                    p.shape == SpiralShape::NSidedDifferential ? 2 : 3);
    if (has("spacing"))
        p.spacing = parseLength(QStringLiteral("spacing"), value("spacing"));
    if (has("bridge-width"))
        p.bridgeWidth = parseLength(QStringLiteral("bridge-width"), value("bridge-width"));
    if (has("feed-spacing"))
        p.feedSpacing = parseLength(QStringLiteral("feed-spacing"), value("feed-spacing"));
    if (raw.switches.value(QStringLiteral("no-feed-auto")))
        p.feedSpacingAuto = false;
    if (raw.switches.value(QStringLiteral("no-center-tap")))
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
    options.staircase = raw.switches.value(QStringLiteral("staircase"));
    options.assumeYes = raw.switches.value(QStringLiteral("yes"));
    options.json = raw.switches.value(QStringLiteral("json"));
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
