#pragma once

#include "core/sonnet/projectdocument.h"
#include "core/template/createspiral.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stop_token>

namespace torvane {

// Which of the two geometry values a synthesis meets.
enum class InductancePlace
{
    Winding,
    ReferencePlanes
};

// From a target inductance to turns and inner radius, with everything else fixed. Lengths are
// in the template's length unit, inductances in henries.
struct SynthesisRequest
{
    SpiralParameters design; // shape, width, spacing, sides and the rest; turns and radius free
    double target = 0;
    InductancePlace place = InductancePlace::ReferencePlanes;
    double tolerance = 0.01; // relative
    bool inBox = false;      // met by the values in the template's box instead of free space
    // Narrowed by the shape's own limits: turns 1 to 99.99 (99 for the differential shapes) in
    // quarter turns (whole turns for the differential shapes), radius from 0.001.
    double minTurns = 1;
    double maxTurns = 99.99;
    double minRadius = 0.001;
    double maxRadius = 1000000;
    bool snapRadius = false; // the radius on the cell grid along x rather than to 3 decimals
    int count = 5;
    // A requested stop ends the search within a few milliseconds, as Cancelled.
    std::stop_token stop;
};

struct SynthesisCandidate
{
    SpiralParameters parameters;
    double sizeX = 0;
    double sizeY = 0;
    double winding = 0; // geometry inductance, henries
    double referencePlanes = 0;
    // In the template's box: computed for a request in the box only.
    std::optional<double> inBoxWinding;
    std::optional<double> inBoxReferencePlanes;
    QString estimateText; // the closed-form estimate as the window shows it
    double deviation = 0; // (value met - target) / target
};

enum class SynthesisOutcome
{
    Found,
    InvalidRequest,  // `problem` says why
    NothingFits,     // the fewest turns at the smallest radius already leave the box
    BelowSmallest,   // the fewest turns at the smallest radius give more than the target
    AboveLargest,    // nothing that fits in the box reaches the target
    NoneWithinReach, // in between, but no design meets the tolerance and the design checks
    Cancelled,       // the request's stop was requested
};

struct SynthesisResult
{
    SynthesisOutcome outcome = SynthesisOutcome::InvalidRequest;
    QList<SynthesisCandidate> candidates; // smallest outer size first
    QString problem;
    // Without candidates: the design that comes nearest to the target and passes the checks.
    std::optional<SynthesisCandidate> nearest;
    int evaluations = 0; // geometry inductances computed
};

// The candidates meet the target within the tolerance, fit in the template's box and pass the
// design checks. The closed-form estimate brackets the radius of each turn count; the geometry
// inductance is spent only on solving the most compact ones.
SynthesisResult synthesizeSpiral(const SynthesisRequest &request,
                                 const ProjectDocument &templateDocument,
                                 const QStringList &layerSetup, const QStringList &functionSetup);

// Why there are no candidates, with the nearest value that can be reached, in the given units.
QString synthesisExplanation(const SynthesisRequest &request, const SynthesisResult &result,
                             const BoxSettings &box, const QString &lengthUnit,
                             const QString &inductanceUnit);

// The value of a candidate that the request meets: in the box when it was found in the box.
double metValue(const SynthesisCandidate &candidate, InductancePlace place);

} // namespace torvane
