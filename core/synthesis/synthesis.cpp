#include "core/synthesis/synthesis.h"
#include "core/wording/inductancetext.h"

#include "core/batch/parallelfor.h"
#include "core/inductance/geometryinductance.h"
#include "core/sonnet/numberformat.h"
#include "core/spiral/roundspiral.h"
#include "core/synthesis/designgate.h"
#include "core/template/units.h"
#include "core/wording/estimatetext.h"

#include <QLocale>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>

namespace torvane {

namespace {
constexpr double halfMu0 = 6.283185307179586e-7;
constexpr double fieldMinimum = 0.001;
constexpr double fieldMaximum = 1000000;
constexpr double thousandth = 0.001;
// The closed form is a few per cent off the geometry: turn counts whose closed-form range
// misses the target by more than this are not tried.
constexpr double sheetSlack = 0.25;
// The box lowers the value, for large spirals under a low cover by far more: in the box only
// turn counts whose smallest closed-form value is ten times the target are left out.
constexpr double inBoxSlack = 0.9;
// How far the outer size of a solved radius may fall below the closed form's prediction.
constexpr double sizeMargin = 0.03;
constexpr int maxSolveSteps = 10;

double floorTo(double value, double step)
{
    return std::floor(value / step + 1e-9) * step;
}

double ceilTo(double value, double step)
{
    return std::ceil(value / step - 1e-9) * step;
}

double roundTo(double value, double step)
{
    return std::round(value / step) * step;
}

// Three decimals, as the field shows them, without binary leftovers such as 12.300000000001.
double threeDecimals(double value)
{
    return QLocale::c().toString(value, 'f', 3).toDouble();
}

double outerSize(const SynthesisCandidate &candidate)
{
    return std::max(candidate.sizeX, candidate.sizeY);
}

bool smallerFirst(const SynthesisCandidate &a, const SynthesisCandidate &b)
{
    if (outerSize(a) != outerSize(b))
        return outerSize(a) < outerSize(b);
    if (a.sizeX * a.sizeY != b.sizeX * b.sizeY)
        return a.sizeX * a.sizeY < b.sizeX * b.sizeY;
    return a.parameters.turns < b.parameters.turns;
}

// One turn count with the radii it may take. Sizes and the outer diameter grow linearly with
// the radius, which lets the box and the closed form be solved without building spirals.
struct TurnPlan
{
    double turns = 0;
    double low = 0; // radius bracket
    double high = 0;
    double sizeX0 = 0, sizeXSlope = 0;
    double sizeY0 = 0, sizeYSlope = 0;
    double diameter0 = 0, diameterSlope = 0;
    double estimate = 0; // the radius the closed form gives
    double estimatedSize = 0;

    bool fits() const { return low <= high; }
    double size(double radius) const
    {
        return std::max(sizeX0 + sizeXSlope * radius, sizeY0 + sizeYSlope * radius);
    }
};

struct Evaluation
{
    double radius = 0;
    GeometryInductance geometry;
    double value = 0; // at the requested place, in the box when requested
    bool valid = false;
    bool ok() const { return valid; }
};

struct PlanResult
{
    std::optional<SynthesisCandidate> candidate; // within the tolerance and clean
    std::optional<SynthesisCandidate> closest;   // clean, but perhaps outside the tolerance
};

class Synthesizer
{
public:
    Synthesizer(const SynthesisRequest &request, const ProjectDocument &document,
                const QStringList &layerSetup, const QStringList &functionSetup)
        : m_request(request), m_document(document), m_layerSetup(layerSetup),
          m_functionSetup(functionSetup),
          m_lengthScale(MetresPerLengthUnit(document.dimension.lengthUnit))
    {}

    SynthesisResult run();

private:
    QString requestProblem() const;
    QList<double> turnGrid() const;
    double quantum() const { return m_request.snapRadius ? m_grid : thousandth; }
    double smallestRadius() const;
    TurnPlan makePlan(double turns) const;
    SpiralParameters design(double turns, double radius) const;
    double sheet(const TurnPlan &plan, double radius) const;
    double sheetRadius(const TurnPlan &plan, double goal) const;
    Evaluation evaluate(double turns, double radius);
    bool clean(double turns, double radius) const;
    double deviation(double value) const { return value / m_request.target - 1; }
    bool stopped() const { return m_request.stop.stop_requested(); }
    SynthesisCandidate candidate(const Evaluation &evaluation, double turns) const;
    std::optional<Evaluation> solveRadius(const TurnPlan &plan);
    double cleanEdge(double turns, double failing, double passing) const;
    PlanResult solvePlan(TurnPlan plan, bool retry = true);
    std::optional<SynthesisCandidate> cleanExtreme(const TurnPlan &plan, bool atLow);
    void explainFailure(const QList<TurnPlan> &fitting, SynthesisResult &result);

    const SynthesisRequest &m_request;
    const ProjectDocument &m_document;
    const QStringList &m_layerSetup;
    const QStringList &m_functionSetup;
    const double m_lengthScale;
    double m_grid = 0;
    std::atomic<int> m_evaluations{0};
};

QString Synthesizer::requestProblem() const
{
    const SynthesisRequest &r = m_request;
    if (!(r.target > 0) || !std::isfinite(r.target))
        return QStringLiteral("The target inductance must be larger than 0.");
    if (!(r.tolerance > 0 && r.tolerance < 1))
        return QStringLiteral("The tolerance must lie between 0 and 100 %.");
    if (!(r.minTurns <= r.maxTurns))
        return QStringLiteral("The turns range is empty: its minimum lies above its maximum.");
    if (!(r.minRadius <= r.maxRadius))
        return QStringLiteral("The radius range is empty: its minimum lies above its maximum.");
    if (r.count < 1)
        return QStringLiteral("At least one candidate must be asked for.");
    if (!hasSpiralLevel(m_functionSetup))
        return QStringLiteral("No metal level has the role \"spiral\", so there is no winding "
                              "to size.");
    if (const QString levels = spiralLevelProblem(m_functionSetup); !levels.isEmpty())
        return levels;
    if (!(m_lengthScale > 0) || !std::isfinite(m_lengthScale))
        return QStringLiteral("The template's length unit is unknown.");
    if (r.snapRadius && !(m_grid > 0 && std::isfinite(m_grid)))
        return QStringLiteral("The template's box has no cell grid to snap the radius to.");
    if (turnGrid().isEmpty())
        return isDifferential(r.design.shape)
                   ? QStringLiteral("The turns range holds no whole number from 1 to 99.")
                   : QStringLiteral("The turns range holds no quarter turn from 1 to 99.99.");
    return {};
}

QList<double> Synthesizer::turnGrid() const
{
    const bool differential = isDifferential(m_request.design.shape);
    const double step = differential ? 1 : 0.25;
    const double first = ceilTo(std::max(1.0, m_request.minTurns), step);
    const double last = floorTo(std::min(differential ? 99.0 : 99.99, m_request.maxTurns), step);
    QList<double> turns;
    for (int k = 0; first + k * step <= last + 1e-9; ++k)
        turns.append(first + k * step);
    return turns;
}

double Synthesizer::smallestRadius() const
{
    double radius = std::max(m_request.minRadius, fieldMinimum);
    const SpiralParameters &d = m_request.design;
    if (d.shape == SpiralShape::NSidedDifferential) {
        const BoxSettings &box = m_document.geometry.box;
        radius = std::max(
            radius, ceilTo(minimumInnerRadius(box.cellSizeY(), d.spiralWidth, d.spacing, d.sides),
                           thousandth));
        // The create check compares the side lengths, not the radii: step past its rounding.
        for (int i = 0; i < 3 && innerRadiusShortfall(box, d.spiralWidth, d.spacing,
                                                      threeDecimals(radius), d.sides);
             ++i)
            radius += thousandth;
    }
    return ceilTo(radius, quantum());
}

SpiralParameters Synthesizer::design(double turns, double radius) const
{
    SpiralParameters p = m_request.design;
    p.turns = turns;
    p.radius = threeDecimals(radius);
    return p;
}

TurnPlan Synthesizer::makePlan(double turns) const
{
    TurnPlan plan;
    plan.turns = turns;
    const auto at0 = makeSpiral(design(turns, 0), &m_layerSetup, &m_functionSetup);
    const auto at1 = makeSpiral(design(turns, 1), &m_layerSetup, &m_functionSetup);
    plan.sizeX0 = at0->sizeX();
    plan.sizeXSlope = at1->sizeX() - plan.sizeX0;
    plan.sizeY0 = at0->sizeY();
    plan.sizeYSlope = at1->sizeY() - plan.sizeY0;
    plan.diameter0 = at0->outerDiameter();
    plan.diameterSlope = at1->outerDiameter() - plan.diameter0;
    const BoxSettings &box = m_document.geometry.box;
    const double fitX = (box.xWidth - plan.sizeX0) / plan.sizeXSlope;
    const double fitY = (box.yWidth - plan.sizeY0) / plan.sizeYSlope;
    plan.low = smallestRadius();
    plan.high = floorTo(std::min({m_request.maxRadius, fieldMaximum, fitX, fitY}), quantum());
    return plan;
}

// The current-sheet expression of a circle: cheap, monotonic in the radius, and within a few
// per cent of the geometry for every shape.
double Synthesizer::sheet(const TurnPlan &plan, double radius) const
{
    const double dout = (plan.diameter0 + plan.diameterSlope * radius) * m_lengthScale;
    const double din = 2 * radius * m_lengthScale;
    const double rho = (dout - din) / (dout + din);
    const double davg = (dout + din) / 2;
    return halfMu0 * plan.turns * plan.turns * davg * (std::log(2.46 / rho) + 0.2 * rho * rho);
}

double Synthesizer::sheetRadius(const TurnPlan &plan, double goal) const
{
    double low = plan.low;
    double high = plan.high;
    if (sheet(plan, low) >= goal)
        return low;
    if (sheet(plan, high) <= goal)
        return high;
    for (int i = 0; i < 60 && high - low > 1e-9 * high; ++i) {
        const double middle = (low + high) / 2;
        (sheet(plan, middle) < goal ? low : high) = middle;
    }
    return (low + high) / 2;
}

Evaluation Synthesizer::evaluate(double turns, double radius)
{
    Evaluation evaluation;
    evaluation.radius = radius;
    if (stopped())
        return evaluation;
    ++m_evaluations;
    const GeometryInductance &g = evaluation.geometry =
        geometryInductance(design(turns, radius), m_document, m_layerSetup, m_functionSetup,
                           m_request.stop, m_request.inBox ? BoxEffect::Included : BoxEffect::Left);
    const bool winding = m_request.place == InductancePlace::Winding;
    evaluation.valid = m_request.inBox ? g.hasInBoxValues() : g.hasValues();
    if (evaluation.valid && m_request.inBox)
        evaluation.value = winding ? *g.inBoxWinding : *g.inBoxReferencePlanes;
    else if (evaluation.valid)
        evaluation.value = winding ? *g.winding : *g.referencePlanes;
    return evaluation;
}

bool Synthesizer::clean(double turns, double radius) const
{
    // Once stopped, nothing passes, so that every search ends at its next step.
    return !stopped() && firstDesignError(design(turns, radius), m_document, m_layerSetup,
                                          m_functionSetup, m_document.dimension.lengthUnit)
                             .isEmpty();
}

SynthesisCandidate Synthesizer::candidate(const Evaluation &evaluation, double turns) const
{
    SynthesisCandidate c;
    c.parameters = design(turns, evaluation.radius);
    const auto spiral = makeSpiral(c.parameters, &m_layerSetup, &m_functionSetup);
    const bool round = c.parameters.shape == SpiralShape::Round;
    c.sizeX = round ? spiral->outerDiameter() : spiral->sizeX();
    c.sizeY = round ? spiral->outerDiameter() : spiral->sizeY();
    c.winding = *evaluation.geometry.winding;
    c.referencePlanes = *evaluation.geometry.referencePlanes;
    c.inBoxWinding = evaluation.geometry.inBoxWinding;
    c.inBoxReferencePlanes = evaluation.geometry.inBoxReferencePlanes;
    c.estimateText =
        estimateTexts(c.parameters, &m_document, m_layerSetup, m_functionSetup).inductance;
    c.deviation = deviation(evaluation.value);
    return c;
}

// Secant steps on the closed form corrected by the last geometry value, kept inside the
// bracket the geometry values have found, on radii of three decimals. Returns the evaluation
// nearest the target, on the cell grid when the radius snaps.
std::optional<Evaluation> Synthesizer::solveRadius(const TurnPlan &plan)
{
    std::map<double, Evaluation> seen;
    const auto at = [&](double radius) -> const Evaluation & {
        const auto found = seen.find(radius);
        if (found != seen.end())
            return found->second;
        return seen.emplace(radius, evaluate(plan.turns, radius)).first->second;
    };
    const double aim = m_request.tolerance / 4;
    const auto clampToPlan = [&](double radius) {
        return std::clamp(roundTo(radius, thousandth), ceilTo(plan.low, thousandth),
                          floorTo(plan.high, thousandth));
    };
    std::optional<Evaluation> below;
    std::optional<Evaluation> above;
    double radius = clampToPlan(plan.estimate);
    for (int step = 0; step < maxSolveSteps; ++step) {
        const Evaluation &e = at(radius);
        if (!e.ok())
            return std::nullopt;
        const double d = deviation(e.value);
        if (std::fabs(d) <= aim)
            break;
        if (d > 0 && (!above || e.value < above->value))
            above = e;
        if (d < 0 && (!below || e.value > below->value))
            below = e;
        if ((d > 0 && radius <= plan.low) || (d < 0 && radius >= plan.high))
            break; // the turn count cannot reach the target
        double next = sheetRadius(plan, m_request.target * sheet(plan, radius) / e.value);
        if (below && above && !(next > below->radius && next < above->radius)) {
            const double share = (m_request.target - below->value) / (above->value - below->value);
            next = below->radius + share * (above->radius - below->radius);
        }
        next = clampToPlan(next);
        if (next == radius)
            next = clampToPlan(radius + (d < 0 ? thousandth : -thousandth));
        if (next == radius || seen.count(next) != 0)
            break;
        radius = next;
    }
    const auto nearest = [&](std::initializer_list<double> radii) -> std::optional<Evaluation> {
        std::optional<Evaluation> best;
        for (const double r : radii) {
            const Evaluation &e = at(r);
            if (e.ok() &&
                (!best || std::fabs(deviation(e.value)) < std::fabs(deviation(best->value))))
                best = e;
        }
        return best;
    };
    std::optional<Evaluation> best;
    for (const auto &[r, e] : seen) {
        if (e.ok() && (!best || std::fabs(deviation(e.value)) < std::fabs(deviation(best->value))))
            best = e;
    }
    if (!best || !m_request.snapRadius)
        return best;
    const double down = std::max(floorTo(best->radius, m_grid), plan.low);
    const double up = std::min(ceilTo(best->radius, m_grid), plan.high);
    return nearest({down, up});
}

// Between a radius whose design fails the checks and one whose design passes: the passing
// radius nearest the failing one, to the radius step. The checks fail on one side only: small
// radii short the inner turns, large ones leave the box.
double Synthesizer::cleanEdge(double turns, double failing, double passing) const
{
    const double step = quantum();
    while (std::fabs(passing - failing) > step * 1.5) {
        const double middle = roundTo((failing + passing) / 2, step);
        if (middle == failing || middle == passing)
            break;
        (clean(turns, middle) ? passing : failing) = middle;
    }
    return passing;
}

PlanResult Synthesizer::solvePlan(TurnPlan plan, bool retry)
{
    PlanResult result;
    const std::optional<Evaluation> best = solveRadius(plan);
    if (!best)
        return result;
    if (!clean(plan.turns, best->radius)) {
        if (!retry)
            return result;
        // Move the bracket to the clean side of the radius and solve once more.
        if (clean(plan.turns, plan.high))
            plan.low = cleanEdge(plan.turns, best->radius, plan.high);
        else if (clean(plan.turns, plan.low))
            plan.high = cleanEdge(plan.turns, best->radius, plan.low);
        else
            return result;
        plan.estimate = std::clamp(plan.estimate, plan.low, plan.high);
        return solvePlan(plan, false);
    }
    result.closest = candidate(*best, plan.turns);
    if (std::fabs(result.closest->deviation) <= m_request.tolerance)
        result.candidate = result.closest;
    return result;
}

// The design at the low or high end of a plan's radii, moved inwards until it passes the
// checks; nothing when no radius of the plan does.
std::optional<SynthesisCandidate> Synthesizer::cleanExtreme(const TurnPlan &plan, bool atLow)
{
    double radius = atLow ? plan.low : plan.high;
    if (!clean(plan.turns, radius)) {
        const double other = atLow ? plan.high : plan.low;
        if (!clean(plan.turns, other))
            return std::nullopt;
        radius = cleanEdge(plan.turns, radius, other);
    }
    const Evaluation e = evaluate(plan.turns, radius);
    if (!e.ok())
        return std::nullopt;
    return candidate(e, plan.turns);
}

void Synthesizer::explainFailure(const QList<TurnPlan> &fitting, SynthesisResult &result)
{
    const std::optional<SynthesisCandidate> smallest = cleanExtreme(fitting.first(), true);
    // The most the box holds, by the closed form; sizes only bound the odd polygons, whose
    // corners reach further, so the next plan takes over where one has no clean radius.
    QList<TurnPlan> byValue = fitting;
    std::stable_sort(byValue.begin(), byValue.end(), [&](const TurnPlan &a, const TurnPlan &b) {
        return sheet(a, a.high) > sheet(b, b.high);
    });
    std::optional<SynthesisCandidate> largest;
    for (qsizetype i = 0; i < byValue.size() && !largest; ++i)
        largest = cleanExtreme(byValue[i], false);
    const double tolerance = m_request.tolerance;
    const auto distance = [&](const SynthesisCandidate &c) {
        return std::fabs(c.deviation);
    };
    if (smallest && smallest->deviation > tolerance) {
        result.outcome = SynthesisOutcome::BelowSmallest;
        result.nearest = smallest;
    } else if (largest && largest->deviation < -tolerance) {
        result.outcome = SynthesisOutcome::AboveLargest;
        result.nearest = largest;
    } else {
        result.outcome = SynthesisOutcome::NoneWithinReach;
        for (const auto &extreme : {smallest, largest}) {
            if (extreme && (!result.nearest || distance(*extreme) < distance(*result.nearest)))
                result.nearest = extreme;
        }
    }
}

SynthesisResult Synthesizer::run()
{
    SynthesisResult result;
    m_grid = m_document.geometry.box.cellSizeX();
    result.problem = requestProblem();
    if (!result.problem.isEmpty())
        return result;

    QList<TurnPlan> fitting;
    for (const double turns : turnGrid()) {
        TurnPlan plan = makePlan(turns);
        if (plan.fits())
            fitting.append(plan);
    }
    if (fitting.isEmpty()) {
        result.outcome = SynthesisOutcome::NothingFits;
        return result;
    }

    QList<TurnPlan> viable;
    for (TurnPlan plan : fitting) {
        const double lowSlack = m_request.inBox ? inBoxSlack : sheetSlack;
        if (sheet(plan, plan.low) * (1 - lowSlack) > m_request.target ||
            sheet(plan, plan.high) * (1 + sheetSlack) < m_request.target)
            continue;
        plan.estimate = sheetRadius(plan, m_request.target);
        plan.estimatedSize = plan.size(plan.estimate);
        viable.append(plan);
    }
    std::stable_sort(viable.begin(), viable.end(), [](const TurnPlan &a, const TurnPlan &b) {
        return a.estimatedSize < b.estimatedSize;
    });

    std::optional<SynthesisCandidate> closest;
    const qsizetype batch = availableCores();
    for (qsizetype first = 0; first < viable.size(); first += batch) {
        const qsizetype size = std::min(batch, viable.size() - first);
        std::vector<PlanResult> solved(static_cast<size_t>(size));
        parallelFor(static_cast<int>(size), [&](int i) {
            solved[static_cast<size_t>(i)] = solvePlan(viable.at(first + i));
        });
        for (const PlanResult &plan : solved) {
            if (plan.candidate)
                result.candidates.append(*plan.candidate);
            if (plan.closest &&
                (!closest || std::fabs(plan.closest->deviation) < std::fabs(closest->deviation)))
                closest = plan.closest;
        }
        if (stopped())
            break;
        std::stable_sort(result.candidates.begin(), result.candidates.end(), smallerFirst);
        const qsizetype next = first + size;
        if (result.candidates.size() >= m_request.count && next < viable.size() &&
            viable[next].estimatedSize * (1 - sizeMargin) >
                outerSize(result.candidates[m_request.count - 1]))
            break;
    }
    if (result.candidates.size() > m_request.count)
        result.candidates.resize(m_request.count);
    if (stopped()) {
        result.outcome = SynthesisOutcome::Cancelled;
        result.candidates.clear();
    } else if (!result.candidates.isEmpty()) {
        result.outcome = SynthesisOutcome::Found;
    } else {
        result.nearest = closest;
        explainFailure(fitting, result);
    }
    result.evaluations = m_evaluations;
    return result;
}

QString turnsText(double turns)
{
    return formatReal(turns) + (turns == 1 ? QStringLiteral(" turn") : QStringLiteral(" turns"));
}

QString placeText(const SynthesisRequest &request)
{
    const QString place = request.place == InductancePlace::Winding
                              ? QStringLiteral("of the winding")
                              : QStringLiteral("at the reference planes");
    return request.inBox ? place + QStringLiteral(" in the box") : place;
}
} // namespace

SynthesisResult synthesizeSpiral(const SynthesisRequest &request,
                                 const ProjectDocument &templateDocument,
                                 const QStringList &layerSetup, const QStringList &functionSetup)
{
    return Synthesizer(request, templateDocument, layerSetup, functionSetup).run();
}

double metValue(const SynthesisCandidate &candidate, InductancePlace place)
{
    if (candidate.inBoxWinding && candidate.inBoxReferencePlanes)
        return place == InductancePlace::Winding ? *candidate.inBoxWinding
                                                 : *candidate.inBoxReferencePlanes;
    return place == InductancePlace::Winding ? candidate.winding : candidate.referencePlanes;
}

QString synthesisExplanation(const SynthesisRequest &request, const SynthesisResult &result,
                             const BoxSettings &box, const QString &lengthUnit,
                             const QString &inductanceUnit)
{
    const double scale = 1.0 / HenriesPerInductanceUnit(inductanceUnit);
    const QString target = formatReal(request.target * scale) + QLatin1Char(' ') + inductanceUnit;
    const auto value = [&](const SynthesisCandidate &c) {
        return geometryValueText(metValue(c, request.place) * scale) + QLatin1Char(' ') +
               inductanceUnit + QLatin1Char(' ') + placeText(request);
    };
    const auto design = [&](const SynthesisCandidate &c) {
        return turnsText(c.parameters.turns) + QStringLiteral(", inner radius ") +
               formatReal(c.parameters.radius) + QLatin1Char(' ') + lengthUnit;
    };
    const QString boxText = formatReal(box.xWidth) + QStringLiteral(" x ") +
                            formatReal(box.yWidth) + QLatin1Char(' ') + lengthUnit;
    switch (result.outcome) {
    case SynthesisOutcome::Found:
        return {};
    case SynthesisOutcome::InvalidRequest:
        return result.problem;
    case SynthesisOutcome::Cancelled:
        return QStringLiteral("The search was cancelled.");
    case SynthesisOutcome::NothingFits:
        return QStringLiteral("Nothing fits in the %1 box: even the fewest turns at the smallest "
                              "inner radius are larger.")
            .arg(boxText);
    case SynthesisOutcome::BelowSmallest:
        if (result.nearest)
            return QStringLiteral("%1 is below what %2 at the smallest inner radius, %3: "
                                  "%4 is the nearest value that can be reached.")
                .arg(target,
                     turnsText(result.nearest->parameters.turns) +
                         (result.nearest->parameters.turns == 1 ? QStringLiteral(" gives")
                                                                : QStringLiteral(" give")),
                     formatReal(result.nearest->parameters.radius) + QLatin1Char(' ') + lengthUnit,
                     value(*result.nearest));
        break;
    case SynthesisOutcome::AboveLargest:
        if (result.nearest)
            return QStringLiteral("%1 is too large for the %2 box: the most that fits is %3 "
                                  "(%4).")
                .arg(target, boxText, value(*result.nearest), design(*result.nearest));
        break;
    case SynthesisOutcome::NoneWithinReach:
        if (result.nearest)
            return QStringLiteral("No design meets %1 within %2 %%3 and passes the design "
                                  "checks; the nearest is %4 (%5).")
                .arg(target, formatReal(request.tolerance * 100),
                     request.snapRadius ? QStringLiteral(" with the radius on the cell grid")
                                        : QString(),
                     value(*result.nearest), design(*result.nearest));
        break;
    }
    return QStringLiteral("No design meets %1 within %2 % and passes the design checks.")
        .arg(target, formatReal(request.tolerance * 100));
}

} // namespace torvane
