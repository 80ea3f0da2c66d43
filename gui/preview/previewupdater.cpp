#include "gui/preview/previewupdater.h"

#include <QPromise>

PreviewUpdater::PreviewUpdater(QObject *parent) : QObject(parent)
{
    // Its own thread: the shared pool may be busy with the geometry inductance.
    pool.setMaxThreadCount(1);
    connect(&watcher, &QFutureWatcherBase::finished, this, &PreviewUpdater::finished);
}

PreviewUpdater::~PreviewUpdater()
{
    pool.waitForDone();
}

void PreviewUpdater::request(PreviewRequest request)
{
    if (busy)
        waiting = std::move(request);
    else
        start(std::move(request));
}

void PreviewUpdater::start(PreviewRequest request)
{
    busy = true;
    ++startCount;
    auto promise = std::make_shared<QPromise<std::shared_ptr<const DesignReview>>>();
    watcher.setFuture(promise->future());
    pool.start([promise, request = std::move(request)] {
        promise->start();
        promise->addResult(std::make_shared<const DesignReview>(reviewDesign(
            request.templateDocument ? &*request.templateDocument : nullptr, request.parameters,
            request.layerSetup, request.functionSetup, request.lengthUnit)));
        promise->finish();
    });
}

void PreviewUpdater::finished()
{
    busy = false;
    const QFuture<std::shared_ptr<const DesignReview>> future = watcher.future();
    // Shown even when a newer request waits: while typing goes on, the picture keeps up.
    if (future.resultCount() > 0)
        emit reviewed(future.result());
    if (waiting) {
        PreviewRequest next = std::move(*waiting);
        waiting.reset();
        start(std::move(next));
    }
}
