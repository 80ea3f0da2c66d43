#pragma once

#include "core/design/designreview.h"
#include "core/design/result.h"
#include "core/design/technology.h"
#include "core/export/layoutexport.h"
#include "core/inductance/frequencyresponse.h"
#include "core/inductance/geometryinductance.h"
#include "core/spiral/roundspiral.h"
#include "core/spiral/spiralparameters.h"

#include <QString>

#include <optional>
#include <stop_token>
#include <vector>

namespace torvane {

// The estimate panel's numbers, in the template's length and inductance units.
struct EstimateValues
{
    std::optional<InductanceEstimate> inductance; // none without a template
    double sizeX = 0;
    double sizeY = 0;
    std::optional<double> minRadius; // n-sided differential only
};

// Where a created project goes, and its layout beside it when one is asked for.
struct ProjectTarget
{
    QString path;
    bool staircase = false;
    std::optional<QString> layoutPath;
    LayoutExportOptions layoutOptions;
};

// What a save wrote.
struct SavedProject
{
    int polygons = 0;
    int ports = 0;
    int referencePlanes = 0;
    std::optional<LayoutExportSummary> layout;
};

// One spiral on one technology, through every stage the window and the command line use:
//   parameters + technology -> layout and design checks -> estimate -> inductance of the drawn
//   geometry (free space and in the box) -> loss and Q -> the project file.
// Each stage is computed once, when first asked for. The technology is only read: a project is
// made on a copy.
class DesignJob
{
public:
    // `lengthUnitText`: the unit name shown with lengths in the findings.
    DesignJob(Technology technology, SpiralParameters parameters, QString lengthUnitText);

    const Technology &technology() const { return tech; }
    const SpiralParameters &parameters() const { return params; }

    // The layout "Create Spiral ..." writes, with its design checks and, when there is a
    // picture, the geometry inductance the box check needed.
    const DesignReview &review();
    EstimateValues estimate() const;
    // Free space and in the box; taken from the review when it has them.
    GeometryInductance inductance(std::stop_token stop = {});
    FrequencyResponse response(const std::vector<double> &frequencies,
                               const ResponseControl &control = {}) const;

    // The project document: the reviewed layout with the roles in its header lines.
    ProjectDocument project(bool staircase);
    // Writes the project, and its layout first when asked for, all or nothing; only then is
    // the project's result folder emptied. The template's items that named its polygons are
    // left out (review().droppedItems).
    Result<SavedProject> save(const ProjectTarget &target);

private:
    const ProjectDocument *templateDocument() const;

    Technology tech;
    SpiralParameters params;
    QString lengthUnit;
    std::optional<DesignReview> reviewed;
};

} // namespace torvane
