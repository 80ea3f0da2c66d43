#pragma once

#include "cli/layoutcommands.h"
#include "core/template/createspiral.h"

#include <QSize>
#include <QStringList>

#include <optional>

// Everything `create`, `estimate`, `check` and `render` take from the command line, checked like
// the window's fields: the same ranges, decimals and whole-number rules.
struct SpiralCommandOptions
{
    SpiralParameters parameters;
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
};

enum class SpiralCommand
{
    Create,
    Estimate,
    Check, // the options of create without -o, and --json
    Render // the options of create, with -o FILE.svg or FILE.png, and --size
};

// Throws CliError naming the flag for anything the window would not accept.
SpiralCommandOptions parseSpiralOptions(const QStringList &arguments, SpiralCommand command);

extern const char spiralOptionsHelp[];
