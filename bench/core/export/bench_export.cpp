// Layout export speed and memory for the 100 MB, 200,000-polygon project.
//   bench_export generate OUT.son              write the large project
//   bench_export export IN.son OUT.gds|.dxf    load it, then time the export and watch memory
//   bench_export all [DIR]                     generate, then export GDSII and DXF, each step
//                                              in a fresh process so memory figures are its own
// Speed is given in MB of project text per second, for the export alone and with the load.
// Memory: the document's size is what loading adds to the process; the export's peak is the
// process's highest resident size while it runs (Linux: /proc/self/status after clear_refs).
#include "bench/core/sonnet/largeproject.h"
#include "core/export/layoutexport.h"
#include "core/template/layerroles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace torvane;

namespace {
double megabytes(const QString &path)
{
    return QFileInfo(path).size() / 1e6;
}

// A "VmRSS:" or "VmHWM:" figure of this process in MB, or -1.
double statusMegabytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return -1;
}

// Lets VmHWM start again from the current resident size.
bool resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

int generate(const QString &path)
{
    if (writeProjectFile(path, largeProject(200000)) != 0)
        return 1;
    std::printf("generated %s: 200000 polygons, %.1f MB\n", qPrintable(path), megabytes(path));
    return 0;
}

int exportOnce(const QString &in, const QString &out)
{
    const double before = statusMegabytes("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    ProjectDocument document;
    if (loadProject(in, document) != 0)
        return 1;
    const double loadSeconds = timer.nsecsElapsed() / 1e9;
    const double documentSize = statusMegabytes("VmRSS:") - before;
    QStringList metals;
    QStringList roles;
    readLayerSetup(document, metals, roles);
    const bool peakReset = resetPeak();
    timer.restart();
    const torvane::Result<LayoutExportSummary> exported =
        exportLayout(out, document, roles, LayoutExportOptions());
    if (!exported) {
        std::fprintf(stderr, "export failed: %s\n", qPrintable(exported.error()));
        return 1;
    }
    const LayoutExportSummary &summary = *exported;
    const double exportSeconds = timer.nsecsElapsed() / 1e9;
    const double peak = statusMegabytes("VmHWM:");
    const double project = megabytes(in);
    std::printf("%-5s %.1f MB project -> %.1f MB, %lld polygons: export %.3f s = %.0f MB/s of "
                "project text; with the load %.3f s = %.0f MB/s\n",
                qPrintable(layoutFormatName(summary.format)), project, megabytes(out),
                static_cast<long long>(summary.polygons), exportSeconds, project / exportSeconds,
                loadSeconds + exportSeconds, project / (loadSeconds + exportSeconds));
    std::printf("      document %.0f MB in memory; process peak during the export %.0f MB "
                "(%.2f x the document)%s\n",
                documentSize, peak, peak / documentSize,
                peakReset ? "" : " [peak not reset: includes the load]");
    return 0;
}

int runStep(const QStringList &arguments)
{
    QProcess step;
    step.setProcessChannelMode(QProcess::ForwardedChannels);
    step.start(QCoreApplication::applicationFilePath(), arguments);
    return step.waitForFinished(-1) && step.exitCode() == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0, QStringLiteral("all"));
    if (mode == QLatin1String("generate") && args.size() == 2)
        return generate(args[1]);
    if (mode == QLatin1String("export") && args.size() == 3)
        return exportOnce(args[1], args[2]);
    if (mode == QLatin1String("all")) {
        QTemporaryDir dir(args.value(1, QDir::tempPath()) + QStringLiteral("/bench-XXXXXX"));
        const QString project = dir.filePath(QStringLiteral("large.son"));
        return runStep({QStringLiteral("generate"), project}) ||
               runStep({QStringLiteral("export"), project, dir.filePath("large.gds")}) ||
               runStep({QStringLiteral("export"), project, dir.filePath("large.dxf")});
    }
    std::fprintf(stderr, "usage: bench_export generate OUT | export IN OUT | all [DIR]\n");
    return 2;
}
