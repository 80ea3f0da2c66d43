#include "core/inductance/imagefield.h"
#include "core/inductance/clustertree.h"

#include "core/inductance/fieldgradient.h"
#include "core/inductance/gausslegendre.h"
#include "core/inductance/multipole.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace torvane {

namespace {
using multipole::Moments;
using multipole::order;
using multipole::termCount;
using multipole::termIndex;

constexpr int leafSize = 8;
// A cluster and the image of another interact through the expansion when their radii together
// are below this share of their distance, to the lowest order (at most 8) whose bound
// (radii / distance)^(order + 1) is below orderBound. The gradients move R by a small part of
// themselves: against 0.5 and 1e-4, these move R by less than 1e-5 and halve the time.
constexpr double openingRatio = 0.6;
constexpr double orderBound = 1e-3;
constexpr int maxLevels = 32;
// Gauss points along a piece for its moments: exact to the expansion's order.
constexpr int alongPoints = order / 2 + 1;
// Images that share a walk of the clusters.
constexpr size_t batchLimit = 64;
// The expansions are taken this share of the nearest image's distance above and below each
// level; their difference gives the gradient up.
constexpr double heightStep = 1e-3;

struct Piece
{
    Vec3 start;
    Vec3 end;
    Vec3 along;
    Vec3 across;
    double length = 0;
    double current = 0;
    int level = 0;
    int index = 0; // in the caller's list
};

struct Node : ClusterNode
{
    int parent = -1;
    unsigned levels = 0; // levels of its pieces
    int firstBlock = 0;  // its moments and local expansions, one per level present, in order
};

// The images' field about a node at one level, as a local expansion taken above and below it.
struct Local
{
    Moments above;
    Moments below;
};

// What turns a cluster's moments into those of its image: its reflections along x and y
// reverse the current's components along them and the odd powers of the offsets; its sign
// (-1)^(number of reflections) multiplies all.
struct MomentSigns
{
    std::array<double, termCount> x{};
    std::array<double, termCount> y{};
};

MomentSigns momentSigns(bool mirroredX, bool mirroredY, double sign)
{
    MomentSigns signs;
    for (int n = 0; n <= order; ++n) {
        for (int b = 0; b <= n; ++b) {
            const int a = n - b;
            const bool odd = (mirroredX && a % 2 != 0) != (mirroredY && b % 2 != 0);
            const double offsets = odd ? -sign : sign;
            signs.x[termIndex(a, b)] = mirroredX ? -offsets : offsets;
            signs.y[termIndex(a, b)] = mirroredY ? -offsets : offsets;
        }
    }
    return signs;
}

Moments imageMoments(const Moments &m, const MomentSigns &signs)
{
    Moments out;
    for (int k = 0; k < termCount; ++k) {
        out.x[k] = signs.x[k] * m.x[k];
        out.y[k] = signs.y[k] * m.y[k];
    }
    return out;
}

// Scalar moments of a unit current along a piece about (cx, cy): the sum of the powers of the
// offsets over Gauss points, each divided by alpha!.
std::array<double, termCount> lineMoments(const Piece &piece, double cx, double cy)
{
    const GaussRule &rule = gaussLegendre(alongPoints);
    std::array<double, termCount> s{};
    for (int i = 0; i < alongPoints; ++i) {
        const Vec3 at = piece.start + (0.5 + 0.5 * rule.nodes[i]) * (piece.end - piece.start);
        const double weight = 0.5 * rule.weights[i] * piece.length;
        const auto px = multipole::scaledPowers(at.x - cx);
        const auto py = multipole::scaledPowers(at.y - cy);
        for (int n = 0; n <= order; ++n) {
            for (int b = 0; b <= n; ++b)
                s[termIndex(n - b, b)] += weight * px[n - b] * py[b];
        }
    }
    return s;
}

int orderFor(double ratio)
{
    double power = ratio * ratio * ratio;
    int p = 2;
    while (p < order && power > orderBound) {
        power *= ratio;
        ++p;
    }
    return p;
}

// One image as the clusters see it.
struct ImageView
{
    ImageMap map;
    double sign = 1;
    double gap = 0; // between the heights of the path and those of its image
    int kind = 0;   // bit 0, 1, 2: reflected along x, y, z
};

class ImageFieldSum
{
public:
    ImageFieldSum(const std::vector<CurrentPiece> &pieces, const ConductingBox &box)
        : m_box(box), m_count(pieces.size())
    {
        for (size_t k = 0; k < pieces.size(); ++k) {
            const CurrentPiece &p = pieces[k];
            const Vec3 span = p.end - p.start;
            const double length = norm(span);
            if (span.z != 0 || !(length > 0))
                continue;
            Piece piece;
            piece.start = p.start;
            piece.end = p.end;
            piece.length = length;
            piece.along = (1 / length) * span;
            piece.across = Vec3{-piece.along.y, piece.along.x, 0};
            piece.current = p.current;
            piece.level = levelFor(p.start.z);
            piece.index = static_cast<int>(k);
            if (piece.level < 0)
                return;
            m_pieces.push_back(piece);
        }
        if (m_pieces.empty()) {
            m_valid = true;
            return;
        }
        setHeightStep();
        splitLongPieces();
        m_direct.resize(m_pieces.size());
        m_order.resize(m_pieces.size());
        for (size_t i = 0; i < m_pieces.size(); ++i)
            m_order[i] = static_cast<int>(i);
        m_leafOf.resize(m_pieces.size());
        m_nodes.emplace_back();
        build(0, -1, 0, static_cast<int>(m_pieces.size()));
        for (size_t k = m_nodes.size(); k-- > 0;)
            addMoments(static_cast<int>(k));
        m_locals.resize(m_moments.size());
        m_valid = true;
    }

    bool valid() const { return m_valid; }

    // The images of one shell: those far from the whole path into sums of derivatives per kind
    // of image, the others in batches through the clusters.
    void addShell(int shell, const std::atomic<bool> *stop)
    {
        if (m_pieces.empty())
            return;
        const Node &root = m_nodes[0];
        std::vector<BoxImage> near;
        for (const BoxImage &image : boxImageShell(m_box, shell)) {
            const ImageView view = viewOf(image);
            if (apart(root, root, view))
                addFarImage(view);
            else
                near.push_back(image);
        }
        std::stable_sort(near.begin(), near.end(), [](const BoxImage &p, const BoxImage &q) {
            return std::pair(p.index[0], p.index[1]) < std::pair(q.index[0], q.index[1]);
        });
        std::vector<ImageView> batch;
        for (size_t k = 0; k < near.size(); ++k) {
            if (stop && stop->load(std::memory_order_relaxed))
                return;
            const BoxImage &image = near[k];
            const bool sameColumn = k > 0 && image.index[0] == near[k - 1].index[0] &&
                                    image.index[1] == near[k - 1].index[1];
            if (!batch.empty() && (!sameColumn || batch.size() == batchLimit)) {
                walk(batch, stop);
                batch.clear();
            }
            batch.push_back(viewOf(image));
        }
        if (!batch.empty())
            walk(batch, stop);
    }

    std::vector<ImageFieldGradient> gradients()
    {
        std::vector<ImageFieldGradient> result(m_count);
        if (m_pieces.empty())
            return result;
        contractFarImages();
        for (size_t i = 0; i < m_pieces.size(); ++i) {
            const Piece &piece = m_pieces[i];
            ImageFieldGradient g = m_direct[i];
            for (int n = m_leafOf[i]; n >= 0; n = m_nodes[n].parent) {
                const Node &node = m_nodes[n];
                const Local &local = m_locals[block(node, piece.level)];
                const auto s = lineMoments(piece, node.cx, node.cy);
                for (int degree = 0; degree <= order; ++degree) {
                    for (int b = 0; b <= degree; ++b) {
                        const int a = degree - b;
                        const int k = termIndex(a, b);
                        const double moved = (a > 0 ? piece.across.x * s[termIndex(a - 1, b)] : 0) +
                                             (b > 0 ? piece.across.y * s[termIndex(a, b - 1)] : 0);
                        const double mean = piece.along.x * (local.above.x[k] + local.below.x[k]) +
                                            piece.along.y * (local.above.y[k] + local.below.y[k]);
                        const double rise = piece.along.x * (local.above.x[k] - local.below.x[k]) +
                                            piece.along.y * (local.above.y[k] - local.below.y[k]);
                        g.across += 0.5 * moved * mean;
                        g.up += s[k] * rise / (2 * m_heightStep);
                    }
                }
            }
            result[piece.index].across += g.across;
            result[piece.index].up += g.up;
        }
        return result;
    }

private:
    int levelFor(double z)
    {
        for (size_t k = 0; k < m_levels.size(); ++k) {
            if (m_levels[k] == z)
                return static_cast<int>(k);
        }
        if (m_levels.size() == maxLevels)
            return -1;
        m_levels.push_back(z);
        return static_cast<int>(m_levels.size()) - 1;
    }

    // A share of the distance from the path to its nearest image.
    void setHeightStep()
    {
        PlaneBox plan;
        for (const Piece &p : m_pieces) {
            plan.add(p.start);
            plan.add(p.end);
            m_low = std::min(m_low, p.start.z);
            m_high = std::max(m_high, p.start.z);
        }
        double nearest =
            std::min({plan.minX, m_box.xWidth - plan.maxX, plan.minY, m_box.yWidth - plan.maxY});
        if (m_box.cover)
            nearest = std::min(nearest, *m_box.cover - m_high);
        if (m_box.ground)
            nearest = std::min(nearest, m_low - *m_box.ground);
        m_nearestImage = 2 * std::max(nearest, 1e-9 * std::max(m_box.xWidth, 1.0));
        m_heightStep = heightStep * m_nearestImage;
    }

    // Pieces longer than the distance to the nearest image cut into equal parts (a piece's
    // gradient is the sum of its parts'): the clusters stay small against the images' distances,
    // and pairs of parts take few Gauss points.
    void splitLongPieces()
    {
        std::vector<Piece> split;
        for (const Piece &piece : m_pieces) {
            const int parts =
                static_cast<int>(std::clamp(std::ceil(piece.length / m_nearestImage), 1.0, 1000.0));
            for (int i = 0; i < parts; ++i) {
                Piece part = piece;
                part.start =
                    piece.start + (static_cast<double>(i) / parts) * (piece.end - piece.start);
                part.end = i + 1 == parts ? piece.end
                                          : piece.start + (static_cast<double>(i + 1) / parts) *
                                                              (piece.end - piece.start);
                part.length = piece.length / parts;
                split.push_back(part);
            }
        }
        m_pieces = std::move(split);
    }

    void build(int index, int parent, int begin, int end)
    {
        const PlaneBox bounds = boxOfEnds(m_order, begin, end, [&](int piece) {
            return std::pair(m_pieces[piece].start, m_pieces[piece].end);
        });
        Node node = centredNode<Node>(bounds, begin, end);
        node.parent = parent;
        for (int k = begin; k < end; ++k) {
            const Piece &p = m_pieces[m_order[k]];
            node.levels |= 1u << p.level;
            for (const Vec3 &at : {p.start, p.end})
                node.radius = std::max(node.radius, std::hypot(at.x - node.cx, at.y - node.cy));
        }
        if (end - begin <= leafSize) {
            for (int k = begin; k < end; ++k)
                m_leafOf[m_order[k]] = index;
            m_nodes[index] = node;
            return;
        }
        const bool alongX = bounds.widerAlongX();
        const int middle = splitAtMiddle(m_order, begin, end, alongX, [&](int piece, bool x) {
            const Piece &p = m_pieces[piece];
            return x ? p.start.x + p.end.x : p.start.y + p.end.y;
        });
        const int child = storeWithChildren(m_nodes, index, node);
        build(child, index, begin, middle);
        build(child + 1, index, middle, end);
    }

    static int block(const Node &node, int level)
    {
        return node.firstBlock + std::popcount(node.levels & ((1u << level) - 1));
    }

    // Bottom up, so that the children's moments exist.
    void addMoments(int index)
    {
        Node &node = m_nodes[index];
        node.firstBlock = static_cast<int>(m_moments.size());
        m_moments.resize(m_moments.size() + std::popcount(node.levels));
        if (node.leaf()) {
            for (int k = node.begin; k < node.end; ++k) {
                const Piece &p = m_pieces[m_order[k]];
                const auto s = lineMoments(p, node.cx, node.cy);
                Moments &m = m_moments[block(node, p.level)];
                for (int t = 0; t < termCount; ++t) {
                    m.x[t] += p.current * p.along.x * s[t];
                    m.y[t] += p.current * p.along.y * s[t];
                }
            }
            return;
        }
        for (int c = 0; c < 2; ++c) {
            const Node &child = m_nodes[node.child + c];
            for (unsigned mask = child.levels; mask != 0; mask &= mask - 1) {
                const int level = std::countr_zero(mask);
                multipole::addShifted(m_moments[block(child, level)], child.cx - node.cx,
                                      child.cy - node.cy, m_moments[block(node, level)]);
            }
        }
    }

    ImageView viewOf(const BoxImage &image) const
    {
        ImageView view;
        view.map = imageMap(m_box, image);
        view.sign = image.sign();
        view.kind =
            (image.mirrored(0) ? 1 : 0) + (image.mirrored(1) ? 2 : 0) + (image.mirrored(2) ? 4 : 0);
        const double a = view.map.factor.z * m_low + view.map.shift.z;
        const double b = view.map.factor.z * m_high + view.map.shift.z;
        view.gap = std::max({0.0, std::min(a, b) - m_high, m_low - std::max(a, b)});
        return view;
    }

    double distance(const Node &a, const Node &b, const ImageView &view, double &dx,
                    double &dy) const
    {
        dx = a.cx - (view.map.factor.x * b.cx + view.map.shift.x);
        dy = a.cy - (view.map.factor.y * b.cy + view.map.shift.y);
        return std::sqrt(dx * dx + dy * dy + view.gap * view.gap);
    }

    bool apart(const Node &a, const Node &b, const ImageView &view) const
    {
        double dx = 0;
        double dy = 0;
        return (a.radius + b.radius) < openingRatio * distance(a, b, view, dx, dy);
    }

    // Level la of the path with the image of level lb, above and below la.
    std::pair<double, double> heights(int la, int lb, const ImageView &view) const
    {
        const double z = m_levels[la] - (view.map.factor.z * m_levels[lb] + view.map.shift.z);
        return {z + m_heightStep, z - m_heightStep};
    }

    size_t sumIndex(int kind, int la, int lb) const
    {
        return ((static_cast<size_t>(kind) * m_levels.size() + la) * m_levels.size() + lb) *
               termCount;
    }

    // Far from the whole path: its derivatives go into the sums of its kind, contracted once.
    void addFarImage(const ImageView &view)
    {
        if (m_farAbove.empty()) {
            m_farAbove.assign(8 * m_levels.size() * m_levels.size() * termCount, 0.0);
            m_farBelow = m_farAbove;
        }
        const Node &root = m_nodes[0];
        double dx = 0;
        double dy = 0;
        const double d = distance(root, root, view, dx, dy);
        const int p = orderFor(2 * root.radius / d);
        m_farOrder[view.kind] = std::max(m_farOrder[view.kind], p);
        double t[termCount];
        for (unsigned ma = root.levels; ma != 0; ma &= ma - 1) {
            const int la = std::countr_zero(ma);
            for (unsigned mb = root.levels; mb != 0; mb &= mb - 1) {
                const int lb = std::countr_zero(mb);
                const auto [above, below] = heights(la, lb, view);
                const size_t at = sumIndex(view.kind, la, lb);
                multipole::derivatives(p, dx, dy, above, t);
                for (int j = 0; j < multipole::termsUpTo(p); ++j)
                    m_farAbove[at + j] += t[j];
                multipole::derivatives(p, dx, dy, below, t);
                for (int j = 0; j < multipole::termsUpTo(p); ++j)
                    m_farBelow[at + j] += t[j];
            }
        }
    }

    void contractFarImages()
    {
        if (m_farAbove.empty())
            return;
        const Node &root = m_nodes[0];
        for (int kind = 0; kind < 8; ++kind) {
            if (m_farOrder[kind] == 0)
                continue;
            const double sign = std::popcount(static_cast<unsigned>(kind)) % 2 ? -1.0 : 1.0;
            const MomentSigns signs = momentSigns(kind & 1, kind & 2, sign);
            for (unsigned mb = root.levels; mb != 0; mb &= mb - 1) {
                const int lb = std::countr_zero(mb);
                const Moments image = imageMoments(m_moments[block(root, lb)], signs);
                for (unsigned ma = root.levels; ma != 0; ma &= ma - 1) {
                    const int la = std::countr_zero(ma);
                    const size_t at = sumIndex(kind, la, lb);
                    Local &local = m_locals[block(root, la)];
                    multipole::addLocal(m_farOrder[kind], &m_farAbove[at], image, local.above);
                    multipole::addLocal(m_farOrder[kind], &m_farBelow[at], image, local.below);
                }
            }
        }
    }

    struct Visit
    {
        int a = 0;
        int b = 0;
        std::uint64_t images = 0;
    };

    // The clusters of the path against those of a batch of images that share their reflections
    // and shifts along x and y (so their moments' signs differ by the image's sign alone): at
    // each pair of clusters the derivatives of the images far enough apart are summed, each
    // with its sign, and turned into the local expansion once.
    void walk(const std::vector<ImageView> &batch, const std::atomic<bool> *stop)
    {
        const MomentSigns signs = momentSigns(batch[0].kind & 1, batch[0].kind & 2, 1.0);
        const size_t levels = m_levels.size();
        std::vector<double> above(levels * levels * termCount);
        std::vector<double> below(above.size());
        std::vector<Visit> stack{
            {0, 0,
             batch.size() >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << batch.size()) - 1}};
        double t[termCount];
        for (size_t visits = 1; !stack.empty(); ++visits) {
            if (visits % 1024 == 0 && stop && stop->load(std::memory_order_relaxed))
                return;
            const Visit visit = stack.back();
            stack.pop_back();
            const Node &a = m_nodes[visit.a];
            const Node &b = m_nodes[visit.b];
            std::uint64_t near = 0;
            int highest = 0;
            for (std::uint64_t m = visit.images; m != 0; m &= m - 1) {
                const int k = std::countr_zero(m);
                const ImageView &view = batch[k];
                double dx = 0;
                double dy = 0;
                const double d = distance(a, b, view, dx, dy);
                if (!(a.radius + b.radius < openingRatio * d)) {
                    near |= std::uint64_t{1} << k;
                    continue;
                }
                const int p = orderFor((a.radius + b.radius) / d);
                highest = std::max(highest, p);
                for (unsigned ma = a.levels; ma != 0; ma &= ma - 1) {
                    const int la = std::countr_zero(ma);
                    for (unsigned mb = b.levels; mb != 0; mb &= mb - 1) {
                        const int lb = std::countr_zero(mb);
                        const auto [up, down] = heights(la, lb, view);
                        const size_t at = (la * levels + lb) * termCount;
                        multipole::derivatives(p, dx, dy, up, t);
                        for (int j = 0; j < multipole::termsUpTo(p); ++j)
                            above[at + j] += view.sign * t[j];
                        multipole::derivatives(p, dx, dy, down, t);
                        for (int j = 0; j < multipole::termsUpTo(p); ++j)
                            below[at + j] += view.sign * t[j];
                    }
                }
            }
            if (highest > 0)
                addLocals(a, b, signs, highest, above, below);
            if (near == 0)
                continue;
            if (a.leaf() && b.leaf()) {
                for (std::uint64_t m = near; m != 0; m &= m - 1)
                    addDirect(a, b, batch[std::countr_zero(m)]);
            } else if (!a.leaf() && (b.leaf() || a.radius >= b.radius)) {
                stack.push_back({a.child, visit.b, near});
                stack.push_back({a.child + 1, visit.b, near});
            } else {
                stack.push_back({visit.a, b.child, near});
                stack.push_back({visit.a, b.child + 1, near});
            }
        }
    }

    void addLocals(const Node &a, const Node &b, const MomentSigns &signs, int p,
                   std::vector<double> &above, std::vector<double> &below)
    {
        const size_t levels = m_levels.size();
        for (unsigned mb = b.levels; mb != 0; mb &= mb - 1) {
            const int lb = std::countr_zero(mb);
            const Moments image = imageMoments(m_moments[block(b, lb)], signs);
            for (unsigned ma = a.levels; ma != 0; ma &= ma - 1) {
                const int la = std::countr_zero(ma);
                const size_t at = (la * levels + lb) * termCount;
                Local &local = m_locals[block(a, la)];
                multipole::addLocal(p, &above[at], image, local.above);
                multipole::addLocal(p, &below[at], image, local.below);
                std::fill(above.begin() + at, above.begin() + at + termCount, 0.0);
                std::fill(below.begin() + at, below.begin() + at + termCount, 0.0);
            }
        }
    }

    void addDirect(const Node &a, const Node &b, const ImageView &view)
    {
        const Vec3 &f = view.map.factor;
        for (int j = b.begin; j < b.end; ++j) {
            const Piece &source = m_pieces[m_order[j]];
            const Vec3 start = view.map(source.start);
            const Vec3 end = view.map(source.end);
            const Vec3 along{f.x * source.along.x, f.y * source.along.y, 0};
            const double current = view.sign * source.current;
            for (int i = a.begin; i < a.end; ++i) {
                const Piece &target = m_pieces[m_order[i]];
                const double cosine = dot(target.along, along);
                if (std::fabs(cosine) < 1e-12)
                    continue;
                const Vec3 sum =
                    farFieldSum(target.start, target.end, target.length, start, end, source.length);
                ImageFieldGradient &g = m_direct[m_order[i]];
                g.across -= current * cosine * dot(sum, target.across);
                g.up -= current * cosine * sum.z;
            }
        }
    }

    ConductingBox m_box;
    size_t m_count = 0;
    std::vector<Piece> m_pieces;
    std::vector<double> m_levels;
    double m_low = INFINITY;
    double m_high = -INFINITY;
    double m_nearestImage = 0;
    double m_heightStep = 0;
    std::vector<int> m_order;
    std::vector<int> m_leafOf;
    std::vector<Node> m_nodes;
    std::vector<Moments> m_moments;
    std::vector<Local> m_locals;
    std::vector<ImageFieldGradient> m_direct;
    // Derivatives of the images far from the whole path, per kind and pair of levels.
    std::vector<double> m_farAbove;
    std::vector<double> m_farBelow;
    std::array<int, 8> m_farOrder{};
    bool m_valid = false;
};
} // namespace

ImageField imageFieldGradients(const std::vector<CurrentPiece> &pieces, const ConductingBox &box,
                               int shells, const std::atomic<bool> *stop)
{
    ImageField result;
    result.failure = boxProblem(box, pieces);
    if (!result.failure.isEmpty())
        return result;
    ImageFieldSum sum(pieces, box);
    if (!sum.valid()) {
        result.failure = QStringLiteral("The path has too many metal levels for the box images.");
        return result;
    }
    for (int shell = 0; shell < shells; ++shell) {
        sum.addShell(shell, stop);
        if (stop && stop->load(std::memory_order_relaxed)) {
            result.failure = QStringLiteral("The computation was stopped.");
            return result;
        }
    }
    result.gradients = sum.gradients();
    return result;
}

} // namespace torvane
