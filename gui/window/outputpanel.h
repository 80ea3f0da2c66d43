#pragma once

#include "core/template/createspiral.h"
#include "gui/jobs/latestjobrunner.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QLabel;
class ResponsePlot;

// The form's Output group: the estimate and size at once; the inductance of the drawn
// geometry, and its loss and Q over frequency with their plot, computed off the GUI thread,
// the newest request first.
class OutputPanel : public QObject
{
    Q_OBJECT

public:
    struct Labels
    {
        QLabel *inductance;
        QLabel *size;
        QLabel *geometry;
        QLabel *quality;
        ResponsePlot *plot;
    };

    OutputPanel(const Labels &labels, QObject *parent = nullptr);

    // Shows the values for the parameters on the template (none: only the size); returns the
    // minimum radius hint of the n-sided differential shape.
    QString show(const SpiralParameters &parameters, const ProjectDocument *templateDocument,
                 const QStringList &layerSetup, const QStringList &functionSetup,
                 const QString &inductanceUnitText);
    // "–" everywhere, with the reason in the tooltips.
    void showNone(const QString &reason);
    // Nothing computing or waiting.
    bool isIdle() const { return geometryRunner.isIdle() && responseRunner.isIdle(); }

private:
    void requestGeometry(const SpiralParameters &parameters, const ProjectDocument &document,
                         const QStringList &layerSetup, const QStringList &functionSetup,
                         const QString &unitText);
    void requestResponse(const SpiralParameters &parameters, const ProjectDocument &technology,
                         const QStringList &layerSetup, const QStringList &functionSetup,
                         const QString &inductanceUnitText);

    Labels labels;
    LatestJobRunner geometryRunner;
    LatestJobRunner responseRunner;
    int responseGeneration = 0; // drops the progress of overtaken computations
};
