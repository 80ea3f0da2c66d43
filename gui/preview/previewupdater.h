#pragma once

#include "core/design/designjob.h"
#include "gui/jobs/latestjobrunner.h"

#include <QObject>

#include <memory>

// What the preview lays out: the technology in use (the built-in one when none is loaded) and
// the current tab's parameters.
struct PreviewRequest
{
    torvane::Technology technology = torvane::Technology::builtIn();
    torvane::SpiralParameters parameters;
    QString lengthUnit;
};

// Lays out and checks the preview off the GUI thread, the newest request first; the review
// carries the geometry inductance, so the window's numbers come from the same computation.
class PreviewUpdater : public QObject
{
    Q_OBJECT

public:
    explicit PreviewUpdater(QObject *parent = nullptr);

    void request(PreviewRequest request);
    bool isIdle() const { return runner.isIdle(); }
    int started() const { return runner.started(); }

signals:
    // `current`: no newer request came in meanwhile.
    void reviewed(std::shared_ptr<const torvane::DesignReview> review, bool current);

private:
    LatestJobRunner runner;
};
