#include "gui/window/outputpanel.h"

#include "core/inductance/frequencyresponse.h"
#include "core/inductance/geometryinductance.h"
#include "core/template/analysisfrequencies.h"
#include "core/wording/estimatetext.h"
#include "core/template/units.h"

#include "gui/preview/responseplot.h"

#include <QLabel>

OutputPanel::OutputPanel(const Labels &labels, QObject *parent) : QObject(parent), labels(labels)
{
    // Each value has the room of a long one from the start, so that new text does not move
    // what is beside it.
    const QFontMetrics metrics = labels.geometry->fontMetrics();
    const auto reserve = [&metrics](QLabel *label, const QString &longText) {
        label->setMinimumWidth(metrics.horizontalAdvance(longText));
    };
    reserve(labels.inductance, QStringLiteral("88.8888 to 88.8888"));
    reserve(labels.size, QStringLiteral("8888.88 / 8888.88"));
    reserve(labels.geometry, QStringLiteral("88.88 nH (88.88 nH at ref. planes)"));
    reserve(labels.quality, QStringLiteral("Q 88.8 at 8.88 GHz, R_dc 8.88 \u03a9"));
}

QString OutputPanel::show(const SpiralParameters &parameters,
                          const ProjectDocument *templateDocument, const QStringList &layerSetup,
                          const QStringList &functionSetup, const QString &inductanceUnitText)
{
    const EstimateTexts texts =
        estimateTexts(parameters, templateDocument, layerSetup, functionSetup);
    labels.inductance->setText(texts.inductance);
    labels.size->setText(texts.size);
    labels.inductance->setToolTip(QString());
    labels.size->setToolTip(QString());
    if (templateDocument) {
        ProjectDocument technology = *templateDocument;
        // Only the technology counts; a geometry would just be copied along.
        technology.geometry.clearGeometry();
        requestGeometry(parameters, technology, layerSetup, functionSetup, inductanceUnitText);
        requestResponse(parameters, technology, layerSetup, functionSetup, inductanceUnitText);
    } else {
        geometryRunner.discard();
        labels.geometry->setText(geometryInductanceText({}, 1, QString()));
        labels.geometry->setToolTip(tr("No value: no technology template is loaded."));
        responseRunner.discard();
        labels.quality->setText(QStringLiteral("\u2013"));
        labels.quality->setToolTip(tr("No value: no technology template is loaded."));
        labels.plot->showNone(tr("no technology template is loaded."));
    }
    return texts.minRadius;
}

void OutputPanel::requestGeometry(const SpiralParameters &parameters,
                                  const ProjectDocument &document, const QStringList &layerSetup,
                                  const QStringList &functionSetup, const QString &unitText)
{
    const double scale = 1.0 / HenriesPerInductanceUnit(document.dimension.inductanceUnit);
    geometryRunner.request([this, parameters, technology = document, layerSetup, functionSetup,
                            unitText, scale](const std::atomic_bool &) {
        const GeometryInductance result =
            geometryInductance(parameters, technology, layerSetup, functionSetup);
        return [this, result, unitText, scale](bool current) {
            // An overtaken value would describe other fields than the ones shown.
            if (!current)
                return;
            labels.geometry->setText(geometryInductanceText(result, scale, unitText));
            labels.geometry->setToolTip(geometryInductanceToolTip(result));
        };
    });
}

void OutputPanel::showNone(const QString &reason)
{
    geometryRunner.discard();
    responseRunner.discard();
    for (QLabel *label : {labels.inductance, labels.size, labels.geometry, labels.quality}) {
        label->setText(QStringLiteral("\u2013"));
        label->setToolTip(reason);
    }
    labels.plot->showNone(reason);
}

void OutputPanel::requestResponse(const SpiralParameters &parameters,
                                  const ProjectDocument &technology, const QStringList &layerSetup,
                                  const QStringList &functionSetup,
                                  const QString &inductanceUnitText)
{
    const FrequencySweep sweep = templateFrequencies(technology);
    if (!sweep.ok()) {
        responseRunner.discard();
        labels.quality->setText(QStringLiteral("\u2013"));
        labels.quality->setToolTip(tr("No value: ") + sweep.problem);
        labels.plot->showNone(sweep.problem);
        return;
    }
    const QString frequencyUnit = technology.dimension.frequencyUnit;
    LqChartUnits units;
    units.inductance = inductanceUnitText;
    units.perHenry = 1.0 / HenriesPerInductanceUnit(technology.dimension.inductanceUnit);
    if (const double hertz = hertzPerFrequencyUnit(frequencyUnit); hertz > 0) {
        units.frequency = frequencyUnitText(frequencyUnit);
        units.perHertz = 1.0 / hertz;
    }
    const int generation = ++responseGeneration;
    labels.plot->showComputing(0);
    labels.quality->setText(tr("computing\u2026"));
    labels.quality->setToolTip(QString());
    responseRunner.request([this, parameters, technology, layerSetup, functionSetup,
                            frequencies = sweep.hertz, generation, units,
                            frequencyUnit](const std::atomic_bool &stop) {
        ResponseControl control;
        control.stop = &stop;
        control.progress = [this, generation](int done, int total) {
            const int percent = total > 0 ? 100 * done / total : 0;
            QMetaObject::invokeMethod(
                this,
                [this, generation, percent] {
                    if (generation == responseGeneration)
                        labels.plot->showComputing(percent);
                },
                Qt::QueuedConnection);
        };
        auto response = std::make_shared<const FrequencyResponse>(frequencyResponse(
            parameters, technology, layerSetup, functionSetup, frequencies, control));
        return [this, response, units, frequencyUnit](bool current) {
            if (!current)
                return;
            labels.plot->showResponse(response, units);
            labels.quality->setText(qualityFactorText(*response, frequencyUnit));
            labels.quality->setToolTip(qualityFactorToolTip(*response));
        };
    });
}
