#include "core/design/designjob.h"

#include "core/export/layoutoptions.h"
#include "core/files/checkedsavefile.h"
#include "core/sonnet/resultfolder.h"
#include "core/template/createspiral.h"
#include "core/template/layerroles.h"
#include "core/template/units.h"

namespace torvane {

DesignJob::DesignJob(Technology technology, SpiralParameters parameters, QString lengthUnitText)
    : tech(std::move(technology)), params(parameters), lengthUnit(std::move(lengthUnitText))
{}

const ProjectDocument *DesignJob::templateDocument() const
{
    // The review says so beside the picture when the built-in template stands in.
    return tech.isBuiltIn() ? nullptr : &tech.document();
}

const DesignReview &DesignJob::review()
{
    if (!reviewed) {
        reviewed = reviewDesign(templateDocument(), params, tech.layerSetup(), tech.functionSetup(),
                                lengthUnit);
        // The technology left the template's geometry, and what named it, behind already.
        if (!tech.isBuiltIn())
            reviewed->droppedItems = tech.droppedItems();
    }
    return *reviewed;
}

EstimateValues DesignJob::estimate() const
{
    const auto spiral = makeSpiral(params, &tech.layerSetup(), &tech.functionSetup());
    EstimateValues values;
    if (const ProjectDocument *document = templateDocument()) {
        values.inductance = spiral->inductanceEstimate(
            MetresPerLengthUnit(document->dimension.lengthUnit),
            1.0 / HenriesPerInductanceUnit(document->dimension.inductanceUnit));
    }
    const bool round = params.shape == SpiralShape::Round;
    values.sizeX = round ? spiral->outerDiameter() : spiral->sizeX();
    values.sizeY = round ? spiral->outerDiameter() : spiral->sizeY();
    if (params.shape == SpiralShape::NSidedDifferential) {
        const ProjectDocument *document = templateDocument();
        values.minRadius = minimumInnerRadius(document ? document->geometry.box.cellSizeY() : 0.0,
                                              params.spiralWidth, params.spacing, params.sides);
    }
    return values;
}

GeometryInductance DesignJob::inductance(std::stop_token stop)
{
    if (reviewed && reviewed->inductance)
        return *reviewed->inductance;
    return geometryInductance(params, tech.document(), tech.layerSetup(), tech.functionSetup(),
                              std::move(stop));
}

FrequencyResponse DesignJob::response(const std::vector<double> &frequencies,
                                      const ResponseControl &control) const
{
    return frequencyResponse(params, tech.document(), tech.layerSetup(), tech.functionSetup(),
                             frequencies, control);
}

ProjectDocument DesignJob::project(bool staircase)
{
    ProjectDocument document = review().layout;
    applyLayerSetup(document, tech.layerSetup(), tech.functionSetup(), staircase);
    return document;
}

Result<SavedProject> DesignJob::save(const ProjectTarget &target)
{
    const ProjectDocument document = project(target.staircase);
    SavedProject saved{static_cast<int>(document.geometry.polygons.size()),
                       static_cast<int>(document.geometry.ports.size()),
                       static_cast<int>(document.geometry.referencePlanes.size()), std::nullopt};
    std::optional<CheckedSaveFile> layoutFile;
    if (target.layoutPath) {
        LayoutExportOptions options = target.layoutOptions;
        if (options.cellName.isEmpty())
            options.cellName = cellNameFor(target.path);
        const Result<LayoutExportSummary> summary = prepareLayoutFile(
            layoutFile.emplace(*target.layoutPath), document, tech.functionSetup(), options);
        if (!summary)
            return failure(
                QStringLiteral("cannot export '%1': %2").arg(*target.layoutPath, summary.error()));
        saved.layout = *summary;
    }
    CheckedSaveFile projectFile(target.path);
    QString reason;
    if (prepareProjectFile(projectFile, document, &reason) != 0)
        return failure(reason);
    // The layout first: when the project cannot follow, the old project and its results stay.
    const CheckedSaveFile *failed =
        layoutFile ? commitTogether({&*layoutFile, &projectFile}) : commitTogether({&projectFile});
    if (failed == &projectFile)
        return failure(failed->errorString());
    if (failed)
        return failure(QStringLiteral("cannot export '%1': %2")
                           .arg(failed->fileName(), failed->errorString()));
    prepareResultFolder(target.path);
    return saved;
}

} // namespace torvane
