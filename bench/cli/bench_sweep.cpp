// Speed of `torvane-cli sweep` on the built-in template: 1,000 small round spirals (10 turn
// counts x 10 widths x 10 spacings), each a project with its result folder and a row of the
// index with its geometry inductance. The goal is under 10 s.
//   bench_sweep [REPETITIONS]
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
constexpr double goalSeconds = 10;
constexpr int projects = 1000;
} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<double> times;
    for (int r = 0; r < repetitions; ++r) {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("sweep"));
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(TORVANE_CLI_PATH),
                      {QStringLiteral("sweep"), QStringLiteral("--shape"), QStringLiteral("round"),
                       QStringLiteral("--turns"), QStringLiteral("1:3.25:0.25"),
                       QStringLiteral("--width"), QStringLiteral("4:13:1"),
                       QStringLiteral("--spacing"), QStringLiteral("2:11:1"), QStringLiteral("-o"),
                       folder});
        if (!process.waitForFinished(600000) || process.exitCode() != 0) {
            std::printf("sweep failed: %s\n", process.readAllStandardError().constData());
            return 1;
        }
        times.push_back(timer.nsecsElapsed() / 1e9);
        const qsizetype written =
            QDir(folder).entryList({QStringLiteral("*.son")}, QDir::Files).size();
        if (written != projects) {
            std::printf("sweep wrote %lld projects, not %d\n", static_cast<long long>(written),
                        projects);
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("sweep of %d round spirals: %.2f s (median of %d)%s\n", projects, median,
                repetitions, median < goalSeconds ? "" : "  (over 10 s)");
    return median < goalSeconds ? 0 : 1;
}
