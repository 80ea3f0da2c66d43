#include "core/inductance/frequencyresponse.h"

#include "core/inductance/boxinductance.h"
#include "core/inductance/currentpath.h"
#include "core/inductance/geometryinductance.h"
#include "core/inductance/metalloss.h"
#include "core/inductance/stripes.h"
#include "core/template/analysisfrequencies.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <thread>

namespace torvane {

namespace {
// mu0 / (4 pi) in henries per metre.
constexpr double mu0Over4Pi = 1e-7;

QString stoppedReason()
{
    return QStringLiteral("Stopped.");
}

// The material of each piece from its level's metal type; vias lossless, as create writes them.
struct PathMaterials
{
    std::vector<PieceMaterial> materials;
    QString reason;
};

PathMaterials materialsOf(const std::vector<CurrentPiece> &pieces, const GeometryBlock &geometry,
                          const QStringList &layerSetup)
{
    PathMaterials result;
    for (const CurrentPiece &piece : pieces) {
        if (piece.isVia()) {
            result.materials.push_back({});
            continue;
        }
        const MetalLoss metal = levelMetalLoss(geometry, layerSetup, piece.level);
        if (!metal.usable()) {
            result.reason = metal.problem;
            return result;
        }
        result.materials.push_back(metal.material);
    }
    return result;
}

bool stopRequested(const ResponseControl &control)
{
    return control.stop && control.stop->load(std::memory_order_relaxed);
}

// Calls the progress callback one call at a time, from whichever thread finished a step.
class ProgressReport
{
public:
    ProgressReport(const ResponseControl &control, int total) : m_control(control), m_total(total)
    {}
    void step()
    {
        if (!m_control.progress)
            return;
        const std::lock_guard lock(m_mutex);
        m_control.progress(++m_done, m_total);
    }

private:
    const ResponseControl &m_control;
    int m_total;
    int m_done = 0;
    std::mutex m_mutex;
};
} // namespace

namespace {
std::optional<FrequencyPoint> highestQ(const std::vector<FrequencyPoint> &points)
{
    if (points.empty())
        return std::nullopt;
    return *std::max_element(
        points.begin(), points.end(),
        [](const FrequencyPoint &a, const FrequencyPoint &b) { return a.q < b.q; });
}

FrequencyPoint pointOf(double frequency, Complex impedance)
{
    const double omega = 2 * std::numbers::pi * frequency;
    return {frequency, impedance.imag() / omega, impedance.real(),
            impedance.imag() / impedance.real()};
}

// The first point without a finite, positive L and R, if any.
const FrequencyPoint *firstInvalid(const std::vector<FrequencyPoint> &points)
{
    for (const FrequencyPoint &p : points) {
        if (!std::isfinite(p.inductance) || !std::isfinite(p.resistance) || !std::isfinite(p.q) ||
            !(p.resistance > 0) || !(p.inductance > 0))
            return &p;
    }
    return nullptr;
}

// The images' share in the inductance of the uniform currents, henries, with the images' field
// handed to the loss model; or nothing, with the reason in the response.
std::optional<double> prepareBox(FilamentLoss &loss, const std::vector<CurrentPiece> &pieces,
                                 const TemplateBox &box, double lengthScale,
                                 const ResponseControl &control, FrequencyResponse &response)
{
    if (control.box == BoxEffect::Left) {
        response.inBoxReason = QStringLiteral("The box was left out.");
        return std::nullopt;
    }
    if (!box.box) {
        response.inBoxReason =
            box.reason.isEmpty() ? QStringLiteral("There is no box.") : box.reason;
        return std::nullopt;
    }
    const double sheet = response.sheetInductance;
    const InBoxInductances inBox =
        inBoxInductances(pieces, {}, *box.box, {sheet, sheet}, lengthScale, {}, control.stop);
    if (!inBox.values) {
        response.inBoxReason = inBox.reason;
        return std::nullopt;
    }
    response.inBoxReason = loss.setBoxImages(*box.box, inBox.shells);
    if (!response.inBoxReason.isEmpty())
        return std::nullopt;
    response.inBoxSheetInductance = inBox.values->winding;
    return inBox.values->winding - sheet;
}
} // namespace

std::optional<FrequencyPoint> FrequencyResponse::peakQ() const
{
    return hasValues() ? highestQ(freeSpace) : std::nullopt;
}

std::optional<FrequencyPoint> FrequencyResponse::inBoxPeakQ() const
{
    return hasInBoxValues() ? highestQ(inBox) : std::nullopt;
}

FrequencyResponse pathFrequencyResponse(const std::vector<CurrentPiece> &pieces,
                                        const std::vector<PieceMaterial> &materials,
                                        double lengthScale, const std::vector<double> &frequencies,
                                        const ResponseControl &control, const TemplateBox &box)
{
    FrequencyResponse response;
    if (frequencies.empty()) {
        response.reason = QStringLiteral("No frequencies were given.");
        return response;
    }
    ProgressReport progress(control, static_cast<int>(frequencies.size()) + 1);
    response.sheetInductance = mu0Over4Pi * lengthScale * pathInductance(pieces);
    FilamentLoss loss(pieces, materials, lengthScale, frequencies.back(), control.stop);
    if (loss.stopped()) {
        response.reason = stoppedReason();
        return response;
    }
    response.resistanceDC = loss.resistanceDC();
    response.thickInductance = response.sheetInductance + loss.thicknessInductance();
    if (!(loss.uniformImpedance(frequencies.back()).real() > 0)) {
        response.reason = QStringLiteral(
            "The path's metal is lossless, so its Q has no bound: give the spiral and bridge "
            "levels a metal type with loss (Edit Layers ..., or --metals).");
        return response;
    }
    const std::optional<double> imageInductance =
        prepareBox(loss, pieces, box, lengthScale, control, response);
    if (stopRequested(control)) {
        response.reason = stoppedReason();
        return response;
    }
    progress.step();
    if (imageInductance)
        response.inBoxThickInductance = response.thickInductance + *imageInductance;

    std::vector<FrequencyPoint> points(frequencies.size());
    std::vector<FrequencyPoint> boxPoints(imageInductance ? frequencies.size() : 0);
    const size_t processors = control.threads > 0 ? static_cast<size_t>(control.threads)
                                                  : std::thread::hardware_concurrency();
    const size_t threads = std::clamp<size_t>(processors, 1, frequencies.size());
    runInStripes(threads, [&](size_t first, size_t step) {
        for (size_t i = first; i < frequencies.size(); i += step) {
            if (stopRequested(control))
                return;
            const double f = frequencies[i];
            const Complex reactance(0, 2 * std::numbers::pi * f);
            const Complex uniform = loss.uniformImpedance(f);
            const FilamentLoss::Crowding crowding = loss.redistributionImpedances(f);
            points[i] =
                pointOf(f, uniform + reactance * response.thickInductance + crowding.freeSpace);
            if (imageInductance)
                boxPoints[i] = pointOf(f, uniform + reactance * response.inBoxThickInductance +
                                              crowding.inBox);
            progress.step();
        }
    });
    if (stopRequested(control)) {
        response.reason = stoppedReason();
        return response;
    }
    if (const FrequencyPoint *bad = firstInvalid(points)) {
        response.reason = QStringLiteral("The filament model gives no finite value at %1 Hz.")
                              .arg(bad->frequency);
        return response;
    }
    response.freeSpace = std::move(points);
    if (const FrequencyPoint *bad = firstInvalid(boxPoints))
        response.inBoxReason =
            QStringLiteral("The filament model gives no finite value in the box at %1 Hz.")
                .arg(bad->frequency);
    else
        response.inBox = std::move(boxPoints);
    if (!response.hasInBoxValues()) {
        response.inBoxSheetInductance = 0;
        response.inBoxThickInductance = 0;
    }
    return response;
}

FrequencyResponse frequencyResponse(const SpiralParameters &parameters,
                                    const ProjectDocument &templateDocument,
                                    const QStringList &layerSetup, const QStringList &functionSetup,
                                    const std::vector<double> &frequencies,
                                    const ResponseControl &control)
{
    FrequencyResponse response;
    for (const double f : frequencies) {
        if (!(f > 0) || !std::isfinite(f)) {
            response.reason = QStringLiteral("The frequency %1 Hz must be larger than 0.").arg(f);
            return response;
        }
    }
    const TracedSpiral traced =
        traceSpiral(parameters, templateDocument, layerSetup, functionSetup);
    if (!traced.reason.isEmpty()) {
        response.reason = traced.reason;
        return response;
    }
    const PathMaterials materials =
        materialsOf(traced.paths.planes, templateDocument.geometry, layerSetup);
    if (!materials.reason.isEmpty()) {
        response.reason = materials.reason;
        return response;
    }
    std::vector<double> sorted = frequencies;
    std::sort(sorted.begin(), sorted.end());
    return pathFrequencyResponse(traced.paths.planes, materials.materials, traced.lengthScale,
                                 sorted, control, conductingBoxOf(templateDocument.geometry));
}

ResistanceDC resistanceDC(const SpiralParameters &parameters,
                          const ProjectDocument &templateDocument, const QStringList &layerSetup,
                          const QStringList &functionSetup)
{
    const TracedSpiral traced =
        traceSpiral(parameters, templateDocument, layerSetup, functionSetup);
    if (!traced.reason.isEmpty())
        return {std::nullopt, traced.reason};
    const PathMaterials materials =
        materialsOf(traced.paths.planes, templateDocument.geometry, layerSetup);
    if (!materials.reason.isEmpty())
        return {std::nullopt, materials.reason};
    double ohms = 0;
    for (size_t i = 0; i < traced.paths.planes.size(); ++i) {
        const CurrentPiece &piece = traced.paths.planes[i];
        const PieceMaterial &material = materials.materials[i];
        const double length = norm(piece.end - piece.start);
        if (!(length > 0) || !(piece.width > 0))
            continue;
        const double squares = length / piece.width;
        const double thickness = piece.isVia() ? piece.width : material.thickness;
        ohms += piece.current * piece.current *
                (material.isSheet()
                     ? squares * material.sheetResistance
                     : squares / (material.conductivity * thickness * traced.lengthScale));
    }
    return {ohms, {}};
}

} // namespace torvane
