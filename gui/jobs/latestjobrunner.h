#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// Runs one job at a time on a thread of its own, so that typing never waits for it. A job asked
// for meanwhile waits, replacing any older waiting one: the newest request always runs next, and
// the running one is asked to stop.
class LatestJobRunner : public QObject
{
    Q_OBJECT

public:
    // What a job hands back to the caller's thread. `current` is false when a newer request
    // came in, or the job was discarded, while it ran.
    using Delivery = std::function<void(bool current)>;
    // Runs on the worker thread. Long jobs look at `stop` now and then and give up when it is set.
    using Job = std::function<Delivery(const std::atomic_bool &stop)>;

    explicit LatestJobRunner(QObject *parent = nullptr);
    // Asks the running job to stop and waits for it: nothing outlives the window.
    ~LatestJobRunner() override;

    void request(Job job);
    // Drops the waiting job and marks the running one as overtaken.
    void discard();
    // No job running and none waiting.
    bool isIdle() const { return !busy && !waiting; }
    // How many jobs have been started, for the tests and the benchmarks.
    int started() const { return startCount; }

signals:
    // After a job's delivery ran and nothing waits.
    void idle();

private:
    void start(Job job);
    void finished();

    QThreadPool pool;
    QFutureWatcher<Delivery> watcher;
    std::optional<Job> waiting;
    std::shared_ptr<std::atomic_bool> stopRunning;
    bool busy = false;
    int startCount = 0;
    int generation = 0;
    int runningGeneration = 0;
};
