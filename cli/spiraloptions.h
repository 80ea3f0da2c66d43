#pragma once

#include "cli/layoutcommands.h"
#include "cli/optiontable.h"
#include "core/template/createspiral.h"

#include <QSize>
#include <QStringList>

#include <optional>

// Everything `create`, `estimate`, `check` and `render` take from the command line, checked like
// the window's fields: the same ranges, decimals and whole-number rules.
struct SpiralCommandOptions
{
    torvane::SpiralParameters parameters;
    QString templatePath; // empty: the built-in template
    QString outputPath;
    std::optional<QString> lengthUnit;     // a window unit name such as "um"
    std::optional<QString> inductanceUnit; // such as "nH"
    std::optional<QStringList> roles;
    std::optional<QStringList> metals;
    bool staircase = false;
    bool assumeYes = false;
    bool json = false;
    std::optional<LayoutTarget> layout; // create --gds
    QSize pictureSize{800, 800};        // render --size
    // estimate and render --plot: a list, ranges START:STOP:STEP or "template", as typed.
    std::optional<QString> frequencies;
    bool plot = false; // render --plot lq: L and Q against frequency instead of the layout
};

enum class SpiralCommand
{
    Create,
    Estimate,  // the options of create without -o, with --json and --freq
    Check,     // the options of create without -o, and --json
    Render,    // the options of create, with -o FILE.svg or FILE.png, --size, --plot and --freq
    Synthesize // the options of create without -o; turns and radius are the synthesis's own
};

// The options of create, estimate, check and render, with the layout options of --gds.
const OptionTable &spiralOptionTable();

// Throws CliError naming the flag for anything the window would not accept.
SpiralCommandOptions parseSpiralOptions(const QStringList &arguments, SpiralCommand command);
SpiralCommandOptions spiralOptionsFrom(const ParsedOptions &options, SpiralCommand command);

// One value checked as the window checks its field; throw CliError naming the flag.
double parseLengthOption(const QString &flag, const QString &text, int maxDecimals = 3);
double parseTurnsOption(const QString &text, bool differential);

// turns, sides, radius, width, spacing, bridge-width and feed-spacing, in the order they are read.
const QStringList &numericSpiralOptionNames();
// The value of one of them checked for the shape as create checks it; throws CliError.
double parseNumericOption(const QString &name, const QString &text, torvane::SpiralShape shape);
void setNumericOption(torvane::SpiralParameters &parameters, const QString &name, double value);

QString spiralOptionsHelp();
