#pragma once

#include "core/template/createspiral.h"
#include "gui/jobs/latestjobrunner.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QLabel;

// The form's Output group: the estimate and size at once, and the inductance of the drawn
// geometry, which is computed off the GUI thread, the newest request first.
class OutputPanel : public QObject
{
    Q_OBJECT

public:
    struct Labels
    {
        QLabel *inductance;
        QLabel *size;
        QLabel *geometry;
    };

    OutputPanel(const Labels &labels, QObject *parent = nullptr);

    // Shows the values for the parameters on the template (none: only the size); returns the
    // minimum radius hint of the n-sided differential shape.
    QString show(const SpiralParameters &parameters, const ProjectDocument *templateDocument,
                 const QStringList &layerSetup, const QStringList &functionSetup,
                 const QString &inductanceUnitText);
    // "–" everywhere, with the reason in the tooltips.
    void showNone(const QString &reason);
    // No geometry computation running or waiting.
    bool isIdle() const { return geometryRunner.isIdle(); }

private:
    void requestGeometry(const SpiralParameters &parameters, const ProjectDocument &document,
                         const QStringList &layerSetup, const QStringList &functionSetup,
                         const QString &unitText);

    Labels labels;
    LatestJobRunner geometryRunner;
};
