#include "core/inductance/filamentloss.h"

#include "core/inductance/fieldgradient.h"
#include "core/inductance/gausslegendre.h"
#include "core/inductance/neumann.h"
#include "core/inductance/stripes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <thread>

namespace torvane {

namespace {
// mu0 / (4 pi) in henries per metre.
constexpr double mu0Over4Pi = 1e-7;
// Nearly parallel pieces closer than this many widths interact through their filaments.
constexpr double nearWidths = 4;
constexpr double nearCosine = 0.98;
// Below this share of the shorter piece side by side (the next piece of a neighbouring turn) a
// pair acts through its field, above the second fully through its filaments, blended between.
constexpr double fieldShare = 0.1;
constexpr double filamentShare = 0.4;
// Pieces side by side share the kernel of an offset this close to theirs, in widths.
constexpr double offsetTolerance = 0.03;
// Kernels side by side are kept to this fraction of their largest term.
constexpr double kernelTolerance = 1e-7;
// Other pieces closer than this many widths interact through their filaments too.
constexpr double closeWidths = 0.3;
// Pieces that meet at a smaller angle continue one conductor (a round winding's samples);
// at larger ones their filaments interact across the bend.
constexpr double continuingCosine = 0.97;
// Sections are cut for at least this frequency, so that a value does not depend on which higher
// frequencies are asked for with it up to there.
constexpr double leastCutFrequency = 1e10;
// A sheet's section in the kernels: thin against its width, as a planar simulator's sheet.
constexpr double sheetThickness = 0.01;
// Excitations of a section: its own field and the harmonic fields up to this degree.
constexpr int harmonicDegree = 2;
// The coarsest relative residual of the solve for the images' drive alone.
constexpr double imageTolerance = 1e-2;

double skinDepth(const PieceMaterial &material, double frequency)
{
    return 1 / std::sqrt(std::numbers::pi * frequency * 4e-7 * std::numbers::pi *
                         material.conductivity);
}

// Half the corner sum of sqrt(x^2 + d^2) over the ends of two parallel lines d apart, a on
// [0, la] and b on [b0, b1] along it: the length over which the lateral part of their mutual
// term grows as -2 ln d, ends included; at d = 0 the length they overlap.
double sideBySideLength(double la, double b0, double b1, double d)
{
    const auto root = [d](double x) {
        return std::sqrt(x * x + d * d);
    };
    return 0.5 * (root(b1) - root(b0) - root(b1 - la) + root(b0 - la));
}

// Least-squares weights of ln g, g and g^2 (and a constant) that follow f(g) over
// [smallest, largest], sampled evenly in ln g.
template <class Function>
std::array<double, 3> fitLogLinearQuadratic(const Function &f, double smallest, double largest)
{
    constexpr int samples = 24;
    double normal[4][4] = {};
    double right[4] = {};
    for (int s = 0; s < samples; ++s) {
        const double g = smallest * std::pow(largest / smallest, s / (samples - 1.0));
        const double x = g / largest;
        const double basis[4] = {1, std::log(x), x, x * x};
        const double value = f(g);
        for (int i = 0; i < 4; ++i) {
            right[i] += basis[i] * value;
            for (int j = 0; j < 4; ++j)
                normal[i][j] += basis[i] * basis[j];
        }
    }
    for (int k = 0; k < 4; ++k) {
        for (int i = k + 1; i < 4; ++i) {
            const double factor = normal[i][k] / normal[k][k];
            for (int j = k; j < 4; ++j)
                normal[i][j] -= factor * normal[k][j];
            right[i] -= factor * right[k];
        }
    }
    double w[4];
    for (int i = 3; i >= 0; --i) {
        double sum = right[i];
        for (int j = i + 1; j < 4; ++j)
            sum -= normal[i][j] * w[j];
        w[i] = sum / normal[i][i];
    }
    return {w[1], w[2] / largest, w[3] / (largest * largest)};
}

// Grover's mutual term of two parallel filaments g apart, a on [0, la] and b on [b0, b1]
// along it (up to a constant).
double parallelFilaments(double la, double b0, double b1, double g)
{
    const auto f = [g](double x) {
        const double r = std::hypot(x, g);
        return std::fabs(x) * std::log((std::fabs(x) + r) / g) - r;
    };
    return f(b1) - f(b0) - f(b1 - la) + f(b0 - la);
}

// What each free end adds to a straight piece's own term between two of its filaments g apart,
// against a conductor that goes straight on: g for a long piece; for any length, half of what
// Grover's parallel-filament term exceeds -2 length ln g by (up to a constant).
double endTerm(double length, double g)
{
    const double r = std::hypot(length, g);
    return length * std::log(length + r) - r + g;
}

std::array<double, 3> fitEndTerm(double length, double smallest, double largest)
{
    return fitLogLinearQuadratic([length](double g) { return endTerm(length, g); }, smallest,
                                 largest);
}

// Products of row-major real matrices with column-major complex column sets.
std::vector<Complex> multiply(const std::vector<double> &matrix, int rows, int columns,
                              const std::vector<Complex> &vectors, int count)
{
    std::vector<Complex> product(static_cast<size_t>(rows) * count);
    for (int k = 0; k < count; ++k) {
        const Complex *column = vectors.data() + static_cast<size_t>(k) * columns;
        for (int r = 0; r < rows; ++r) {
            const double *row = matrix.data() + static_cast<size_t>(r) * columns;
            Complex sum = 0;
            for (int c = 0; c < columns; ++c)
                sum += row[c] * column[c];
            product[static_cast<size_t>(k) * rows + r] = sum;
        }
    }
    return product;
}

// a^T b for column sets a (n x ka) and b (n x kb), as ka x kb row-major.
std::vector<Complex> transposedProduct(const std::vector<Complex> &a, int ka,
                                       const std::vector<Complex> &b, int kb, int n)
{
    std::vector<Complex> product(static_cast<size_t>(ka) * kb);
    for (int i = 0; i < ka; ++i) {
        for (int j = 0; j < kb; ++j) {
            Complex sum = 0;
            for (int m = 0; m < n; ++m)
                sum += a[static_cast<size_t>(i) * n + m] * b[static_cast<size_t>(j) * n + m];
            product[static_cast<size_t>(i) * kb + j] = sum;
        }
    }
    return product;
}

// a^T v for a column set a (n x k).
std::vector<Complex> transposedProduct(const std::vector<Complex> &a, int k,
                                       const std::vector<double> &v)
{
    const size_t n = v.size();
    std::vector<Complex> product(k);
    for (int i = 0; i < k; ++i) {
        Complex sum = 0;
        for (size_t m = 0; m < n; ++m)
            sum += a[i * n + m] * v[m];
        product[i] = sum;
    }
    return product;
}

std::vector<double> matrixTimes(const std::vector<double> &matrix, int rows, int columns,
                                const std::vector<double> &vector, bool transposed)
{
    std::vector<double> product(transposed ? columns : rows, 0.0);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const double value = matrix[static_cast<size_t>(r) * columns + c];
            if (transposed)
                product[c] += value * vector[r];
            else
                product[r] += value * vector[c];
        }
    }
    return product;
}

double quadraticForm(const std::vector<double> &matrix, const std::vector<double> &a,
                     const std::vector<double> &b)
{
    const std::vector<double> mb =
        matrixTimes(matrix, static_cast<int>(a.size()), static_cast<int>(b.size()), b, false);
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += a[i] * mb[i];
    return sum;
}

double bilinearForm(const LowRankMatrix &matrix, const std::vector<double> &a,
                    const std::vector<double> &b)
{
    double sum = 0;
    for (int k = 0; k < matrix.rank; ++k) {
        double left = 0;
        double right = 0;
        for (int r = 0; r < matrix.rows; ++r)
            left += a[r] * matrix.left[static_cast<size_t>(k) * matrix.rows + r];
        for (int c = 0; c < matrix.columns; ++c)
            right += b[c] * matrix.right[static_cast<size_t>(k) * matrix.columns + c];
        sum += left * right;
    }
    return sum;
}

// shapes^T (matrix's left or right factors): count x rank, row-major.
std::vector<Complex> factorProjection(const std::vector<Complex> &shapes, int count,
                                      const std::vector<double> &factors, int size, int rank)
{
    std::vector<Complex> product(static_cast<size_t>(count) * rank);
    for (int c = 0; c < count; ++c) {
        for (int k = 0; k < rank; ++k) {
            Complex sum = 0;
            for (int m = 0; m < size; ++m)
                sum += shapes[static_cast<size_t>(c) * size + m] *
                       factors[static_cast<size_t>(k) * size + m];
            product[static_cast<size_t>(c) * rank + k] = sum;
        }
    }
    return product;
}

std::vector<double> factorWeights(const std::vector<double> &factors, int size, int rank,
                                  const std::vector<double> &vector)
{
    std::vector<double> weights(rank, 0.0);
    for (int k = 0; k < rank; ++k) {
        for (int m = 0; m < size; ++m)
            weights[k] += factors[static_cast<size_t>(k) * size + m] * vector[m];
    }
    return weights;
}

std::vector<Complex> scaled(std::vector<Complex> values, Complex factor)
{
    for (Complex &value : values)
        value *= factor;
    return values;
}

Complex notANumber()
{
    return {std::nan(""), std::nan("")};
}
} // namespace

Complex PieceMaterial::sheetImpedance(double frequency) const
{
    const double skin = skinCoefficient * std::sqrt(frequency);
    return {std::hypot(sheetResistance, skin),
            sheetReactance + 2 * std::numbers::pi * frequency * sheetInductance};
}

// One section's currents at one frequency: zero-sum current shapes that span its responses,
// and their projections of the section's terms (the inductive ones times j omega mu0/4pi).
struct FilamentLoss::Basis
{
    int count = 0;
    std::vector<Complex> shapes; // count columns of the section's cells, column-major
    std::vector<Complex> coarse; // the same summed over the coarse cells
    std::vector<Complex> resistance;
    std::array<std::vector<Complex>, 3> parts;  // count x count each
    std::array<std::vector<Complex>, 3> drives; // of the uniform current, count each
    std::vector<Complex> across;                // of a field growing across the section
    std::vector<Complex> up;                    // and through it
};

// The block between two pieces' shapes and what each one's uniform current drives in the
// other.
struct FilamentLoss::Coupling
{
    std::vector<Complex> block;
    std::vector<Complex> firstDrive;
    std::vector<Complex> secondDrive;
};

FilamentLoss::FilamentLoss(const std::vector<CurrentPiece> &pieces,
                           const std::vector<PieceMaterial> &materials, double lengthScale,
                           double highestFrequency, const std::atomic<bool> *stop)
    : m_lengthScale(lengthScale), m_stop(stop)
{
    std::vector<double> widths;
    for (size_t k = 0; k < pieces.size(); ++k) {
        const CurrentPiece &piece = pieces[k];
        const PieceMaterial &material = materials[k];
        const double length = norm(piece.end - piece.start);
        if (!(length > 0) || !(piece.width > 0))
            continue;
        const double c2 = piece.current * piece.current;
        if (material.isSheet()) {
            const double squares = c2 * length / piece.width;
            auto same = std::find_if(m_sheetSquares.begin(), m_sheetSquares.end(),
                                     [&](const auto &entry) { return entry.first == material; });
            if (same == m_sheetSquares.end())
                m_sheetSquares.emplace_back(material, squares);
            else
                same->second += squares;
        } else {
            const double thickness = piece.isVia() ? piece.width : material.thickness;
            m_bulkResistance +=
                c2 * length / (material.conductivity * piece.width * thickness * lengthScale);
        }
        if (piece.isVia())
            continue;
        const double depth =
            material.isSheet() || std::isinf(material.conductivity)
                ? 0.0
                : skinDepth(material, std::max(highestFrequency, leastCutFrequency)) / lengthScale;
        Piece model;
        model.section = sectionFor(piece.width, material, depth / 3);
        model.length = length;
        model.current = piece.current;
        model.start = piece.start;
        model.along = (1 / length) * (piece.end - piece.start);
        const double horizontal = std::hypot(model.along.x, model.along.y);
        model.across = {-model.along.y / horizontal, model.along.x / horizontal, 0};
        m_pieces.push_back(model);
        widths.push_back(piece.width);
    }
    m_resistanceDC = m_bulkResistance;
    for (const auto &[material, squares] : m_sheetSquares)
        m_resistanceDC += squares * material.sheetResistance;
    classifyPairs(widths);
    if (!stopped())
        setThicknessInductance();
}

bool FilamentLoss::stopped() const
{
    return m_stop && m_stop->load(std::memory_order_relaxed);
}

Complex FilamentLoss::uniformImpedance(double frequency) const
{
    Complex z = m_bulkResistance;
    for (const auto &[material, squares] : m_sheetSquares)
        z += squares * material.sheetImpedance(frequency);
    return z;
}

int FilamentLoss::sectionFor(double width, const PieceMaterial &material, double edge)
{
    for (size_t i = 0; i < m_sections.size(); ++i) {
        if (m_sections[i].cross.width == width && m_sections[i].material == material)
            return static_cast<int>(i);
    }
    const bool sheet = material.isSheet();
    const double thickness = sheet ? sheetThickness * width : material.thickness;
    // A lossless bulk conductor carries its current on its surface: the finest cells.
    const double cell = edge > 0 ? edge : std::min(width, thickness) / 20;
    Section section;
    section.material = material;
    section.cross = sheet ? gradedCrossSection(width, thickness, 4, 0)
                          : gradedCrossSection(width, thickness, halvingsFor(width, cell, 3, 6),
                                               halvingsFor(thickness, cell, 2, 5));
    section.coarse = gradedCrossSection(width, thickness, 2, sheet ? 0 : 1);
    for (const SectionCell &fine : section.cross.cells) {
        int containing = 0;
        for (size_t c = 0; c < section.coarse.cells.size(); ++c) {
            const SectionCell &coarse = section.coarse.cells[c];
            if (std::fabs(fine.u - coarse.u) <= 0.5 * coarse.width &&
                std::fabs(fine.v - coarse.v) <= 0.5 * coarse.height)
                containing = static_cast<int>(c);
        }
        section.coarseOf.push_back(containing);
    }
    for (const SectionCell &coarse : section.coarse.cells)
        section.coarseUniform.push_back(coarse.area() / (width * thickness));

    const std::vector<SectionCell> &cells = section.cross.cells;
    const size_t n = cells.size();
    for (std::vector<double> &part : section.parts)
        part.resize(n * n);
    section.smallest = width;
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = i; j < n; ++j) {
            const double logDistance = logMeanDistance(cells[i], cells[j], 0, 0);
            const double du = cells[j].u - cells[i].u;
            const double dv = cells[j].v - cells[i].v;
            const double spread =
                (cells[i].width * cells[i].width + cells[i].height * cells[i].height +
                 cells[j].width * cells[j].width + cells[j].height * cells[j].height) /
                12;
            const double values[3] = {-2 * logDistance,
                                      i == j ? cellMeanDistance(cells[i]) : std::hypot(du, dv),
                                      du * du + dv * dv + spread};
            for (int p = 0; p < 3; ++p)
                section.parts[p][i * n + j] = section.parts[p][j * n + i] = values[p];
            section.smallest = std::min(section.smallest, std::exp(logDistance));
        }
        section.uniform.push_back(cells[i].area() / (width * thickness));
    }
    section.largest = std::hypot(width, thickness);
    m_sections.push_back(std::move(section));
    return static_cast<int>(m_sections.size() - 1);
}

namespace {
// Rows of the pair loop in interleaved stripes, each with its own findings, merged in stripe
// order: the same result whatever the number of threads.
constexpr size_t pairStripes = 8;
} // namespace

void FilamentLoss::classifyPairs(const std::vector<double> &widths)
{
    double scale = 1;
    for (const Piece &p : m_pieces) {
        const Vec3 end = p.start + p.length * p.along;
        scale = std::max({scale, std::fabs(p.start.x), std::fabs(p.start.y), std::fabs(p.start.z),
                          std::fabs(end.x), std::fabs(end.y), std::fabs(end.z)});
    }
    const double touch = 1e-9 * scale;
    const size_t count = m_pieces.size();
    struct Findings
    {
        // The straightest continuation at each end of each piece: the cosine between the
        // current arriving at the joint and the current leaving it.
        std::vector<double> startCosine;
        std::vector<double> endCosine;
        std::vector<double> fieldAcross;
        std::vector<double> fieldUp;
        std::vector<std::pair<int, int>> bends;
        std::vector<NearCandidate> near;
    };
    std::vector<Findings> stripes(pairStripes);
    const auto runStripes = [&](size_t first, size_t step) {
        for (size_t stripe = first; stripe < pairStripes; stripe += step) {
            Findings &f = stripes[stripe];
            f.startCosine.assign(count, 0.0);
            f.endCosine.assign(count, 0.0);
            f.fieldAcross.assign(count, 0.0);
            f.fieldUp.assign(count, 0.0);
            for (size_t i = stripe; i < count; i += pairStripes) {
                if (stopped())
                    return;
                classifyRow(i, touch, widths, f.startCosine, f.endCosine, f.fieldAcross, f.fieldUp,
                            f.bends, f.near);
            }
        }
    };
    const size_t threads =
        count < 64 ? 1 : std::clamp<size_t>(std::thread::hardware_concurrency(), 1, pairStripes);
    runInStripes(threads, runStripes);
    if (stopped())
        return;

    std::vector<double> startCosine(count, 0.0);
    std::vector<double> endCosine(count, 0.0);
    std::vector<std::pair<int, int>> bends;
    std::vector<NearCandidate> near;
    for (const Findings &f : stripes) {
        for (size_t i = 0; i < count; ++i) {
            startCosine[i] = std::max(startCosine[i], f.startCosine[i]);
            endCosine[i] = std::max(endCosine[i], f.endCosine[i]);
            m_pieces[i].fieldAcross += f.fieldAcross[i];
            m_pieces[i].fieldUp += f.fieldUp[i];
        }
        bends.insert(bends.end(), f.bends.begin(), f.bends.end());
        near.insert(near.end(), f.near.begin(), f.near.end());
    }
    std::sort(bends.begin(), bends.end());
    std::sort(near.begin(), near.end(), [](const NearCandidate &a, const NearCandidate &b) {
        return std::pair(a.pair.first, a.pair.second) < std::pair(b.pair.first, b.pair.second);
    });
    for (const auto &[first, second] : bends)
        addBend(first, second);
    for (NearCandidate &candidate : near) {
        candidate.pair.kernel = nearKernel(m_pieces[candidate.pair.first].section,
                                           m_pieces[candidate.pair.second].section, candidate.du,
                                           candidate.dv, candidate.flip);
        m_pairs.push_back(candidate.pair);
    }
    for (size_t i = 0; i < count; ++i) {
        m_pieces[i].endFactor = 2 - startCosine[i] - endCosine[i];
        setSelfWeights(m_pieces[i]);
    }
}

void FilamentLoss::classifyRow(size_t i, double touch, const std::vector<double> &widths,
                               std::vector<double> &startCosine, std::vector<double> &endCosine,
                               std::vector<double> &fieldAcross, std::vector<double> &fieldUp,
                               std::vector<std::pair<int, int>> &bends,
                               std::vector<NearCandidate> &near) const
{
    const Piece &a = m_pieces[i];
    const Vec3 a1 = a.start + a.length * a.along;
    for (size_t j = i + 1; j < m_pieces.size(); ++j) {
        const Piece &b = m_pieces[j];
        const Vec3 b1 = b.start + b.length * b.along;
        const double cosine = dot(a.along, b.along);
        const bool aEnd = norm(a1 - b.start) <= touch || norm(a1 - b1) <= touch;
        const bool aStart = norm(a.start - b.start) <= touch || norm(a.start - b1) <= touch;
        if (aEnd || aStart) {
            const bool bStart =
                aEnd ? norm(a1 - b.start) <= touch : norm(a.start - b.start) <= touch;
            // Out of one end and into the other, or both out of one point.
            const double sign = (aEnd == bStart ? 1 : -1) * (a.current * b.current < 0 ? -1 : 1);
            const double turn = sign * cosine;
            if (turn >= continuingCosine) {
                double &ca = aEnd ? endCosine[i] : startCosine[i];
                double &cb = bStart ? startCosine[j] : endCosine[j];
                ca = std::max(ca, turn);
                cb = std::max(cb, turn);
            } else if (std::fabs(cosine) > 1e-12) {
                bends.emplace_back(static_cast<int>(i), static_cast<int>(j));
            }
            continue;
        }
        if (std::fabs(cosine) < 1e-12)
            continue;
        double far = 1;
        if (std::fabs(cosine) >= nearCosine) {
            if (const std::optional<NearCandidate> candidate =
                    nearCandidate(static_cast<int>(i), static_cast<int>(j),
                                  nearWidths * std::max(widths[i], widths[j]))) {
                near.push_back(*candidate);
                far = 1 - candidate->blend;
            }
        }
        if (!(far > 0))
            continue;
        // A piece that passes within a section's reach (a round winding far wider than its
        // radius) makes a field too uneven across it for its gradient: their filaments interact
        // as across a bend.
        if (far == 1 && segmentDistance(a.start, a1, b.start, b1) <
                            closeWidths * std::max(widths[i], widths[j])) {
            bends.emplace_back(static_cast<int>(i), static_cast<int>(j));
            continue;
        }
        // The far pieces' uniform currents: the gradient of their field across each other.
        const Vec3 sum = far * farFieldSum(a.start, a1, a.length, b.start, b1, b.length);
        fieldAcross[i] -= b.current * cosine * dot(sum, a.across);
        fieldUp[i] -= b.current * cosine * sum.z;
        fieldAcross[j] += a.current * cosine * dot(sum, b.across);
        fieldUp[j] += a.current * cosine * sum.z;
    }
}

std::optional<FilamentLoss::NearCandidate> FilamentLoss::nearCandidate(int first, int second,
                                                                       double reach) const
{
    const Piece &a = m_pieces[first];
    const Piece &b = m_pieces[second];
    const double cosine = dot(a.along, b.along);
    const Vec3 mid = b.start + 0.5 * b.length * b.along - a.start;
    const double axial = dot(mid, a.along);
    const Vec3 lateral = mid - axial * a.along;
    const double du = dot(lateral, a.across);
    const double dv = lateral.z;
    const double d = std::hypot(du, dv);
    const double half = 0.5 * b.length * std::fabs(cosine);
    const double side = sideBySideLength(a.length, axial - half, axial + half, d);
    // Pieces that barely run side by side (the next pieces of a neighbouring turn) blend into
    // the far field.
    const double share = side / std::min(a.length, b.length);
    const double blend = std::clamp((share - fieldShare) / (filamentShare - fieldShare), 0.0, 1.0);
    if (d > reach || !(blend > 0))
        return std::nullopt;
    const double sign = (cosine < 0 ? -1 : 1) * blend;
    // Over the distances between their cells, the filaments' term as ln g, g and g^2: -2 ln g
    // times the overlap, and the ends of the stretch they run side by side.
    const Section &sa = m_sections[a.section];
    const Section &sb = m_sections[b.section];
    const double reachU = 0.5 * (sa.cross.width + sb.cross.width);
    const double reachV = 0.5 * (sa.cross.height + sb.cross.height);
    const double smallest = std::max(
        std::hypot(std::max(0.0, std::fabs(du) - reachU), std::max(0.0, std::fabs(dv) - reachV)),
        std::min(sa.smallest, sb.smallest));
    const double largest = std::hypot(std::fabs(du) + reachU, std::fabs(dv) + reachV);
    const double b0 = axial - half;
    const double b1 = axial + half;
    std::array<double, 3> weights = fitLogLinearQuadratic(
        [&](double g) { return parallelFilaments(a.length, b0, b1, g); }, smallest, largest);
    weights[0] *= -0.5;
    const NearPair pair{
        first, second, -1, {sign * weights[0], sign * weights[1], sign * weights[2]}, sign * side};
    return NearCandidate{pair, du, dv, cosine < 0, blend};
}

void FilamentLoss::addBend(int first, int second)
{
    const Piece &a = m_pieces[first];
    const Piece &b = m_pieces[second];
    const CrossSection &ca = m_sections[a.section].coarse;
    const CrossSection &cb = m_sections[b.section].coarse;
    Bend bend{first, second, {}};
    bend.mutual.reserve(ca.cells.size() * cb.cells.size());
    for (const SectionCell &x : ca.cells) {
        const Vec3 offsetA = x.u * a.across + Vec3{0, 0, x.v};
        for (const SectionCell &y : cb.cells) {
            const Vec3 offsetB = y.u * b.across + Vec3{0, 0, y.v};
            bend.mutual.push_back(
                filamentMutual(a.start + offsetA, a.start + a.length * a.along + offsetA,
                               b.start + offsetB, b.start + b.length * b.along + offsetB));
        }
    }
    m_bends.push_back(std::move(bend));
}

void FilamentLoss::setSelfWeights(Piece &piece) const
{
    piece.self = {piece.length, 0, 0};
    if (!(piece.endFactor > 0))
        return;
    const Section &section = m_sections[piece.section];
    const std::array<double, 3> end = fitEndTerm(piece.length, section.smallest, section.largest);
    piece.self[0] -= 0.5 * piece.endFactor * end[0];
    piece.self[1] = piece.endFactor * end[1];
    piece.self[2] = piece.endFactor * end[2];
}

int FilamentLoss::nearKernel(int first, int second, double du, double dv, bool flip)
{
    const double tolerance =
        offsetTolerance * std::max(m_sections[first].cross.width, m_sections[second].cross.width);
    for (size_t k = 0; k < m_kernels.size(); ++k) {
        const NearKernel &kernel = m_kernels[k];
        if (kernel.first == first && kernel.second == second && kernel.flip == flip &&
            std::fabs(kernel.du - du) <= tolerance && std::fabs(kernel.dv - dv) <= tolerance)
            return static_cast<int>(k);
    }
    NearKernel kernel{first, second, du, dv, flip, {}};
    const CrossSection &a = m_sections[first].cross;
    const CrossSection &b = m_sections[second].cross;
    KernelParts parts;
    parts[0] = logMeanDistances(a, b, du, dv, flip);
    for (double &value : parts[0])
        value *= -2;
    for (const SectionCell &ca : a.cells) {
        for (const SectionCell &cb : b.cells) {
            const double x = (flip ? -cb.u : cb.u) + du - ca.u;
            const double y = cb.v + dv - ca.v;
            const double spread = (ca.width * ca.width + ca.height * ca.height +
                                   cb.width * cb.width + cb.height * cb.height) /
                                  12;
            parts[1].push_back(std::hypot(x, y));
            parts[2].push_back(x * x + y * y + spread);
        }
    }
    const int na = static_cast<int>(a.cells.size());
    const int nb = static_cast<int>(b.cells.size());
    for (int p = 0; p < 3; ++p)
        kernel.parts[p] = crossApproximation(std::move(parts[p]), na, nb, kernelTolerance);
    m_kernels.push_back(std::move(kernel));
    return static_cast<int>(m_kernels.size() - 1);
}

void FilamentLoss::setThicknessInductance()
{
    double sum = 0;
    for (const Piece &piece : m_pieces) {
        const Section &s = m_sections[piece.section];
        const double w = s.cross.width;
        const double strip[3] = {-2 * stripLogMeanDistance(w, w, 0, 0), w / 3, w * w / 6};
        double own = 0;
        for (int p = 0; p < 3; ++p)
            own += piece.self[p] * (quadraticForm(s.parts[p], s.uniform, s.uniform) - strip[p]);
        sum += piece.current * piece.current * own;
    }
    for (const NearPair &pair : m_pairs) {
        const NearKernel &k = m_kernels[pair.kernel];
        const Section &a = m_sections[k.first];
        const Section &b = m_sections[k.second];
        const double strips = -2 * stripLogMeanDistance(a.cross.width, b.cross.width, k.du, k.dv);
        sum += 2 * m_pieces[pair.first].current * m_pieces[pair.second].current * pair.sideBySide *
               (bilinearForm(k.parts[0], a.uniform, b.uniform) - strips);
    }
    m_thicknessInductance = mu0Over4Pi * m_lengthScale * sum;
}

FilamentLoss::Basis FilamentLoss::basisOf(const Section &section, double omega) const
{
    const std::vector<SectionCell> &cells = section.cross.cells;
    const int n = static_cast<int>(cells.size());
    const Complex jwm(0, omega * mu0Over4Pi * m_lengthScale);
    const PieceMaterial &material = section.material;
    // Impedance per unit length of each cell, and of the section as a straight conductor.
    std::vector<double> resistance(n, 0.0);
    std::vector<Complex> cellImpedance(n, Complex(0));
    for (int i = 0; i < n; ++i) {
        if (material.isSheet())
            cellImpedance[i] =
                material.sheetImpedance(omega / (2 * std::numbers::pi)) / cells[i].width;
        else if (!std::isinf(material.conductivity))
            cellImpedance[i] = 1 / (material.conductivity * cells[i].area() * m_lengthScale);
    }
    std::vector<Complex> z(static_cast<size_t>(n) * n);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j)
            z[i * n + j] = jwm * section.parts[0][i * n + j];
        z[i * n + i] += cellImpedance[i];
    }
    // Bordered by the condition of no net current, so the responses are current shapes.
    std::vector<Complex> bordered(static_cast<size_t>(n + 1) * (n + 1), Complex(0));
    for (int i = 0; i < n; ++i) {
        std::copy(z.begin() + i * n, z.begin() + (i + 1) * n, bordered.begin() + i * (n + 1));
        bordered[i * (n + 1) + n] = 1;
        bordered[n * (n + 1) + i] = 1;
    }
    const ComplexLu lu(std::move(bordered), n + 1);

    std::vector<Complex> own(n, Complex(0));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j)
            own[i] += z[i * n + j] * section.uniform[j];
    }
    const double half = 0.5 * section.cross.width;
    std::vector<std::vector<Complex>> excitations{own};
    for (int degree = 1; degree <= harmonicDegree; ++degree) {
        std::vector<Complex> real(n);
        std::vector<Complex> imaginary(n);
        for (int i = 0; i < n; ++i) {
            const Complex p = std::pow(Complex(cells[i].u / half, cells[i].v / half), degree);
            real[i] = p.real();
            imaginary[i] = p.imag();
        }
        excitations.push_back(real);
        excitations.push_back(imaginary);
    }
    Basis basis;
    for (std::vector<Complex> e : excitations) {
        if (lu.singular())
            break;
        e.push_back(0);
        lu.solve(e.data());
        e.pop_back();
        double before = 0;
        for (const Complex &value : e)
            before += std::norm(value);
        for (int k = 0; k < basis.count; ++k) {
            const Complex *q = basis.shapes.data() + static_cast<size_t>(k) * n;
            Complex projection = 0;
            for (int i = 0; i < n; ++i)
                projection += std::conj(q[i]) * e[i];
            for (int i = 0; i < n; ++i)
                e[i] -= projection * q[i];
        }
        double after = 0;
        for (const Complex &value : e)
            after += std::norm(value);
        if (!(after > 1e-16 * before) || !std::isfinite(after))
            continue;
        const double scale = 1 / std::sqrt(after);
        for (const Complex &value : e)
            basis.shapes.push_back(value * scale);
        ++basis.count;
    }

    const int k = basis.count;
    std::vector<Complex> resisted(basis.shapes);
    for (int c = 0; c < k; ++c) {
        for (int i = 0; i < n; ++i)
            resisted[c * n + i] *= cellImpedance[i];
    }
    basis.resistance = transposedProduct(basis.shapes, k, resisted, k, n);
    for (int p = 0; p < 3; ++p) {
        basis.parts[p] =
            scaled(transposedProduct(basis.shapes, k,
                                     multiply(section.parts[p], n, n, basis.shapes, k), k, n),
                   jwm);
        basis.drives[p] =
            scaled(transposedProduct(basis.shapes, k,
                                     matrixTimes(section.parts[p], n, n, section.uniform, false)),
                   jwm);
    }
    std::vector<double> u(n);
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i) {
        u[i] = cells[i].u;
        v[i] = cells[i].v;
    }
    basis.across = scaled(transposedProduct(basis.shapes, k, u), jwm);
    basis.up = scaled(transposedProduct(basis.shapes, k, v), jwm);
    const int nc = static_cast<int>(section.coarse.cells.size());
    basis.coarse.assign(static_cast<size_t>(nc) * k, Complex(0));
    for (int c = 0; c < k; ++c) {
        for (int i = 0; i < n; ++i)
            basis.coarse[c * nc + section.coarseOf[i]] += basis.shapes[c * n + i];
    }
    return basis;
}

QString FilamentLoss::setBoxImages(const ConductingBox &box, int shells)
{
    std::vector<CurrentPiece> pieces;
    for (const Piece &piece : m_pieces)
        pieces.push_back({piece.start, piece.start + piece.length * piece.along,
                          m_sections[piece.section].cross.width, piece.current});
    ImageField field = imageFieldGradients(pieces, box, shells, m_stop);
    if (!field.hasValues())
        return field.failure;
    m_imageField = std::move(field.gradients);
    return {};
}

FilamentLoss::Crowding FilamentLoss::redistributionImpedances(double frequency) const
{
    const Crowding failed{notANumber(), notANumber()};
    const double omega = 2 * std::numbers::pi * frequency;
    const Complex jwm(0, omega * mu0Over4Pi * m_lengthScale);
    std::vector<Basis> bases;
    for (const Section &section : m_sections) {
        if (stopped())
            return failed;
        bases.push_back(basisOf(section, omega));
    }
    // Unknowns: the weights of each piece's shapes, one block after the other.
    std::vector<int> offsets;
    int size = 0;
    for (const Piece &piece : m_pieces) {
        offsets.push_back(size);
        size += bases[piece.section].count;
    }
    // Each piece's own block one after the other, and its inverse: the preconditioner.
    std::vector<Complex> drive(size, Complex(0));
    std::vector<Complex> own;
    std::vector<Complex> inverses;
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        const Piece &p = m_pieces[i];
        const Basis &b = bases[p.section];
        std::vector<Complex> block = scaled(b.resistance, p.length);
        for (int part = 0; part < 3; ++part) {
            for (size_t m = 0; m < block.size(); ++m)
                block[m] += p.self[part] * b.parts[part][m];
            for (int c = 0; c < b.count; ++c)
                drive[offsets[i] + c] += p.current * p.self[part] * b.drives[part][c];
        }
        for (int c = 0; c < b.count; ++c)
            drive[offsets[i] + c] += p.fieldAcross * b.across[c] + p.fieldUp * b.up[c];
        own.insert(own.end(), block.begin(), block.end());
        const ComplexLu lu(std::move(block), b.count);
        std::vector<Complex> inverse(static_cast<size_t>(b.count) * b.count, Complex(0));
        for (int c = 0; c < b.count && !lu.singular(); ++c) {
            std::vector<Complex> column(b.count, Complex(0));
            column[c] = 1;
            lu.solve(column.data());
            for (int r = 0; r < b.count; ++r)
                inverse[r * b.count + c] = column[r];
        }
        inverses.insert(inverses.end(), inverse.begin(), inverse.end());
    }

    // Near kernels projected once for all pairs that share them, by part.
    std::vector<std::array<Coupling, 3>> kernelParts;
    for (const NearKernel &kernel : m_kernels) {
        if (stopped())
            return failed;
        const Section &sa = m_sections[kernel.first];
        const Section &sb = m_sections[kernel.second];
        const Basis &ba = bases[kernel.first];
        const Basis &bb = bases[kernel.second];
        const int na = static_cast<int>(sa.cross.cells.size());
        const int nb = static_cast<int>(sb.cross.cells.size());
        std::array<Coupling, 3> parts;
        for (int p = 0; p < 3; ++p) {
            const LowRankMatrix &m = kernel.parts[p];
            const int r = m.rank;
            const std::vector<Complex> left = factorProjection(ba.shapes, ba.count, m.left, na, r);
            const std::vector<Complex> right =
                factorProjection(bb.shapes, bb.count, m.right, nb, r);
            parts[p].block.assign(static_cast<size_t>(ba.count) * bb.count, Complex(0));
            for (int i = 0; i < ba.count; ++i) {
                for (int j = 0; j < bb.count; ++j) {
                    Complex sum = 0;
                    for (int k = 0; k < r; ++k)
                        sum += left[i * r + k] * right[j * r + k];
                    parts[p].block[i * bb.count + j] = jwm * sum;
                }
            }
            const std::vector<double> rightOfB = factorWeights(m.right, nb, r, sb.uniform);
            const std::vector<double> leftOfA = factorWeights(m.left, na, r, sa.uniform);
            for (int i = 0; i < ba.count; ++i) {
                Complex sum = 0;
                for (int k = 0; k < r; ++k)
                    sum += left[i * r + k] * rightOfB[k];
                parts[p].firstDrive.push_back(jwm * sum);
            }
            for (int j = 0; j < bb.count; ++j) {
                Complex sum = 0;
                for (int k = 0; k < r; ++k)
                    sum += right[j * r + k] * leftOfA[k];
                parts[p].secondDrive.push_back(jwm * sum);
            }
        }
        kernelParts.push_back(std::move(parts));
    }
    // The couplings' blocks one after the other, for the products of the iterations.
    struct Coupled
    {
        int first;
        int second;
        size_t block;
    };
    std::vector<Coupled> coupled;
    std::vector<Complex> couplingBlocks;
    const auto addCoupling = [&](int first, int second, const Coupling &coupling) {
        const Piece &a = m_pieces[first];
        const Piece &b = m_pieces[second];
        for (size_t m = 0; m < coupling.firstDrive.size(); ++m)
            drive[offsets[first] + m] += b.current * coupling.firstDrive[m];
        for (size_t m = 0; m < coupling.secondDrive.size(); ++m)
            drive[offsets[second] + m] += a.current * coupling.secondDrive[m];
        coupled.push_back({first, second, couplingBlocks.size()});
        couplingBlocks.insert(couplingBlocks.end(), coupling.block.begin(), coupling.block.end());
    };
    for (const NearPair &pair : m_pairs) {
        const std::array<Coupling, 3> &parts = kernelParts[pair.kernel];
        Coupling sum{std::vector<Complex>(parts[0].block.size()),
                     std::vector<Complex>(parts[0].firstDrive.size()),
                     std::vector<Complex>(parts[0].secondDrive.size())};
        for (int p = 0; p < 3; ++p) {
            const double w = pair.weights[p];
            for (size_t m = 0; m < sum.block.size(); ++m)
                sum.block[m] += w * parts[p].block[m];
            for (size_t m = 0; m < sum.firstDrive.size(); ++m)
                sum.firstDrive[m] += w * parts[p].firstDrive[m];
            for (size_t m = 0; m < sum.secondDrive.size(); ++m)
                sum.secondDrive[m] += w * parts[p].secondDrive[m];
        }
        addCoupling(pair.first, pair.second, sum);
    }
    for (const Bend &bend : m_bends) {
        const Section &sa = m_sections[m_pieces[bend.first].section];
        const Section &sb = m_sections[m_pieces[bend.second].section];
        const Basis &ba = bases[m_pieces[bend.first].section];
        const Basis &bb = bases[m_pieces[bend.second].section];
        const int na = static_cast<int>(sa.coarse.cells.size());
        const int nb = static_cast<int>(sb.coarse.cells.size());
        Coupling coupling;
        coupling.block = scaled(
            transposedProduct(ba.coarse, ba.count,
                              multiply(bend.mutual, na, nb, bb.coarse, bb.count), bb.count, na),
            jwm);
        coupling.firstDrive =
            scaled(transposedProduct(ba.coarse, ba.count,
                                     matrixTimes(bend.mutual, na, nb, sb.coarseUniform, false)),
                   jwm);
        coupling.secondDrive =
            scaled(transposedProduct(bb.coarse, bb.count,
                                     matrixTimes(bend.mutual, na, nb, sa.coarseUniform, true)),
                   jwm);
        addCoupling(bend.first, bend.second, coupling);
    }

    const auto product = [](const Complex *block, int rows, int columns, const Complex *x,
                            Complex *y) {
        for (int r = 0; r < rows; ++r) {
            Complex sum = 0;
            for (int c = 0; c < columns; ++c)
                sum += block[r * columns + c] * x[c];
            y[r] = sum;
        }
    };
    const auto apply = [&](const Complex *x, Complex *y) {
        const Complex *block = own.data();
        for (size_t i = 0; i < m_pieces.size(); ++i) {
            const int k = bases[m_pieces[i].section].count;
            product(block, k, k, x + offsets[i], y + offsets[i]);
            block += k * k;
        }
        for (const Coupled &c : coupled) {
            const Complex *b = couplingBlocks.data() + c.block;
            const int ka = bases[m_pieces[c.first].section].count;
            const int kb = bases[m_pieces[c.second].section].count;
            const Complex *xa = x + offsets[c.first];
            const Complex *xb = x + offsets[c.second];
            Complex *ya = y + offsets[c.first];
            Complex *yb = y + offsets[c.second];
            for (int r = 0; r < ka; ++r) {
                Complex sum = 0;
                for (int col = 0; col < kb; ++col) {
                    sum += b[r * kb + col] * xb[col];
                    yb[col] += b[r * kb + col] * xa[r];
                }
                ya[r] += sum;
            }
        }
    };
    std::vector<Complex> scratch(harmonicDegree * 2 + 1);
    const auto precondition = [&](Complex *x) {
        const Complex *inverse = inverses.data();
        for (size_t i = 0; i < m_pieces.size(); ++i) {
            const int k = bases[m_pieces[i].section].count;
            std::copy(x + offsets[i], x + offsets[i] + k, scratch.begin());
            product(inverse, k, k, scratch.data(), x + offsets[i]);
            inverse += k * k;
        }
    };
    std::vector<Complex> rhs(size);
    for (int m = 0; m < size; ++m)
        rhs[m] = -drive[m];
    std::vector<Complex> x;
    if (!solveGmres(apply, precondition, rhs, x, 1e-8, 2000, m_stop))
        return failed;
    Crowding crowding{0, notANumber()};
    for (int m = 0; m < size; ++m)
        crowding.freeSpace += drive[m] * x[m];
    if (m_imageField.empty())
        return crowding;

    // With the images the drive is d + e, and as A is symmetric the change is
    // -(d + e)^T A^-1 (d + e) = -d^T A^-1 d + 2 e^T x - e^T A^-1 e. Only the last term needs a
    // second solve, and only as finely as its share of the change, (|e| / |d|)^2, asks: to
    // about 1e-5 of the change (R moves by a few 1e-6 at most).
    std::vector<Complex> imageDrive(size, Complex(0));
    for (size_t i = 0; i < m_pieces.size(); ++i) {
        const Basis &b = bases[m_pieces[i].section];
        const ImageFieldGradient &field = m_imageField[i];
        for (int c = 0; c < b.count; ++c)
            imageDrive[offsets[i] + c] = field.across * b.across[c] + field.up * b.up[c];
    }
    double driveSize = 0;
    double imageSize = 0;
    crowding.inBox = crowding.freeSpace;
    for (int m = 0; m < size; ++m) {
        driveSize += std::norm(drive[m]);
        imageSize += std::norm(imageDrive[m]);
        crowding.inBox += 2.0 * imageDrive[m] * x[m];
        rhs[m] = -imageDrive[m];
    }
    if (!(imageSize > 0))
        return crowding;
    const double tolerance = std::clamp(1e-5 * driveSize / imageSize, 1e-8, imageTolerance);
    std::vector<Complex> y;
    if (!solveGmres(apply, precondition, rhs, y, tolerance, 2000, m_stop))
        return failed;
    for (int m = 0; m < size; ++m)
        crowding.inBox += imageDrive[m] * y[m];
    return crowding;
}

} // namespace torvane
