#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One command-line option: its names without dashes (commands ask for the first), whether it
// takes a value, and its lines in --help (empty where the command's usage shows it instead).
struct CliOption
{
    enum class Takes
    {
        Nothing,
        Value,
        ValueOrEmpty // the command explains an empty value better than "needs a value" could
    };

    QStringList names;
    Takes takes = Takes::Nothing;
    QString help;

    static CliOption valued(const char *name, const char *help = "")
    {
        return {{QLatin1String(name)}, Takes::Value, QLatin1String(help)};
    }
    static CliOption switched(const char *name, const char *help = "")
    {
        return {{QLatin1String(name)}, Takes::Nothing, QLatin1String(help)};
    }
};

// The options one command takes.
struct OptionTable
{
    QList<CliOption> options;
    // "-name" as well as "--name"; where false, "-name" is a positional argument such as a file.
    bool singleDashNames = true;
    // Where false, a positional argument is refused where it stands.
    bool positionals = false;

    const CliOption *find(const QString &name) const;
    // This table with more options; one sharing a name with an earlier one replaces it.
    OptionTable with(const QList<CliOption> &more) const;
    // The help lines of the options, in table order.
    QString help() const;
};

// What a command line holds: the last value of each option given, under the option's first name
// (a switch holds an empty one), and the positional arguments in order.
class ParsedOptions
{
public:
    bool contains(const QString &name) const { return values_.contains(name); }
    QString value(const QString &name) const { return values_.value(name); }
    void set(const QString &name, const QString &value) { values_.insert(name, value); }
    void remove(const QString &name) { values_.remove(name); }

    QStringList positionals;

private:
    QHash<QString, QString> values_;
};

// Splits "--name value", "--name=value", "-name value" and switches; throws CliError on an
// unknown option, a switch given a value, a missing value or an empty one the option refuses.
ParsedOptions parseOptions(const QStringList &arguments, const OptionTable &table);

// "-o" for a one-letter name, "--shape" for the others.
QString optionFlag(const QString &name);
