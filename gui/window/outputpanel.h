#pragma once

#include "core/design/designjob.h"
#include "gui/jobs/latestjobrunner.h"

#include <QObject>
#include <QString>

#include <memory>

class QLabel;
class ResponsePlot;

// The form's Output group: the estimate and size at once; the geometry inductance, in free space
// and in the box, from the preview's review of the same fields; the loss and Q over frequency
// with their plot, computed here off the GUI thread, the newest request first.
class OutputPanel : public QObject
{
    Q_OBJECT

public:
    struct Labels
    {
        QLabel *inductance;
        QLabel *size;
        QLabel *geometry;
        QLabel *inBox;
        QLabel *quality;
        ResponsePlot *plot;
    };

    OutputPanel(const Labels &labels, QObject *parent = nullptr);

    // The values for the parameters on the technology (none: only the size); the geometry lines
    // are greyed until showGeometry() brings the review of the same fields. Returns the minimum
    // radius hint of the n-sided differential shape.
    QString show(const torvane::Technology *technology, const torvane::SpiralParameters &parameters,
                 const QString &inductanceUnitText);
    // The geometry inductance of the current fields' review.
    void showGeometry(const torvane::DesignReview &review);
    // "–" everywhere, with the reason in the tooltips.
    void showNone(const QString &reason);
    // Nothing computing or waiting.
    bool isIdle() const { return responseRunner.isIdle() && !geometryPending; }

private:
    void setGeometryLines(const torvane::GeometryInductance &result);
    void requestResponse(const torvane::DesignJob &job, const QString &inductanceUnitText);

    Labels labels;
    LatestJobRunner responseRunner;
    int responseGeneration = 0; // drops the progress of overtaken computations
    bool templateInUse = false;
    bool geometryPending = false;
    double inductanceScale = 1;
    QString inductanceUnit;
};
