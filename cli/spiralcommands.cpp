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

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

void replaceLevelList(QStringList &list, const QStringList &given, const QString &defaultEntry,
                      const char *flag)
{
    if (given.size() > list.size())
        throw CliError(QStringLiteral("--%1 gives %2 entries, but the template has %3 metal "
                                      "levels.")
                           .arg(QLatin1String(flag))
                           .arg(given.size())
                           .arg(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i)
        list[i] = i < given.size() ? given[i] : defaultEntry;
}

void checkMetalNames(const QStringList &metals, const GeometryBlock &geometry)
{
    for (const QString &name : metals) {
        if (name != defaultLevelMetal && geometry.metalTypeIndex(name) < 0) {
            QStringList known{defaultLevelMetal};
            for (const MetalType &metal : geometry.metalTypes)
                known.append(metal.name);
            throw CliError(QStringLiteral("--metals: '%1' is not a metal type of the template "
                                          "(choose from %2).")
                               .arg(name, known.join(QStringLiteral(", "))));
        }
    }
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
        if (finding.code == FindingCode::innerRadius)
            throw CliError(
                QString(finding.createPrompt).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        if (!options.assumeYes)
            throw CliError(refusal(finding.createPrompt));
    }
    if (firstPlainError(findings) && !options.assumeYes)
        throw CliError(refusal(layoutErrorsQuestion(findings)));
    // The window writes an unusually large layout with a warning; a script is stopped.
    for (const DesignFinding &finding : findings) {
        if (finding.code == FindingCode::largeLayout && !options.assumeYes)
            throw CliError(finding.message + QStringLiteral(" Pass --yes to create it anyway."));
    }
}

QJsonValue numberOrText(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? QJsonValue(value) : QJsonValue(text);
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

void printJson(QTextStream &out, const SpiralCommandOptions &options, const LoadedTemplate &loaded,
               const EstimateTexts &texts, const GeometryInductance &geometry,
               const std::optional<FrequencyResponse> &response)
{
    QJsonArray inductance;
    for (const QString &part : texts.inductance.split(QStringLiteral(" to ")))
        inductance.append(numberOrText(part));
    const QStringList size = texts.size.split(QStringLiteral(" / "));
    QJsonObject object{{QStringLiteral("shape"), shapeName(options.parameters.shape)},
                       {QStringLiteral("inductance"), inductance},
                       {QStringLiteral("inductanceText"), texts.inductance},
                       {QStringLiteral("inductanceUnit"), loaded.inductanceUnitText},
                       {QStringLiteral("size"),
                        QJsonArray{numberOrText(size.value(0)), numberOrText(size.value(1))}},
                       {QStringLiteral("lengthUnit"), loaded.lengthUnitText}};
    if (!texts.minRadius.isEmpty())
        object.insert(QStringLiteral("minRadius"), numberOrText(texts.minRadius.mid(7).chopped(1)));
    object.insert(QStringLiteral("geometryInductance"),
                  geometryJson(geometry, inductanceScale(loaded)));
    const ResistanceDC dc =
        resistanceDC(options.parameters, loaded.document, loaded.layerSetup, loaded.functionSetup);
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
    LoadedTemplate loaded{loadTemplateOrThrow(options.templatePath), {}, {}, {}, {}};
    ProjectDocument &document = loaded.document;
    readLayerSetup(document, loaded.layerSetup, loaded.functionSetup);
    if (options.roles)
        replaceLevelList(loaded.functionSetup, *options.roles, roleNone, "roles");
    if (options.metals) {
        checkMetalNames(*options.metals, document.geometry);
        replaceLevelList(loaded.layerSetup, *options.metals, defaultLevelMetal, "metals");
    }
    DimensionBlock &units = document.dimension;
    loaded.lengthUnitText =
        shownUnit(options.lengthUnit, lengthUnitNames(), units.lengthUnit, fallbackLengthUnitName);
    loaded.inductanceUnitText = shownUnit(options.inductanceUnit, inductanceUnitNames(),
                                          units.inductanceUnit, fallbackInductanceUnitName);
    // The template's lengths keep their size in the chosen unit.
    if (options.lengthUnit || takesSelectedUnitName(lengthUnitNames(), units.lengthUnit)) {
        if (const auto problem = convertLengthUnit(document, loaded.lengthUnitText))
            throw CliError(*problem + QLatin1Char('.'));
    }
    if (options.inductanceUnit ||
        takesSelectedUnitName(inductanceUnitNames(), units.inductanceUnit))
        units.setInductanceUnit(loaded.inductanceUnitText);
    return loaded;
}

QString shapeName(SpiralShape shape)
{
    static const char *const names[] = {"round", "nsided", "diffround", "diffnsided"};
    return QLatin1String(names[static_cast<int>(shape)]);
}

double inductanceScale(const LoadedTemplate &loaded)
{
    return 1.0 / HenriesPerInductanceUnit(loaded.document.dimension.inductanceUnit);
}

std::optional<LayoutExportSummary> createProject(const SpiralCommandOptions &options,
                                                 LoadedTemplate &loaded, DesignReview review)
{
    refuseBeforeCreate(options, review.findings);
    // The review laid the spiral out on a copy of the template: that copy is the project.
    loaded.document = std::move(review.layout);
    applyLayerSetup(loaded.document, loaded.layerSetup, loaded.functionSetup, options.staircase);
    std::optional<LayoutExportSummary> layoutSummary;
    std::optional<CheckedSaveFile> layoutFile;
    if (options.layout) {
        LayoutExportOptions layoutOptions = options.layout->options;
        if (layoutOptions.cellName.isEmpty())
            layoutOptions.cellName = cellNameFor(options.outputPath);
        layoutSummary = prepareLayout(layoutFile.emplace(options.layout->path), loaded.document,
                                      loaded.functionSetup, layoutOptions);
    }
    CheckedSaveFile projectFile(options.outputPath);
    QString reason;
    const auto projectFailure = [&](const QString &why) {
        return CliError(
            QStringLiteral("Error creating sonnet project '%1': %2.").arg(options.outputPath, why));
    };
    if (prepareProjectFile(projectFile, loaded.document, &reason) != 0)
        throw projectFailure(reason);
    const CheckedSaveFile *failed =
        layoutFile ? commitTogether({&*layoutFile, &projectFile}) : commitTogether({&projectFile});
    if (failed == &projectFile)
        throw projectFailure(failed->errorString());
    if (failed)
        throw CliError(QStringLiteral("cannot export '%1': %2")
                           .arg(failed->fileName(), failed->errorString()));
    prepareResultFolder(options.outputPath);
    return layoutSummary;
}

int runCreate(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const SpiralCommandOptions options = parseSpiralOptions(arguments, SpiralCommand::Create);
    LoadedTemplate loaded = loadTemplate(options);
    DesignReview review = reviewLoaded(options, loaded);
    printFindings(err, review.findings);
    const QStringList dropped = review.droppedItems;
    const std::optional<LayoutExportSummary> layout =
        createProject(options, loaded, std::move(review));
    printNotes(err, dropped);
    const GeometryBlock &geometry = loaded.document.geometry;
    out << "Spiral created at " << options.outputPath << " (" << geometry.polygons.size()
        << " polygons, " << geometry.ports.size() << " ports, " << geometry.referencePlanes.size()
        << " reference planes)\n";
    if (layout)
        printLayoutWritten(out, options.layout->path, options.layout->options, *layout);
    return 0;
}

int runEstimate(const QStringList &arguments, QTextStream &out)
{
    const SpiralCommandOptions options = parseSpiralOptions(arguments, SpiralCommand::Estimate);
    const LoadedTemplate loaded = loadTemplate(options);
    const EstimateTexts texts = estimateTexts(options.parameters, &loaded.document,
                                              loaded.layerSetup, loaded.functionSetup);
    const GeometryInductance geometry = geometryInductance(options.parameters, loaded.document,
                                                           loaded.layerSetup, loaded.functionSetup);
    std::optional<FrequencyResponse> response;
    if (options.frequencies)
        response = lossResponse(options, loaded, lossFrequencies(options.frequencies, loaded));
    if (options.json) {
        printJson(out, options, loaded, texts, geometry, response);
        return 0;
    }
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
