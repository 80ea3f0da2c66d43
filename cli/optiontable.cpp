#include "cli/optiontable.h"

#include "cli/clierror.h"

#include <algorithm>
#include <optional>

const CliOption *OptionTable::find(const QString &name) const
{
    for (const CliOption &option : options) {
        if (option.names.contains(name))
            return &option;
    }
    return nullptr;
}

OptionTable OptionTable::with(const QList<CliOption> &more) const
{
    OptionTable table = *this;
    for (const CliOption &option : more) {
        table.options.removeIf([&](const CliOption &old) {
            return std::any_of(option.names.begin(), option.names.end(),
                               [&](const QString &name) { return old.names.contains(name); });
        });
        table.options.append(option);
    }
    return table;
}

QString OptionTable::help() const
{
    QString text;
    for (const CliOption &option : options)
        text += option.help;
    return text;
}

QString optionFlag(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

namespace {
qsizetype dashesOf(const QString &argument, const OptionTable &table)
{
    if (argument.startsWith(QLatin1String("--")))
        return 2;
    return table.singleDashNames && argument.startsWith(QLatin1Char('-')) ? 1 : 0;
}
} // namespace

ParsedOptions parseOptions(const QStringList &arguments, const OptionTable &table)
{
    ParsedOptions parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const qsizetype dashes = dashesOf(argument, table);
        if (dashes == 0) {
            if (!table.positionals)
                throw CliError(QStringLiteral("unexpected argument '%1'.").arg(argument));
            parsed.positionals.append(argument);
            continue;
        }
        QString name = argument.mid(dashes);
        std::optional<QString> value;
        if (const qsizetype equals = name.indexOf(QLatin1Char('=')); equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        const CliOption *option = table.find(name);
        if (!option || (option->takes == CliOption::Takes::Nothing && value))
            throw CliError(
                QStringLiteral("unknown option '%1'; see torvane-cli --help.").arg(argument));
        if (option->takes != CliOption::Takes::Nothing && !value) {
            if (i + 1 >= arguments.size())
                throw CliError(QStringLiteral("%1 needs a value.").arg(optionFlag(name)));
            value = arguments[++i];
        }
        // An empty value would quietly mean "not given", such as the built-in template.
        if (option->takes == CliOption::Takes::Value && value->isEmpty())
            throw CliError(
                QStringLiteral("%1 needs a value, not an empty one.").arg(optionFlag(name)));
        parsed.set(option->names.first(), value.value_or(QString()));
    }
    return parsed;
}
