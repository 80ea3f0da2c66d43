#include "gui/window/outputpanel.h"

#include "core/inductance/geometryinductance.h"
#include "core/template/estimate.h"
#include "core/template/units.h"

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
        requestGeometry(parameters, *templateDocument, layerSetup, functionSetup,
                        inductanceUnitText);
    } else {
        geometryRunner.discard();
        labels.geometry->setText(geometryInductanceText({}, 1, QString()));
        labels.geometry->setToolTip(tr("No value: no technology template is loaded."));
    }
    return texts.minRadius;
}

void OutputPanel::requestGeometry(const SpiralParameters &parameters,
                                  const ProjectDocument &document, const QStringList &layerSetup,
                                  const QStringList &functionSetup, const QString &unitText)
{
    ProjectDocument technology = document;
    // Only the technology counts; a geometry would just be copied along.
    technology.geometry.clearGeometry();
    const double scale = 1.0 / HenriesPerInductanceUnit(document.dimension.inductanceUnit);
    geometryRunner.request([this, parameters, technology = std::move(technology), layerSetup,
                            functionSetup, unitText, scale](const std::atomic_bool &) {
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
    for (QLabel *label : {labels.inductance, labels.size, labels.geometry}) {
        label->setText(QStringLiteral("\u2013"));
        label->setToolTip(reason);
    }
}
