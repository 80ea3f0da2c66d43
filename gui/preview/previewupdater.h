#pragma once

#include "core/checks/designreview.h"

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>

#include <memory>
#include <optional>

// What the preview lays out: a copy of the template (none: the built-in one) and the form.
struct PreviewRequest
{
    std::optional<ProjectDocument> templateDocument;
    SpiralParameters parameters;
    QStringList layerSetup;
    QStringList functionSetup;
    QString lengthUnit;
};

// Lays out and checks the preview on a thread of its own, so that typing never waits for it:
// one review at a time, and a request made meanwhile waits, replacing any older waiting one.
class PreviewUpdater : public QObject
{
    Q_OBJECT

public:
    explicit PreviewUpdater(QObject *parent = nullptr);
    ~PreviewUpdater() override;

    void request(PreviewRequest request);
    // No review running and none waiting.
    bool isIdle() const { return !busy && !waiting; }
    // How many reviews have been started, for the tests and the benchmark.
    int started() const { return startCount; }

signals:
    void reviewed(std::shared_ptr<const DesignReview> review);

private:
    void start(PreviewRequest request);
    void finished();

    QThreadPool pool;
    QFutureWatcher<std::shared_ptr<const DesignReview>> watcher;
    std::optional<PreviewRequest> waiting;
    bool busy = false;
    int startCount = 0;
};
