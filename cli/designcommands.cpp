#include "cli/designcommands.h"

#include "cli/clierror.h"
#include "core/checks/designchecks.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QJsonObject findingObject(const DesignFinding &finding)
{
    QJsonObject object{{QStringLiteral("severity"),
                        finding.isError() ? QStringLiteral("error") : QStringLiteral("warning")},
                       {QStringLiteral("code"), finding.code},
                       {QStringLiteral("message"), finding.message}};
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
    return reviewDesign(&loaded.document, options.parameters, loaded.layerSetup,
                        loaded.functionSetup, loaded.lengthUnitText);
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

int runRender(const QStringList &arguments, QTextStream &out, QTextStream &err,
              const RenderModule &module)
{
    const SpiralCommandOptions options = parseSpiralOptions(arguments, SpiralCommand::Render);
    const DesignReview review = reviewLoaded(options, loadTemplate(options));
    printFindings(err, review.findings);
    if (!review.hasPicture())
        throw CliError(QStringLiteral("No picture: %1").arg(review.failure));
    QString reason;
    if (module.writeLayoutPicture(options.outputPath, review, options.pictureSize, &reason) != 0)
        throw CliError(QStringLiteral("cannot write '%1': %2.").arg(options.outputPath, reason));
    out << "Layout drawn to " << options.outputPath << " (" << options.pictureSize.width() << " x "
        << options.pictureSize.height() << " pixels)\n";
    return 0;
}
