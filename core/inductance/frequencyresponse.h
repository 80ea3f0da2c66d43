#pragma once

#include "core/inductance/filamentloss.h"
#include "core/inductance/geometryinductance.h"
#include "core/sonnet/projectdocument.h"
#include "core/template/createspiral.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace torvane {

// The path between the reference planes at one frequency. No capacitances are modelled, so
// the values hold well below the self-resonance.
struct FrequencyPoint
{
    double frequency = 0;  // Hz
    double inductance = 0; // H, with the real metal's thickness and the current's crowding
    double resistance = 0; // ohms
    double q = 0;          // 2 pi f L / R
};

struct FrequencyResponse
{
    std::vector<FrequencyPoint> freeSpace;
    // The same frequencies in the template's box, whose cover, ground plane and side walls are
    // perfect conductors; empty where the box gives no in-box inductance (inBoxReason).
    std::vector<FrequencyPoint> inBox;
    double resistanceDC = 0; // ohms
    // Two low-frequency inductances of the same path, henries: the sheet value of the Geometry
    // line (zero-thickness metal, as a planar simulator's thin-metal model sees it), and the
    // value with the metal's real thickness, which L(f) starts from (several percent lower).
    double sheetInductance = 0;
    double thickInductance = 0;
    // The same two in the box; 0 without values there.
    double inBoxSheetInductance = 0;
    double inBoxThickInductance = 0;
    QString reason;      // why there are no values; empty when there are
    QString inBoxReason; // why there are none in the box; empty when there are

    bool hasValues() const { return reason.isEmpty() && !freeSpace.empty(); }
    bool hasInBoxValues() const { return hasValues() && !inBox.empty(); }
    // The free-space point of the highest Q.
    std::optional<FrequencyPoint> peakQ() const;
    // The same in the box.
    std::optional<FrequencyPoint> inBoxPeakQ() const;
};

// For the window's worker thread: a flag that stops the computation as soon as it looks (within
// one frequency's solve), and the steps done of all steps (building the model, then one per
// frequency), reported from the computing threads one call at a time.
struct ResponseControl
{
    const std::atomic<bool> *stop = nullptr;
    std::function<void(int done, int total)> progress;
    int threads = 0; // at most this many threads; 0 for one per processor
    // Left: free-space values only, for callers that need no more and want them sooner.
    BoxEffect box = BoxEffect::Included;
};

// The response of the layout that `create` would write, from the levels' metal types
// (layerSetup) at these frequencies (Hz, ascending, larger than 0), in free space and in the
// template's box (conductingBoxOf); its vias are lossless, as the created project makes them.
// Frequencies run in parallel on the processors.
FrequencyResponse frequencyResponse(const SpiralParameters &parameters,
                                    const ProjectDocument &templateDocument,
                                    const QStringList &layerSetup, const QStringList &functionSetup,
                                    const std::vector<double> &frequencies,
                                    const ResponseControl &control = {});

// The same for a traced path with each piece's material given (lengthScale: metres per length
// unit), in the box when there is one.
FrequencyResponse pathFrequencyResponse(const std::vector<CurrentPiece> &pieces,
                                        const std::vector<PieceMaterial> &materials,
                                        double lengthScale, const std::vector<double> &frequencies,
                                        const ResponseControl &control = {},
                                        const TemplateBox &box = {});

// The DC resistance alone (no frequencies), ohms, or why there is none.
struct ResistanceDC
{
    std::optional<double> ohms;
    QString reason;
};
ResistanceDC resistanceDC(const SpiralParameters &parameters,
                          const ProjectDocument &templateDocument, const QStringList &layerSetup,
                          const QStringList &functionSetup);

} // namespace torvane
