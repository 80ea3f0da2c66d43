#include "gui/window/outputpanel.h"

#include "core/template/analysisfrequencies.h"
#include "core/template/units.h"
#include "core/wording/estimatetext.h"
#include "core/wording/findingtext.h"
#include "core/wording/inductancetext.h"
#include "gui/preview/responseplot.h"

#include <QLabel>

using namespace torvane;

namespace {
const QString dash = QStringLiteral("\u2013");
} // namespace

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
    reserve(labels.inBox, QStringLiteral("88.88 nH (88.88 nH at ref. planes)"));
    reserve(labels.quality,
            QStringLiteral("Q 88.8 at 8.88 GHz (88.8 in the box), R_dc 8.88 \u03a9"));
}

QString OutputPanel::show(const torvane::Technology *technology, const SpiralParameters &parameters,
                          const QString &inductanceUnitText)
{
    const torvane::DesignJob job(technology ? *technology : torvane::Technology::builtIn(),
                                 parameters, {});
    const EstimateTexts texts = estimateTexts(job.estimate());
    labels.inductance->setText(texts.inductance);
    labels.size->setText(texts.size);
    labels.inductance->setToolTip(QString());
    labels.size->setToolTip(QString());
    templateInUse = technology != nullptr;
    if (!templateInUse) {
        geometryPending = false;
        responseRunner.discard();
        const QString none = tr("No value: no technology template is loaded.");
        for (QLabel *label : {labels.geometry, labels.inBox, labels.quality}) {
            label->setText(dash);
            label->setToolTip(none);
            label->setEnabled(true);
        }
        labels.plot->showNone(tr("no technology template is loaded."));
        return texts.minRadius;
    }
    inductanceScale =
        1.0 / HenriesPerInductanceUnit(technology->document().dimension.inductanceUnit);
    inductanceUnit = inductanceUnitText;
    // Greyed: they still describe the fields as they were.
    geometryPending = true;
    labels.geometry->setEnabled(false);
    labels.inBox->setEnabled(false);
    requestResponse(job, inductanceUnitText);
    return texts.minRadius;
}

void OutputPanel::showGeometry(const DesignReview &review)
{
    if (!templateInUse || !geometryPending)
        return;
    geometryPending = false;
    if (review.inductance) {
        setGeometryLines(*review.inductance);
        return;
    }
    GeometryInductance none;
    const QString failure = pictureFailureText(review);
    none.reason = failure.isEmpty() ? tr("no layout can be made.") : failure;
    setGeometryLines(none);
}

void OutputPanel::setGeometryLines(const GeometryInductance &result)
{
    labels.geometry->setText(geometryInductanceText(result, inductanceScale, inductanceUnit));
    labels.geometry->setToolTip(geometryInductanceToolTip(result));
    labels.inBox->setText(inBoxInductanceText(result, inductanceScale, inductanceUnit));
    labels.inBox->setToolTip(inBoxInductanceToolTip(result));
    labels.geometry->setEnabled(true);
    labels.inBox->setEnabled(true);
}

void OutputPanel::showNone(const QString &reason)
{
    geometryPending = false;
    responseRunner.discard();
    for (QLabel *label :
         {labels.inductance, labels.size, labels.geometry, labels.inBox, labels.quality}) {
        label->setText(dash);
        label->setToolTip(reason);
        label->setEnabled(true);
    }
    labels.plot->showNone(reason);
}

void OutputPanel::requestResponse(const torvane::DesignJob &job, const QString &inductanceUnitText)
{
    const ProjectDocument &technology = job.technology().document();
    const FrequencySweep sweep = templateFrequencies(technology);
    if (!sweep.ok()) {
        responseRunner.discard();
        labels.quality->setText(dash);
        labels.quality->setToolTip(tr("No value: ") + sweep.error());
        labels.plot->showNone(sweep.error());
        return;
    }
    const QString frequencyUnit = technology.dimension.frequencyUnit;
    LqChartUnits units;
    units.inductance = inductanceUnitText;
    units.perHenry = inductanceScale;
    if (const double hertz = hertzPerFrequencyUnit(frequencyUnit); hertz > 0) {
        units.frequency = frequencyUnitText(frequencyUnit);
        units.perHertz = 1.0 / hertz;
    }
    const int generation = ++responseGeneration;
    labels.plot->showComputing(0);
    labels.quality->setText(tr("computing\u2026"));
    labels.quality->setToolTip(QString());
    responseRunner.request([this, job, frequencies = *sweep, generation, units,
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
        auto response =
            std::make_shared<const FrequencyResponse>(job.response(frequencies, control));
        return [this, response, units, frequencyUnit](bool current) {
            if (!current)
                return;
            labels.plot->showResponse(response, units);
            labels.quality->setText(qualityFactorText(*response, frequencyUnit));
            labels.quality->setToolTip(qualityFactorToolTip(*response));
        };
    });
}
