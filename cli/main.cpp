#include "cli/clierror.h"
#include "cli/designcommands.h"
#include "cli/layoutcommands.h"
#include "cli/projectcommands.h"
#include "cli/rendermodule.h"
#include "cli/spiralcommands.h"
#include "cli/spiraloptions.h"
#include "cli/sweepcommand.h"
#include "cli/synthesizecommand.h"
#include "cli/terminaltext.h"
#include "core/version.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace torvane;

namespace {
const char usage[] =
    "Usage: torvane-cli COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  create --shape SHAPE -o OUT.son [OPTIONS] [--staircase] [--yes]\n"
    "                          Write a spiral project (and its sondata/ folder) on a template.\n"
    "                          --staircase gives every polygon staircase fill; --yes goes on\n"
    "                          where the window would ask (no spiral level, wide feed spacing)\n"
    "                          and over an unusually large layout (above 1,000,000 points or\n"
    "                          100 MB of output).\n"
    "                          An output name without a suffix gets \".son\".\n"
    "                          --gds OUT.gds (or OUT.dxf) also writes the layout.\n"
    "                          Prints the design check findings to stderr and refuses a\n"
    "                          layout with errors unless --yes is given.\n"
    "  estimate --shape SHAPE [OPTIONS] [--json] [--freq F,...|START:STOP:STEP|template]\n"
    "                          Print the inductance and size estimate the window shows, and\n"
    "                          the inductance computed from the drawn geometry (the sheet\n"
    "                          value: zero-thickness metal), in free space and in the template's\n"
    "                          box, whose cover (unless the top metal is free space), ground\n"
    "                          plane and side walls lower it. With --freq, the loss from the\n"
    "                          levels' metal types: R_dc, the peak Q and a table frequency L R Q\n"
    "                          of the path to the reference planes in free space, L in the\n"
    "                          metal's real thickness (several percent below the sheet value).\n"
    "                          There are no capacitances: Q holds well below self-resonance.\n"
    "  check --shape SHAPE [OPTIONS] [--json]\n"
    "                          Print the design check findings, one 'error: ...' or\n"
    "                          'warning: ...' line each (--json: an array); exit 3 on errors.\n"
    "                          Among the warnings: a box that lowers the inductance at the\n"
    "                          reference planes by more than 2 %.\n"
    "  render --shape SHAPE -o OUT.svg|OUT.png [OPTIONS] [--size WxH]\n"
    "         [--plot lq [--freq ...]]\n"
    "                          Draw the window's preview picture (800x800 pixels by default);\n"
    "                          --plot lq draws L and Q against frequency instead, with the peak\n"
    "                          Q and its frequency marked.\n"
    "  synthesize --shape SHAPE --target VALUE [--at winding|refplanes] [--tolerance PERCENT]\n"
    "             [--in-box] [--turns MIN:MAX] [--radius MIN:MAX] [--snap-radius] [--json]\n"
    "             [--create OUT.son] [--q-at FREQ] [OPTIONS]\n"
    "                          The five most compact turns and inner radii whose inductance\n"
    "                          from the drawn geometry meets the target (in the inductance\n"
    "                          unit; at the reference planes unless --at winding; in free\n"
    "                          space unless --in-box, which takes the value in the template's\n"
    "                          box) within the tolerance (1 %), fit in the box and pass the\n"
    "                          design checks. Turns step by a quarter (whole turns for the\n"
    "                          differential shapes), the radius has 3 decimals or, with\n"
    "                          --snap-radius, lies on the cell grid. --create writes the best\n"
    "                          as create would.\n"
    "                          --q-at FREQ ranks them by Q at that frequency (the template's\n"
    "                          unit) instead, the best first.\n"
    "  sweep --shape SHAPE -o DIR [OPTIONS] [--force] [--yes]\n"
    "                          One project per combination of the given values, each as create\n"
    "                          writes it, named by the varied values (round_t2.5_w10.son), and\n"
    "                          DIR/index.csv with the parameters, estimates, geometry values\n"
    "                          (in free space and in the box), sizes and findings of each.\n"
    "                          Numeric options take lists (8,10,12) and ranges START:STOP:STEP\n"
    "                          (stop included). DIR must be empty unless --force; more than\n"
    "                          10,000 projects need --yes.\n"
    "                          --gds gds|dxf writes each project's layout beside it.\n"
    "                          The index gives each project's R_dc; --freq F,...|template adds\n"
    "                          its peak Q and that Q's frequency.\n"
    "  info [IN.son]           Show a template's units, box, layers, metal levels and roles\n"
    "                          (the built-in template when no file is given).\n"
    "  rewrite IN.son OUT.son  Read a project and write it in this program's canonical form;\n"
    "                          like every save of a project, this empties its result folder\n"
    "                          (sondata/OUT/) of the results simulated on the old file.\n"
    "  export IN.son OUT.gds|OUT.dxf [LAYOUT OPTIONS]\n"
    "                          Write a project's polygons and vias as a chip layout.\n"
    "  --help                  Show this text.\n"
    "  --version               Show the program's version.\n"
    "\n"
    "Output files are written whole or not at all, and only to a regular file or a new name in\n"
    "an existing folder: a device, FIFO or socket, '-' and the standard output under any name\n"
    "(/dev/stdout) are refused before anything is written. When one command writes several\n"
    "files (create --gds), none replaces its target unless all could be written.\n"
    "\n"
    "Spiral options (create, estimate, check, render, synthesize and sweep):\n";

// Qt decodes the arguments as UTF-8 and turns any other byte into U+FFFD, which would read
// or write a different file than the one named.
void checkArgumentsAreText(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        const QString decoded = QString::fromLocal8Bit(raw);
        if (decoded.toLocal8Bit() != raw)
            throw CliError(QStringLiteral("argument %1 ('%2') is not valid UTF-8 text; file "
                                          "names must be, or another file would be used.")
                               .arg(i)
                               .arg(decoded));
    }
}

int dispatch(const QStringList &arguments, QTextStream &out, QTextStream &err,
             const RenderModule *renderModule)
{
    if (arguments.isEmpty() || arguments[0] == QLatin1String("--help") ||
        arguments[0] == QLatin1String("-h") || arguments[0] == QLatin1String("help")) {
        out << usage << spiralOptionsHelp() << '\n' << layoutOptionsHelp();
        return arguments.isEmpty() ? usageExitCode : 0;
    }
    if (arguments[0] == QLatin1String("--version")) {
        out << "torvane-cli " TORVANE_VERSION "\n";
        return 0;
    }
    const QString &command = arguments[0];
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("info"))
        return runInfo(rest, out);
    if (command == QLatin1String("rewrite"))
        return runRewrite(rest, out);
    if (command == QLatin1String("create"))
        return runCreate(rest, out, err);
    if (command == QLatin1String("estimate"))
        return runEstimate(rest, out);
    if (command == QLatin1String("export"))
        return runExport(rest, out);
    if (command == QLatin1String("check"))
        return runCheck(rest, out);
    if (command == QLatin1String("render") && renderModule)
        return runRender(rest, out, err, *renderModule);
    if (command == QLatin1String("synthesize"))
        return runSynthesize(rest, out, err);
    if (command == QLatin1String("sweep"))
        return runSweep(rest, out, err);
    throw CliError(QStringLiteral("unknown command '%1'; see torvane-cli --help.").arg(command));
}

int run(int argc, char *argv[], QTextStream &out, QTextStream &err)
{
    // `render` draws in the application its module makes; the other commands stay on the core
    // application and never load QtGui.
    const RenderModule *renderModule =
        argc > 1 && QByteArray(argv[1]) == "render" ? &loadRenderModule() : nullptr;
    const std::unique_ptr<QCoreApplication> app =
        renderModule ? renderModule->makeApplication(argc, argv)
                     : std::make_unique<QCoreApplication>(argc, argv);
    checkArgumentsAreText(argc, argv);
    return dispatch(QCoreApplication::arguments().mid(1), out, err, renderModule);
}

// Output that never arrived (a full disk, a closed pipe) must not pass for success.
int withOutputWritten(int exitCode, QTextStream &out, QTextStream &err)
{
    errno = 0;
    out.flush();
    if (out.status() == QTextStream::Ok && std::fflush(stdout) == 0 && !std::ferror(stdout))
        return exitCode;
    const int cause = errno;
    err << "torvane-cli: cannot write the standard output"
        << (cause != 0 ? QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(cause))
                       : QString())
        << ".\n";
    return failureExitCode;
}
} // namespace

int main(int argc, char *argv[])
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        return withOutputWritten(run(argc, argv, out, err), out, err);
    } catch (const CliError &error) {
        const int exitCode = withOutputWritten(failureExitCode, out, err);
        err << "torvane-cli: " << shortenedMessage(error.message()) << '\n';
        return exitCode;
    }
}
