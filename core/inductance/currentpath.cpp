#include "core/inductance/currentpath.h"

#include "core/inductance/clustersum.h"
#include "core/inductance/farfield.h"
#include "core/inductance/pairterms.h"
#include "core/inductance/stripes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <thread>

namespace torvane {

namespace {
std::vector<PieceFrame> framesOf(const std::vector<CurrentPiece> &pieces)
{
    std::vector<PieceFrame> frames;
    frames.reserve(pieces.size());
    for (const CurrentPiece &piece : pieces)
        frames.push_back(frameOf(piece));
    return frames;
}

// Rows of the pair sum in interleaved stripes, summed in stripe order: the same result
// whatever the number of threads.
constexpr size_t stripeCount = 8;
// Below this many pieces a thread costs more than it saves.
constexpr size_t threadedPieces = 256;

template <class Row> double stripedSum(size_t rows, const Row &row)
{
    std::array<double, stripeCount> stripes{};
    const auto runStripes = [&](size_t first, size_t step) {
        for (size_t stripe = first; stripe < stripeCount; stripe += step) {
            double sum = 0;
            for (size_t i = stripe; i < rows; i += stripeCount)
                sum += row(i);
            stripes[stripe] = sum;
        }
    };
    const size_t threads =
        rows < threadedPieces
            ? 1
            : std::clamp<size_t>(std::thread::hardware_concurrency(), 1, stripeCount);
    runInStripes(threads, runStripes);
    double total = 0;
    for (const double stripe : stripes)
        total += stripe;
    return total;
}

// Sum over the pairs of one list, each pair once, self terms included. Each row runs first
// through the vectorised far-field loop, which marks the pairs too close for its expansion;
// only those go through framesMutual.
double selfSum(const std::vector<CurrentPiece> &pieces, const std::vector<PieceFrame> &frames)
{
    FarFieldPoints points;
    for (size_t i = 0; i < frames.size(); ++i) {
        const PieceFrame &f = frames[i];
        points.append(f.mid, f.along, f.across, f.length, f.width, widthWeight(f),
                      pieces[i].current);
    }
    return stripedSum(frames.size(), [&](size_t i) {
        const double ci = pieces[i].current;
        if (ci == 0)
            return 0.0;
        const PieceFrame &fi = frames[i];
        thread_local std::vector<double> nearFlags;
        nearFlags.resize(frames.size() - i);
        const double far =
            farFieldNearMarked(points, i + 1, frames.size(), fi.mid, fi.along, fi.across, fi.length,
                               fi.width, widthWeight(fi), nearWidths, farLengths, nearFlags.data());
        double near = 0;
        for (size_t j = i + 1; j < frames.size(); ++j) {
            if (nearFlags[j - i - 1] != 0 && pieces[j].current != 0)
                near += pieces[j].current * pairTerm(fi, frames[j]);
        }
        return ci * ci * selfTerm(fi) + 2 * ci * (near + fi.length * far);
    });
}

double crossSum(const std::vector<CurrentPiece> &a, const std::vector<PieceFrame> &fa,
                const std::vector<CurrentPiece> &b, const std::vector<PieceFrame> &fb)
{
    double sum = 0;
    for (size_t i = 0; i < fa.size(); ++i) {
        double mutual = 0;
        for (size_t j = 0; j < fb.size(); ++j)
            mutual += b[j].current * pairTerm(fa[i], fb[j]);
        sum += a[i].current * mutual;
    }
    return sum;
}
// The clusters follow the coordinates. Built on the path or on its mirror image, whichever
// turns anticlockwise about its centre, mirror images get the same clusters and so the same
// value.
void inOneHandedness(std::vector<CurrentPiece> &pieces)
{
    Vec3 centre;
    for (const CurrentPiece &piece : pieces)
        centre = centre + (0.5 / static_cast<double>(pieces.size())) * (piece.start + piece.end);
    double turning = 0;
    for (const CurrentPiece &piece : pieces) {
        const Vec3 mid = 0.5 * (piece.start + piece.end) - centre;
        const Vec3 span = piece.end - piece.start;
        turning += piece.current * (mid.x * span.y - mid.y * span.x);
    }
    if (turning >= 0)
        return;
    for (CurrentPiece &piece : pieces) {
        piece.start.x = -piece.start.x;
        piece.end.x = -piece.end.x;
    }
}
} // namespace

double pathInductance(const std::vector<CurrentPiece> &pieces)
{
    return pathInductances(pieces, {}).first;
}

std::pair<double, double> pathInductances(const std::vector<CurrentPiece> &first,
                                          const std::vector<CurrentPiece> &second,
                                          std::stop_token stop)
{
    std::vector<CurrentPiece> pieces = first;
    pieces.insert(pieces.end(), second.begin(), second.end());
    inOneHandedness(pieces);
    const std::vector<PieceFrame> frames = framesOf(pieces);
    std::vector<double> currents;
    currents.reserve(pieces.size());
    double selfFirst = 0;
    double selfAll = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const double c = pieces[i].current;
        currents.push_back(c);
        const double self = c == 0 ? 0.0 : c * c * selfTerm(frames[i]);
        selfAll += self;
        if (i < first.size())
            selfFirst += self;
    }
    ClusterSettings settings;
    settings.stop = std::move(stop);
    const PairSums pairs = clusteredPairSums(frames, currents, first.size(), settings);
    return {selfFirst + 2 * pairs.first, selfAll + 2 * pairs.all};
}

double pairwiseInductance(const std::vector<CurrentPiece> &pieces)
{
    return selfSum(pieces, framesOf(pieces));
}

std::pair<double, double> pairwiseInductances(const std::vector<CurrentPiece> &first,
                                              const std::vector<CurrentPiece> &second)
{
    const std::vector<PieceFrame> f1 = framesOf(first);
    const std::vector<PieceFrame> f2 = framesOf(second);
    const double alone = selfSum(first, f1);
    return {alone, alone + 2 * crossSum(first, f1, second, f2) + selfSum(second, f2)};
}

} // namespace torvane
