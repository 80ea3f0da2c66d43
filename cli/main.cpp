#include "cli/clierror.h"
#include "cli/projectcommands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {
const char usage[] =
    "Usage: torvane-cli COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  info [IN.son]           Show a template's units, box, layers, metal levels and roles\n"
    "                          (the built-in template when no file is given).\n"
    "  rewrite IN.son OUT.son  Read a project and write it in this program's canonical form.\n"
    "  --help                  Show this text.\n";

int dispatch(const QStringList &arguments, QTextStream &out)
{
    if (arguments.isEmpty() || arguments[0] == QLatin1String("--help") ||
        arguments[0] == QLatin1String("-h") || arguments[0] == QLatin1String("help")) {
        out << usage;
        return arguments.isEmpty() ? usageExitCode : 0;
    }
    const QString command = arguments[0];
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("info"))
        return runInfo(rest, out);
    if (command == QLatin1String("rewrite"))
        return runRewrite(rest, out);
    throw CliError(QStringLiteral("unknown command '%1'; see torvane-cli --help.").arg(command));
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        return dispatch(app.arguments().mid(1), out);
    } catch (const CliError &error) {
        out.flush();
        err << "torvane-cli: " << error.message() << '\n';
        return failureExitCode;
    }
}
