// Reading and writing speed of large projects.
//   bench_sonnet generate OUT.son [POLYGONS]   write a large project (default 200000 polygons)
//   bench_sonnet read IN.son                   time loadProject
//   bench_sonnet write IN.son OUT.son          load, then time writeProjectFile
//   bench_sonnet all [DIR]                     all three in a temporary folder
// Run under /usr/bin/time -v to see the peak memory of each step.
#include "bench/core/sonnet/largeproject.h"
#include "core/sonnet/projectdocument.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <QDir>

#include <cstdio>

using namespace torvane;

namespace {
double megabytes(const QString &path)
{
    return QFileInfo(path).size() / 1e6;
}

int generate(const QString &path, int polygons)
{
    const ProjectDocument document = largeProject(polygons);
    if (writeProjectFile(path, document) != 0)
        return 1;
    std::printf("generated %s: %d polygons, %.1f MB\n", qPrintable(path), polygons,
                megabytes(path));
    return 0;
}

int read(const QString &path)
{
    ProjectDocument document;
    QElapsedTimer timer;
    timer.start();
    if (loadProject(path, document) != 0)
        return 1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("read  %.1f MB in %.3f s: %.0f MB/s (%lld polygons)\n", megabytes(path), seconds,
                megabytes(path) / seconds,
                static_cast<long long>(document.geometry.polygons.size()));
    return 0;
}

int write(const QString &in, const QString &out)
{
    ProjectDocument document;
    if (loadProject(in, document) != 0)
        return 1;
    QElapsedTimer timer;
    timer.start();
    if (writeProjectFile(out, document) != 0)
        return 1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("write %.1f MB in %.3f s: %.0f MB/s\n", megabytes(out), seconds,
                megabytes(out) / seconds);
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0, QStringLiteral("all"));
    if (mode == QLatin1String("generate") && args.size() >= 2)
        return generate(args[1], args.value(2, QStringLiteral("200000")).toInt());
    if (mode == QLatin1String("read") && args.size() == 2)
        return read(args[1]);
    if (mode == QLatin1String("write") && args.size() == 3)
        return write(args[1], args[2]);
    if (mode == QLatin1String("all")) {
        QTemporaryDir dir(args.value(1, QDir::tempPath()) + QStringLiteral("/bench-XXXXXX"));
        const QString in = dir.filePath(QStringLiteral("large.son"));
        return generate(in, 200000) || read(in) ||
               write(in, dir.filePath(QStringLiteral("copy.son")));
    }
    std::fprintf(stderr,
                 "usage: bench_sonnet generate OUT [N] | read IN | write IN OUT | all [DIR]\n");
    return 2;
}
