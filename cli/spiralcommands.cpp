#include "cli/spiralcommands.h"
#include "core/wording/inductancetext.h"

#include "cli/clierror.h"
#include "cli/designcommands.h"
#include "cli/losstable.h"
#include "cli/projectcommands.h"
#include "cli/spiraloptions.h"
#include "core/checks/designchecks.h"
#include "core/files/checkedsavefile.h"
#include "core/inductance/geometryinductance.h"
#include "core/sonnet/numberformat.h"
#include "core/template/layerroles.h"
#include "core/template/lengthconversion.h"
#include "core/template/units.h"
#include "core/wording/estimatetext.h"
#include "core/wording/findingtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace torvane;

namespace {
// The unit the window's selector would show; a template without one keeps the selector where
// the scale functions would read the empty name.
QString shownUnit(const std::optional<QString> &chosen, const QStringList &names,
                  const QString &templateUnit, const QString &fallback)
{
    if (chosen)
        return *chosen;
    const int index = matchingUnitIndex(names, templateUnit);
    return index >= 0 ? names[index] : templateUnit.isEmpty() ? fallback : templateUnit;
}

QString refusal(const QString &question)
{
    return QString(question).replace(QLatin1Char('\n'), QLatin1Char(' ')) +
           QStringLiteral(" Pass --yes to create it anyway.");
}

// The window's questions become refusals unless --yes; the inner radius refuses always.
void refuseBeforeCreate(const SpiralCommandOptions &options, const QList<DesignFinding> &findings)
{
    for (const DesignFinding &finding : ownPromptFindings(findings)) {
        if (finding.code == FindingCode::InnerRadius)
            throw CliError(
                findingCreatePrompt(finding).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        if (!options.assumeYes)
            throw CliError(refusal(findingCreatePrompt(finding)));
    }
    if (firstPlainError(findings) && !options.assumeYes)
        throw CliError(refusal(layoutErrorsQuestion(findings)));
    // The window writes an unusually large layout with a warning; a script is stopped.
    for (const DesignFinding &finding : findings) {
        if (finding.code == FindingCode::LargeLayout && !options.assumeYes)
            throw CliError(findingMessage(finding) +
                           QStringLiteral(" Pass --yes to create it anyway."));
    }
}

QJsonObject geometryJson(const GeometryInductance &geometry, double scale)
{
    QJsonObject inBox{{QStringLiteral("winding"), QJsonValue::Null},
                      {QStringLiteral("referencePlanes"), QJsonValue::Null},
                      {QStringLiteral("reason"), geometry.inBoxReason}};
    if (geometry.hasInBoxValues())
        inBox = {{QStringLiteral("winding"), *geometry.inBoxWinding * scale},
                 {QStringLiteral("referencePlanes"), *geometry.inBoxReferencePlanes * scale}};
    if (!geometry.hasValues())
        return {{QStringLiteral("winding"), QJsonValue::Null},
                {QStringLiteral("referencePlanes"), QJsonValue::Null},
                {QStringLiteral("reason"), geometry.reason},
                {QStringLiteral("inBox"), inBox}};
    return {{QStringLiteral("winding"), *geometry.winding * scale},
            {QStringLiteral("referencePlanes"), *geometry.referencePlanes * scale},
            {QStringLiteral("inBox"), inBox}};
}

QString geometryLine(const GeometryInductance &geometry, double scale, const QString &unit)
{
    if (!geometry.hasValues())
        return QStringLiteral("Geometry: n/a (%1)").arg(geometry.reason);
    return QStringLiteral("Geometry: %1 %3 winding, %2 %3 at reference planes")
        .arg(geometryValueText(*geometry.winding * scale),
             geometryValueText(*geometry.referencePlanes * scale), unit);
}

QString inBoxLine(const GeometryInductance &geometry, double scale, const QString &unit)
{
    if (!geometry.hasInBoxValues())
        return QStringLiteral("In box: \u2013 (%1)").arg(geometry.inBoxReason);
    return QStringLiteral("In box: %1 %3 winding, %2 %3 at reference planes")
        .arg(geometryValueText(*geometry.inBoxWinding * scale),
             geometryValueText(*geometry.inBoxReferencePlanes * scale), unit);
}

// A number as JSON takes it: null where it is not finite.
QJsonValue number(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue();
}

void printJson(QTextStream &out, const SpiralCommandOptions &options, const LoadedTemplate &loaded,
               const torvane::EstimateValues &estimate, const GeometryInductance &geometry,
               const std::optional<FrequencyResponse> &response)
{
    QJsonArray inductance;
    if (estimate.inductance) {
        inductance.append(number(estimate.inductance->low));
        if (estimate.inductance->high)
            inductance.append(number(*estimate.inductance->high));
    } else {
        inductance.append(QStringLiteral("n/a"));
    }
    QJsonObject object{
        {QStringLiteral("shape"), shapeName(options.parameters.shape)},
        {QStringLiteral("inductance"), inductance},
        {QStringLiteral("inductanceText"), estimateTexts(estimate).inductance},
        {QStringLiteral("inductanceUnit"), loaded.inductanceUnitText},
        {QStringLiteral("size"), QJsonArray{number(estimate.sizeX), number(estimate.sizeY)}},
        {QStringLiteral("lengthUnit"), loaded.lengthUnitText}};
    if (estimate.minRadius)
        object.insert(QStringLiteral("minRadius"), number(*estimate.minRadius));
    object.insert(QStringLiteral("geometryInductance"),
                  geometryJson(geometry, inductanceScale(loaded)));
    const ResistanceDC dc =
        resistanceDC(options.parameters, loaded.document(), loaded.technology.layerSetup(),
                     loaded.technology.functionSetup());
    object.insert(QStringLiteral("resistanceDC"), dc.ohms ? QJsonValue(*dc.ohms) : QJsonValue());
    if (!dc.ohms)
        object.insert(QStringLiteral("resistanceDCReason"), dc.reason);
    if (response)
        object.insert(QStringLiteral("frequencyResponse"),
                      frequencyResponseJson(*response, loaded));
    out << QJsonDocument(object).toJson(QJsonDocument::Indented);
}
} // namespace

LoadedTemplate loadTemplate(const SpiralCommandOptions &options)
{
    const ProjectDocument document = loadTemplateOrThrow(options.templatePath);
    LoadedTemplate loaded{torvane::Technology::fromTemplate(document), {}, {}};
    torvane::Technology &technology = loaded.technology;
    if (options.roles) {
        if (const torvane::Status set = technology.setRoles(*options.roles); !set)
            throw CliError(QStringLiteral("--roles: ") + set.error());
    }
    if (options.metals) {
        if (const torvane::Status set = technology.setMetals(*options.metals); !set)
            throw CliError(QStringLiteral("--metals: ") + set.error());
    }
    const DimensionBlock &units = document.dimension;
    loaded.lengthUnitText =
        shownUnit(options.lengthUnit, lengthUnitNames(), units.lengthUnit, fallbackLengthUnitName);
    loaded.inductanceUnitText = shownUnit(options.inductanceUnit, inductanceUnitNames(),
                                          units.inductanceUnit, fallbackInductanceUnitName);
    // The template's lengths keep their size in the chosen unit.
    if (options.lengthUnit || takesSelectedUnitName(lengthUnitNames(), units.lengthUnit)) {
        if (const torvane::Status set = technology.setLengthUnit(loaded.lengthUnitText); !set)
            throw CliError(set.error());
    }
    if (options.inductanceUnit ||
        takesSelectedUnitName(inductanceUnitNames(), units.inductanceUnit))
        technology.setInductanceUnit(loaded.inductanceUnitText);
    return loaded;
}

QString shapeName(SpiralShape shape)
{
    static const char *const names[] = {"round", "nsided", "diffround", "diffnsided"};
    return QLatin1String(names[static_cast<int>(shape)]);
}

double inductanceScale(const LoadedTemplate &loaded)
{
    return 1.0 / HenriesPerInductanceUnit(loaded.document().dimension.inductanceUnit);
}

torvane::SavedProject createProject(const SpiralCommandOptions &options, torvane::DesignJob &job)
{
    refuseBeforeCreate(options, job.review().findings);
    torvane::ProjectTarget target{options.outputPath, options.staircase, std::nullopt, {}};
    if (options.layout) {
        target.layoutPath = options.layout->path;
        target.layoutOptions = options.layout->options;
    }
    const torvane::Result<torvane::SavedProject> saved = job.save(target);
    if (!saved)
        throw CliError(saved.error().startsWith(QLatin1String("cannot export"))
                           ? saved.error()
                           : QStringLiteral("Error creating sonnet project '%1': %2.")
                                 .arg(options.outputPath, saved.error()));
    return *saved;
}

int runCreate(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const SpiralCommandOptions options = parseSpiralOptions(arguments, SpiralCommand::Create);
    return createAndReport(options, loadTemplate(options), out, err);
}

int createAndReport(const SpiralCommandOptions &options, const LoadedTemplate &loaded,
                    QTextStream &out, QTextStream &err)
{
    torvane::DesignJob job = loaded.job(options.parameters);
    printFindings(err, job.review().findings);
    const torvane::SavedProject saved = createProject(options, job);
    printNotes(err, job.review().droppedItems);
    out << "Spiral created at " << options.outputPath << " (" << saved.polygons << " polygons, "
        << saved.ports << " ports, " << saved.referencePlanes << " reference planes)\n";
    if (saved.layout)
        printLayoutWritten(out, options.layout->path, options.layout->options, *saved.layout);
    return 0;
}

int runEstimate(const QStringList &arguments, QTextStream &out)
{
    const SpiralCommandOptions options = parseSpiralOptions(arguments, SpiralCommand::Estimate);
    const LoadedTemplate loaded = loadTemplate(options);
    torvane::DesignJob job = loaded.job(options.parameters);
    const torvane::EstimateValues estimate = job.estimate();
    const GeometryInductance geometry = job.inductance();
    std::optional<FrequencyResponse> response;
    if (options.frequencies)
        response = job.response(lossFrequencies(options.frequencies, loaded));
    if (options.json) {
        printJson(out, options, loaded, estimate, geometry, response);
        return 0;
    }
    const EstimateTexts texts = estimateTexts(estimate);
    out << "Inductance: " << texts.inductance << ' ' << loaded.inductanceUnitText << '\n';
    out << "Size: " << texts.size << ' ' << loaded.lengthUnitText << '\n';
    if (!texts.minRadius.isEmpty())
        out << "MinRadius: " << texts.minRadius << '\n';
    out << geometryLine(geometry, inductanceScale(loaded), loaded.inductanceUnitText) << '\n';
    out << inBoxLine(geometry, inductanceScale(loaded), loaded.inductanceUnitText) << '\n';
    if (response)
        printLossTable(out, *response, loaded);
    return 0;
}
