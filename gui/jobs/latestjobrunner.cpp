#include "gui/jobs/latestjobrunner.h"

#include <QPromise>

LatestJobRunner::LatestJobRunner(QObject *parent) : QObject(parent)
{
    // A thread of its own: the shared pool may be busy with another runner's job.
    pool.setMaxThreadCount(1);
    connect(&watcher, &QFutureWatcherBase::finished, this, &LatestJobRunner::finished);
}

LatestJobRunner::~LatestJobRunner()
{
    waiting.reset();
    if (stopRunning)
        stopRunning->store(true);
    pool.waitForDone();
}

void LatestJobRunner::request(Job job)
{
    ++generation;
    if (!busy) {
        start(std::move(job));
        return;
    }
    waiting = std::move(job);
    stopRunning->store(true);
}

void LatestJobRunner::discard()
{
    ++generation;
    waiting.reset();
    if (stopRunning)
        stopRunning->store(true);
}

void LatestJobRunner::start(Job job)
{
    busy = true;
    ++startCount;
    runningGeneration = generation;
    stopRunning = std::make_shared<std::atomic_bool>(false);
    auto promise = std::make_shared<QPromise<Delivery>>();
    watcher.setFuture(promise->future());
    pool.start([promise, stop = stopRunning, job = std::move(job)] {
        promise->start();
        promise->addResult(job(*stop));
        promise->finish();
    });
}

void LatestJobRunner::finished()
{
    busy = false;
    const QFuture<Delivery> future = watcher.future();
    const bool current = runningGeneration == generation;
    if (future.resultCount() > 0) {
        if (const Delivery deliver = future.result())
            deliver(current);
    }
    if (waiting) {
        Job next = std::move(*waiting);
        waiting.reset();
        start(std::move(next));
        return;
    }
    emit idle();
}
