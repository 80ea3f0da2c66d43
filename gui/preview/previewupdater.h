#pragma once

#include "core/design/designreview.h"
#include "gui/jobs/latestjobrunner.h"

#include <QObject>

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

// Lays out and checks the preview off the GUI thread, the newest request first.
class PreviewUpdater : public QObject
{
    Q_OBJECT

public:
    explicit PreviewUpdater(QObject *parent = nullptr);

    void request(PreviewRequest request);
    bool isIdle() const { return runner.isIdle(); }
    int started() const { return runner.started(); }

signals:
    void reviewed(std::shared_ptr<const DesignReview> review);

private:
    LatestJobRunner runner;
};
