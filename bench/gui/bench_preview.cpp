// The live preview: layout, design checks and painting for spirals up to 10 turns, the same
// for the largest spirals the fields allow, and how long keystrokes wait in the window while
// the preview follows the typing on the largest spiral.
// Usage: bench_preview   (offscreen unless QT_QPA_PLATFORM says otherwise)
#include "core/design/designreview.h"
#include "core/render/layoutpainter.h"
#include "core/template/builtintemplate.h"
#include "core/template/layerroles.h"
#include "gui/preview/previewdock.h"
#include "gui/preview/previewupdater.h"
#include "gui/window/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace torvane;

namespace {
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && !message.contains(QLatin1String("propagateSizeHints")) &&
        !message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double milliseconds(const std::function<void()> &work, int runs = 7)
{
    QList<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

struct Cost
{
    double review = 0;
    double paint = 0;
    qsizetype points = 0;
};

Cost previewCost(const ProjectDocument &technology, const SpiralParameters &parameters,
                 const QStringList &metals, const QStringList &roles)
{
    Cost cost;
    DesignReview review;
    cost.review = milliseconds([&] {
        review = reviewDesign(&technology, parameters, metals, roles, QStringLiteral("um"));
    });
    for (const Polygon &polygon : review.layout.geometry.polygons)
        cost.points += polygon.points.size();
    QImage image(640, 640, QImage::Format_ARGB32_Premultiplied);
    const LayoutPainter painter(review);
    const QRectF canvas(0, 0, 640, 640);
    cost.paint = milliseconds([&] {
        QPainter onImage(&image);
        painter.paint(onImage, canvas, painter.fittedView(canvas), {});
    });
    return cost;
}

const char *shapeName(SpiralShape shape)
{
    static const char *const names[] = {"round", "n-sided", "round differential",
                                        "n-sided differential"};
    return names[static_cast<int>(shape)];
}

SpiralParameters parametersFor(SpiralShape shape, double turns)
{
    SpiralParameters p;
    p.shape = shape;
    p.turns = turns;
    p.radius = isDifferential(shape) ? 50 : 25;
    return p;
}

// Keystrokes in a length field while the preview follows: how long each waits before the
// field gets it.
class KeyWaits : public QObject
{
public:
    QElapsedTimer clock;
    qint64 postedAt = 0;
    QList<double> waits;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            waits.append(static_cast<double>(clock.nsecsElapsed() - postedAt) / 1e6);
        return false;
    }
};

// The longest time the event loop went without turning: what any input would have waited.
class StallWatch : public QObject
{
public:
    StallWatch()
    {
        clock.start();
        last = clock.nsecsElapsed();
        startTimer(1, Qt::PreciseTimer);
    }
    double longest = 0;

protected:
    void timerEvent(QTimerEvent *) override
    {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, static_cast<double>(now - last) / 1e6);
        last = now;
    }

private:
    QElapsedTimer clock;
    qint64 last = 0;
};

void typeInto(QLineEdit *edit, KeyWaits &waits, int keys)
{
    edit->installEventFilter(&waits);
    waits.clock.start();
    for (int i = 0; i < keys; ++i) {
        const bool erase = i % 2 == 1;
        const int key = erase ? Qt::Key_Backspace : Qt::Key_5;
        const QString text = erase ? QString() : QStringLiteral("5");
        waits.postedAt = waits.clock.nsecsElapsed();
        QCoreApplication::postEvent(edit,
                                    new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
        QCoreApplication::postEvent(edit,
                                    new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
        // About ten keys a second, as a quick typist.
        QElapsedTimer gap;
        gap.start();
        while (gap.elapsed() < 100)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    edit->removeEventFilter(&waits);
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
    QApplication application(argc, argv);

    const ProjectDocument technology = builtInTemplate();
    QStringList metals;
    QStringList roles;
    readLayerSetup(technology, metals, roles);
    const QList<SpiralShape> shapes{SpiralShape::Round, SpiralShape::NSided,
                                    SpiralShape::RoundDifferential,
                                    SpiralShape::NSidedDifferential};

    std::printf("Layout with checks, and painting at 640 x 640, median of 7 runs; worst of 1 to "
                "10 turns:\n");
    for (const SpiralShape shape : shapes) {
        Cost worst;
        double worstTurns = 0;
        for (int turns = 1; turns <= 10; ++turns) {
            const Cost cost = previewCost(technology, parametersFor(shape, turns), metals, roles);
            if (cost.review + cost.paint > worst.review + worst.paint) {
                worst = cost;
                worstTurns = turns;
            }
        }
        std::printf("  %-22s %5.2f ms + %5.2f ms = %5.2f ms (%g turns, %lld points)\n",
                    shapeName(shape), worst.review, worst.paint, worst.review + worst.paint,
                    worstTurns, static_cast<long long>(worst.points));
    }

    std::printf("The largest spirals the fields allow (99.99 or 99 turns, 16 sides):\n");
    for (const SpiralShape shape : shapes) {
        SpiralParameters p = parametersFor(shape, isDifferential(shape) ? 99 : 99.99);
        p.sides = 16;
        if (shape == SpiralShape::NSidedDifferential)
            p.radius = 100; // above the smallest inner radius of 16 sides
        const Cost cost = previewCost(technology, p, metals, roles);
        std::printf("  %-22s %6.1f ms + %5.1f ms (%lld points)\n", shapeName(shape), cost.review,
                    cost.paint, static_cast<long long>(cost.points));
    }
    // A template whose every level carries the spiral: 40 windings of 99.99 turns.
    ProjectDocument stacked = technology;
    while (stacked.geometry.dielectricLayers.size() < 41)
        stacked.geometry.dielectricLayers.append(stacked.geometry.dielectricLayers.last());
    const QStringList manyRoles(40, roleSpiral);
    const QStringList manyMetals(40, defaultLevelMetal);
    const Cost stackedCost =
        previewCost(stacked, parametersFor(SpiralShape::Round, 99.99), manyMetals, manyRoles);
    std::printf("  round on 40 spiral levels %6.1f ms + %5.1f ms (%lld points)\n",
                stackedCost.review, stackedCost.paint, static_cast<long long>(stackedCost.points));

    // The window on the largest round spiral: keystrokes in the spacing field.
    const QString templatePath = home.filePath(builtInTemplateFileName());
    QFile file(templatePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(builtInTemplateText()) < 0)
        return 1;
    file.close();
    {
        QSettings store(QStringLiteral("Ostrel"), QStringLiteral("Torvane"));
        store.setValue(QStringLiteral("Base/SonTemplate"), templatePath);
        store.setValue(QStringLiteral("Base/LengthIndex"), 2);
        store.setValue(QStringLiteral("xgeomStart"), false);
        store.setValue(QStringLiteral("RoundSpiral/turns"), 99.99);
    }
    MainWindow window;
    window.resize(1100, 700);
    window.show();
    auto *spacing = window.findChild<QLineEdit *>(QStringLiteral("rsSpacingEdit"));
    spacing->setFocus();
    spacing->end(false);
    while (!window.preview().updater()->isIdle() || !window.preview().shownReview())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    KeyWaits waits;
    const int keys = 40;
    StallWatch stalls;
    typeInto(spacing, waits, keys);
    QElapsedTimer settle;
    settle.start();
    while (!window.preview().updater()->isIdle())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::printf("Typing in the window on the round spiral of 99.99 turns, %d keys at 10 a "
                "second:\n  keystrokes waited median %.2f ms, at most %.2f ms; the event loop "
                "stood still at most %.1f ms; %d reviews; the preview caught up %.0f ms after "
                "the last key\n",
                keys, median(waits.waits),
                *std::max_element(waits.waits.begin(), waits.waits.end()), stalls.longest,
                window.preview().updater()->started(), static_cast<double>(settle.elapsed()));
    return 0;
}
