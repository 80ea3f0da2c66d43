#include "cli/designcommands.h"

#include "cli/clierror.h"
#include "cli/losstable.h"
#include "core/checks/designchecks.h"
#include "core/template/analysisfrequencies.h"
#include "core/wording/findingtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace torvane;

namespace {
QJsonObject findingObject(const DesignFinding &finding)
{
    QJsonObject object{{QStringLiteral("severity"),
                        finding.isError() ? QStringLiteral("error") : QStringLiteral("warning")},
                       {QStringLiteral("code"), findingCodeName(finding.code)},
                       {QStringLiteral("message"), findingMessage(finding)}};
    if (finding.location || finding.level) {
        QJsonObject location;
        if (finding.location) {
            location.insert(QStringLiteral("x"), finding.location->x);
            location.insert(QStringLiteral("y"), finding.location->y);
        }
        if (finding.level)
            location.insert(QStringLiteral("level"), *finding.level);
        object.insert(QStringLiteral("location"), location);
    }
    return object;
}
} // namespace

DesignReview reviewLoaded(const SpiralCommandOptions &options, const LoadedTemplate &loaded)
{
    return loaded.job(options.parameters).review();
}

void printFindings(QTextStream &stream, const QList<DesignFinding> &findings)
{
    for (const DesignFinding &finding : findings)
        stream << findingLine(finding) << '\n';
}

void printNotes(QTextStream &stream, const QStringList &notes)
{
    for (const QString &note : notes)
        stream << "note: " << note << '\n';
}

int runCheck(const QStringList &arguments, QTextStream &out)
{
    const SpiralCommandOptions options = parseSpiralOptions(arguments, SpiralCommand::Check);
    const DesignReview review = reviewLoaded(options, loadTemplate(options));
    if (options.json) {
        QJsonArray array;
        for (const DesignFinding &finding : review.findings)
            array.append(findingObject(finding));
        out << QJsonDocument(array).toJson(QJsonDocument::Indented);
    } else {
        printFindings(out, review.findings);
    }
    return hasErrors(review.findings) ? findingsExitCode : 0;
}

namespace {
// The plot of L and Q against frequency instead of the layout.
int renderPlot(const SpiralCommandOptions &options, QTextStream &out, const RenderModule &module)
{
    const LoadedTemplate loaded = loadTemplate(options);
    const FrequencyResponse response =
        lossResponse(options, loaded, lossFrequencies(options.frequencies, loaded));
    if (!response.hasValues())
        throw CliError(QStringLiteral("No plot: %1").arg(response.reason));
    const QString &unit = loaded.document().dimension.frequencyUnit;
    const LqChartUnits units{loaded.inductanceUnitText, inductanceScale(loaded),
                             frequencyUnitText(unit), 1 / hertzPerFrequencyUnit(unit)};
    if (const torvane::Status written =
            module.writeFrequencyPlot(options.outputPath, response, units, options.pictureSize);
        !written)
        throw CliError(
            QStringLiteral("cannot write '%1': %2.").arg(options.outputPath, written.error()));
    const FrequencyPoint peak = *response.peakQ();
    out << "L and Q drawn to " << options.outputPath << " (" << options.pictureSize.width() << " x "
        << options.pictureSize.height() << " pixels; peak Q " << QString::number(peak.q, 'g', 4)
        << " at " << frequencyText(peak.frequency, loaded) << ")\n";
    return 0;
}
} // namespace

int runRender(const QStringList &arguments, QTextStream &out, QTextStream &err,
              const RenderModule &module)
{
    const SpiralCommandOptions options = parseSpiralOptions(arguments, SpiralCommand::Render);
    if (options.plot)
        return renderPlot(options, out, module);
    const DesignReview review = reviewLoaded(options, loadTemplate(options));
    printFindings(err, review.findings);
    if (!review.hasPicture())
        throw CliError(QStringLiteral("No picture: %1").arg(pictureFailureText(review)));
    if (const torvane::Status written =
            module.writeLayoutPicture(options.outputPath, review, options.pictureSize);
        !written)
        throw CliError(
            QStringLiteral("cannot write '%1': %2.").arg(options.outputPath, written.error()));
    out << "Layout drawn to " << options.outputPath << " (" << options.pictureSize.width() << " x "
        << options.pictureSize.height() << " pixels)\n";
    return 0;
}
