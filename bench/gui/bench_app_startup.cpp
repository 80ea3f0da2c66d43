// Start-up of the window with a stored template, to a shown and exposed window, and the cost
// of one estimate run per tab. Runs on its own settings in a temporary folder.
// Usage: bench_app_startup [runs]   (offscreen unless QT_QPA_PLATFORM says otherwise)
#include "core/template/builtintemplate.h"
#include "gui/window/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>

using namespace torvane;

namespace {
// The offscreen platform says this once per window; it is no news here.
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && !message.contains(QLatin1String("propagateSizeHints")) &&
        !message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

double showWindowMilliseconds()
{
    QElapsedTimer timer;
    timer.start();
    MainWindow window;
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
    const double elapsed = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (!window.session().document())
        std::fprintf(stderr, "the stored template was not loaded\n");
    return elapsed;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path() + "/config");

    qInstallMessageHandler(quietHandler);
    QElapsedTimer applicationTimer;
    applicationTimer.start();
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(images);
    const double applicationMs = static_cast<double>(applicationTimer.nsecsElapsed()) / 1e6;
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;

    const QString templatePath = home.filePath(builtInTemplateFileName());
    QFile file(templatePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(builtInTemplateText()) < 0)
        return 1;
    file.close();
    {
        QSettings store(QStringLiteral("Ostrel"), QStringLiteral("Torvane"));
        store.setValue(QStringLiteral("Base/SonTemplate"), templatePath);
        store.setValue(QStringLiteral("Base/LengthIndex"), 2);
        store.setValue(QStringLiteral("Base/InductanceIndex"), 3);
        store.setValue(QStringLiteral("Base/SpiralType"), 3);
        store.setValue(QStringLiteral("xgeomStart"), false);
    }

    QList<double> times;
    for (int run = 0; run < runs; ++run)
        times.append(showWindowMilliseconds());
    const double first = times.first();
    std::sort(times.begin(), times.end());
    std::printf("application object: %.1f ms\n", applicationMs);
    std::printf("window with template, constructed to exposed: first %.1f ms, median %.1f ms "
                "over %d runs\n",
                first, times[times.size() / 2], runs);

    MainWindow window;
    const int estimates = 20000;
    for (int tab = 0; tab < 4; ++tab) {
        window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(tab);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < estimates; ++i)
            window.UpdateEstimate();
        std::printf("estimate, tab %d: %.2f us per run\n", tab,
                    static_cast<double>(timer.nsecsElapsed()) / 1e3 / estimates);
    }
    return 0;
}
