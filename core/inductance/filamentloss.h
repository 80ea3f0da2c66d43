#pragma once

#include "core/inductance/boximages.h"
#include "core/inductance/complexsolvers.h"
#include "core/inductance/crosssection.h"
#include "core/inductance/currentpath.h"
#include "core/inductance/imagefield.h"
#include "core/inductance/lowrank.h"

#include <QString>

#include <array>
#include <atomic>
#include <optional>
#include <vector>

namespace torvane {

// What one piece of a current path is made of.
struct PieceMaterial
{
    double thickness = 0;    // length units; 0 for a sheet
    double conductivity = 0; // S/m of a bulk conductor; infinite when lossless
    // A sheet's impedance per square: resistance at DC, the skin coefficient that multiplies
    // the square root of the frequency in Hz, reactance, and inductance in henries.
    double sheetResistance = 0;
    double skinCoefficient = 0;
    double sheetReactance = 0;
    double sheetInductance = 0;

    bool isSheet() const { return !(thickness > 0); }
    // Per square of a sheet at the frequency (Hz): the DC resistance and the skin effect's
    // resistance joined smoothly, as their root sum of squares.
    Complex sheetImpedance(double frequency) const;
    bool operator==(const PieceMaterial &) const = default;
};

// The impedance of a current path whose pieces carry the current in their real cross-sections:
// a partial-element network of filaments (Ruehli 1974, "Equivalent circuit models for
// three-dimensional multiconductor systems", IEEE Trans. MTT-22; Weeks et al. 1979, "Resistive
// and inductive skin effect in rectangular conductors", IBM J. Res. Dev. 23). Each horizontal
// piece is cut into filaments across its width and through its thickness, finer towards the
// edges; their currents are solved at each frequency, with the skin effect of each piece and
// the proximity effect between all of them:
// - within a piece, the filaments interact through the exact two-dimensional kernel of their
//   rectangles over the piece's length, for a piece that continues straight on, and through
//   the exact finite-length terms where the conductor ends or bends;
// - nearly parallel pieces a few widths apart interact the same way over the length they run
//   side by side, with the ends of that stretch;
// - pieces that meet at a bend, or pass within a fraction of a width, interact through
//   Neumann's integral between their filaments;
// - every other piece acts through the gradient of the field its uniform current makes across
//   the piece's section;
// - a section's currents are sought in the span of its responses to its own field and to the
//   harmonic fields up to degree two, so the whole path is one small, sparse system per
//   frequency.
// Vias carry their current uniformly. Geometry is in length units of lengthScale metres.
//
// In a box of perfect conductors the images add to the network's partial inductances and
// nothing to its resistances. They act as the far pieces do: the uniform currents of all images
// through the gradient of their field across each section, a second drive of the same system
// (their share in the inductance of the uniform currents is the caller's, from the image sums).
class FilamentLoss
{
public:
    // materials: one per piece. highestFrequency (Hz) sets how finely the sections are cut (as for
    // 10 GHz at least).
    // The construction stops early, leaving no result, when the flag is set.
    FilamentLoss(const std::vector<CurrentPiece> &pieces,
                 const std::vector<PieceMaterial> &materials, double lengthScale,
                 double highestFrequency, const std::atomic<bool> *stop = nullptr);

    bool stopped() const;
    // The sum of the pieces' resistances at DC, ohms.
    double resistanceDC() const { return m_resistanceDC; }
    // Uniform current at the frequency: the resistance and the sheets' own reactance, ohms.
    Complex uniformImpedance(double frequency) const;
    // What real thickness changes in the inductance of uniform currents against sheets at the
    // levels' heights, henries (negative: the thick conductor's filaments lie further apart).
    double thicknessInductance() const { return m_thicknessInductance; }
    // Sums the images of the box's first `shells` shells (imageFieldGradients) for
    // redistributionImpedances; the reason when there are none (a stop), or empty.
    QString setBoxImages(const ConductingBox &box, int shells);

    // What the currents' crowding within the sections changes in the path's impedance, ohms,
    // in free space and with the box's images (NaN without them); NaN when stopped.
    struct Crowding
    {
        Complex freeSpace;
        Complex inBox;
    };
    Crowding redistributionImpedances(double frequency) const;

private:
    // The lateral parts of the mutual terms between the cells of two sections: -2 ln GMD, the
    // mean distance and the mean squared distance, cells of one by cells of the other.
    using KernelParts = std::array<std::vector<double>, 3>;
    using PartWeights = std::array<double, 3>;

    struct Section
    {
        CrossSection cross;
        PieceMaterial material;
        KernelParts parts;
        std::vector<double> uniform; // the DC current's share of each cell
        double smallest = 0;         // range of the distances between its cells
        double largest = 0;
        // A coarser cut for the interaction across bends: its cells, the coarse cell of each
        // fine one, and the DC current's share of each coarse cell.
        CrossSection coarse;
        std::vector<int> coarseOf;
        std::vector<double> coarseUniform;
    };
    struct Piece
    {
        int section = 0;
        double length = 0;
        double current = 0;
        double endFactor = 2;  // 2 minus the cosines of the straight continuations at its ends
        PartWeights self = {}; // weights of its section's kernel parts in its own term
        double fieldAcross = 0;
        double fieldUp = 0;
        Vec3 start;
        Vec3 along;
        Vec3 across;
    };
    struct NearKernel
    {
        int first = 0;
        int second = 0;
        double du = 0;
        double dv = 0;
        bool flip = false;
        std::array<LowRankMatrix, 3> parts;
    };
    struct NearPair
    {
        int first = 0;
        int second = 0;
        int kernel = 0;
        PartWeights weights = {}; // signed by the cosine of their directions
        double sideBySide = 0;    // signed length over which they run side by side
    };
    struct NearCandidate
    {
        NearPair pair;
        double du = 0;
        double dv = 0;
        bool flip = false;
        double blend = 1; // the near coupling's share; the far field takes the rest
    };
    // Two pieces that meet at an angle or pass very close: their filaments' mutual terms, coarse
    // cells of the first by coarse cells of the second.
    struct Bend
    {
        int first = 0;
        int second = 0;
        std::vector<double> mutual;
    };
    struct Basis;
    struct Coupling;

    int sectionFor(double width, const PieceMaterial &material, double edge);
    void classifyPairs(const std::vector<double> &widths);
    void classifyRow(size_t i, double touch, const std::vector<double> &widths,
                     std::vector<double> &startCosine, std::vector<double> &endCosine,
                     std::vector<double> &fieldAcross, std::vector<double> &fieldUp,
                     std::vector<std::pair<int, int>> &bends,
                     std::vector<NearCandidate> &near) const;
    std::optional<NearCandidate> nearCandidate(int first, int second, double reach) const;
    void addBend(int first, int second);
    void setSelfWeights(Piece &piece) const;
    int nearKernel(int first, int second, double du, double dv, bool flip);
    void setThicknessInductance();
    Basis basisOf(const Section &section, double omega) const;

    double m_lengthScale = 1;
    double m_resistanceDC = 0;
    double m_thicknessInductance = 0;
    const std::atomic<bool> *m_stop = nullptr;
    std::vector<Section> m_sections;
    std::vector<Piece> m_pieces;
    std::vector<NearKernel> m_kernels;
    std::vector<NearPair> m_pairs;
    std::vector<Bend> m_bends;
    // The gradients of the box images' field across each piece; empty without a box.
    std::vector<ImageFieldGradient> m_imageField;
    // Uniform resistance of bulk pieces, and squares of the sheet pieces by material.
    double m_bulkResistance = 0;
    std::vector<std::pair<PieceMaterial, double>> m_sheetSquares;
};

} // namespace torvane
