#include "core/inductance/imagesum.h"
#include "core/inductance/clustertree.h"

#include "core/inductance/gausslegendre.h"
#include "core/inductance/multipole.h"
#include "core/inductance/pairterms.h"
#include "core/inductance/stripes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <thread>
#include <utility>

namespace torvane {

namespace {
using multipole::Moments;
using multipole::order;
using multipole::termCount;
using multipole::termIndex;

// Heights the moments are kept at: the levels of horizontal pieces and two Gauss points along
// vertical ones. The expansion is exact in z; a via counts as two point currents, which moves
// its image terms by about (length / distance)^4 / 100, and its half length is part of its
// cluster's radius, so that the distance is at least 1.7 lengths.
constexpr int maxLevels = 32;
constexpr int viaPoints = 2;

struct Level
{
    double z = 0;
    bool vertical = false;
};

// Sums over the pairs of the first pieces, [0], and of all pieces, [1]. The moments are kept
// per list: the second list (feeds and bridge) has few pieces, so most pairs of clusters hold
// first pieces only and need one contraction for both sums.
using ChannelSums = std::array<double, 2>;

void add(ChannelSums &to, const ChannelSums &from)
{
    to[0] += from[0];
    to[1] += from[1];
}

struct Node : ClusterNode
{
    std::uint64_t mask = 0; // moment blocks present: bit level * 2 + list (0 first, 1 second)
    int firstBlock = 0;     // the present blocks, in bit order
};

// The factors that turn a group's moments into those of its image: the image current's
// sign, the reversed direction component of each reflection, and (-1)^a (or ^b) for the
// mirrored offsets.
struct MomentSigns
{
    std::array<double, termCount> x{};
    std::array<double, termCount> y{};
    std::array<double, termCount> z{};
};

MomentSigns momentSigns(const BoxImage &image)
{
    MomentSigns signs;
    const bool mx = image.mirrored(0);
    const bool my = image.mirrored(1);
    const bool mz = image.mirrored(2);
    const double s = image.sign();
    for (int n = 0; n <= order; ++n) {
        for (int b = 0; b <= n; ++b) {
            const int a = n - b;
            const double offsets = ((mx && a % 2 != 0) != (my && b % 2 != 0)) ? -1.0 : 1.0;
            const int k = termIndex(a, b);
            signs.x[k] = s * offsets * (mx ? -1.0 : 1.0);
            signs.y[k] = s * offsets * (my ? -1.0 : 1.0);
            signs.z[k] = s * offsets * (mz ? -1.0 : 1.0);
        }
    }
    return signs;
}

// Vertical pieces keep their z moments in the x slot.
Moments imageMoments(const Moments &m, const MomentSigns &signs, bool vertical)
{
    Moments out;
    const auto &fx = vertical ? signs.z : signs.x;
    for (int k = 0; k < termCount; ++k) {
        out.x[k] = fx[k] * m.x[k];
        out.y[k] = signs.y[k] * m.y[k];
    }
    return out;
}

// The moment signs of the eight kinds of image: bit 0, 1, 2 for a reflection along x, y, z.
const MomentSigns &classSigns(int cls)
{
    static const std::array<MomentSigns, 8> signs = [] {
        std::array<MomentSigns, 8> all;
        for (int k = 0; k < 8; ++k)
            all[k] = momentSigns(BoxImage{{k & 1, (k >> 1) & 1, (k >> 2) & 1}});
        return all;
    }();
    return signs[cls];
}

int classOf(const BoxImage &image)
{
    return (image.mirrored(0) ? 1 : 0) + (image.mirrored(1) ? 2 : 0) + (image.mirrored(2) ? 4 : 0);
}

// One image as the tree sees it: where node centres and levels go (each axis maps by a
// reflection or none and a shift), the vertical gap between the path and its image, and the
// image pieces' frames and moment signs, made when first needed.
class ImageView
{
public:
    ImageView(const ConductingBox &box, const BoxImage &image, const std::vector<Level> &levels,
              double low, double high, const std::vector<CurrentPiece> &pieces)
        : m_box(box), m_image(image), m_map(imageMap(box, image)), m_levels(levels),
          m_pieces(pieces)
    {
        const double a = z(low);
        const double b = z(high);
        m_gap = std::max({0.0, std::min(a, b) - high, low - std::max(a, b)});
    }

    double x(double value) const { return m_map.factor.x * value + m_map.shift.x; }
    double y(double value) const { return m_map.factor.y * value + m_map.shift.y; }
    double z(double value) const { return m_map.factor.z * value + m_map.shift.z; }
    double levelZ(int level) const { return z(m_levels[level].z); }
    double verticalGap() const { return m_gap; }
    double sign() const { return m_image.sign(); }
    int imageClass() const { return classOf(m_image); }

    const PieceFrame &frame(int piece)
    {
        if (m_made.empty()) {
            m_frames.resize(m_pieces.size());
            m_made.assign(m_pieces.size(), 0);
        }
        if (!m_made[piece]) {
            m_frames[piece] = frameOf(imagePiece(m_box, m_image, m_pieces[piece]));
            m_made[piece] = 1;
        }
        return m_frames[piece];
    }

private:
    const ConductingBox &m_box;
    BoxImage m_image;
    ImageMap m_map;
    const std::vector<Level> &m_levels;
    const std::vector<CurrentPiece> &m_pieces;
    double m_gap = 0;
    std::vector<PieceFrame> m_frames;
    std::vector<char> m_made;
};

class ImageTree
{
public:
    ImageTree(const std::vector<CurrentPiece> &pieces, const std::vector<char> &first,
              const BoxImageSettings &settings)
        : m_pieces(pieces), m_first(first), m_settings(settings)
    {
        for (const CurrentPiece &piece : pieces) {
            m_frames.push_back(frameOf(piece));
            m_low = std::min({m_low, piece.start.z, piece.end.z});
            m_high = std::max({m_high, piece.start.z, piece.end.z});
        }
        m_levelOf.resize(pieces.size(), {-1, -1});
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (!assignLevel(static_cast<int>(i)))
                return;
        }
        m_order.resize(pieces.size());
        for (size_t i = 0; i < pieces.size(); ++i)
            m_order[i] = static_cast<int>(i);
        m_nodes.reserve(2 * pieces.size() / std::max(1, settings.leafSize) + 2);
        m_nodes.emplace_back();
        build(0, 0, static_cast<int>(pieces.size()));
        for (size_t k = m_nodes.size(); k-- > 0;)
            addMoments(static_cast<int>(k));
        m_valid = true;
    }

    bool valid() const { return m_valid; }
    const std::vector<Level> &levels() const { return m_levels; }
    double low() const { return m_low; }
    double high() const { return m_high; }

    // Far from the whole path: its expansion about the centre is enough.
    bool farAtRoot(const ImageView &view) const
    {
        const Node &root = m_nodes[0];
        return apart(root, root, view);
    }

    // Images far from the whole path: its expansion about the centre. Per kind of image (which
    // reflections), the offsets of the image's centre and heights; the derivatives of 1 / r are
    // summed over all of them per level pair, order by order on vector instructions, and
    // contracted once per shell.
    struct FarImages
    {
        struct Kind
        {
            std::vector<double> x, y, shift; // centre offsets; shift of the image's heights
            std::vector<int> order;
        };
        std::array<Kind, 8> kinds;
    };

    void addFarImage(const ImageView &view, FarImages &far) const
    {
        const Node &root = m_nodes[0];
        FarImages::Kind &kind = far.kinds[view.imageClass()];
        const double dx = root.cx - view.x(root.cx);
        const double dy = root.cy - view.y(root.cy);
        kind.x.push_back(dx);
        kind.y.push_back(dy);
        kind.shift.push_back(view.z(0));
        kind.order.push_back(orderFor(root, root, dx, dy, view.verticalGap()));
    }

    ChannelSums farSums(const FarImages &far) const
    {
        const Node &root = m_nodes[0];
        const unsigned levels = levelMask(root.mask);
        ChannelSums sums{};
        std::array<std::vector<double>, 3> point;
        for (int cls = 0; cls < 8; ++cls) {
            const FarImages::Kind &kind = far.kinds[cls];
            if (kind.x.empty())
                continue;
            const int highest = *std::max_element(kind.order.begin(), kind.order.end());
            const double flip = (cls & 4) ? -1.0 : 1.0; // reflected along z
            for (unsigned ma = levels; ma != 0; ma &= ma - 1) {
                const int la = std::countr_zero(ma);
                for (unsigned mb = levels; mb != 0; mb &= mb - 1) {
                    const int lb = std::countr_zero(mb);
                    if (m_levels[la].vertical != m_levels[lb].vertical)
                        continue;
                    const double base = m_levels[la].z - flip * m_levels[lb].z;
                    double t[termCount] = {};
                    for (int p = 2; p <= highest; ++p) {
                        for (auto &coordinate : point)
                            coordinate.clear();
                        for (size_t k = 0; k < kind.x.size(); ++k) {
                            if (kind.order[k] == p) {
                                point[0].push_back(kind.x[k]);
                                point[1].push_back(kind.y[k]);
                                point[2].push_back(base - kind.shift[k]);
                            }
                        }
                        multipole::addDerivatives(p, point[0].data(), point[1].data(),
                                                  point[2].data(), point[0].size(), t);
                    }
                    contractBlocks(root, la, root, lb, t, highest, classSigns(cls), sums);
                }
            }
        }
        return sums;
    }

    // One step of the walk of the path with images near it: a pair of clusters and the
    // images (bits into the batch's views) for which the pair is still to be resolved.
    struct Visit
    {
        int a = 0;
        int b = 0;
        std::uint64_t images = 0;
    };

    static Visit start(size_t imageCount)
    {
        return {0, 0, imageCount >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << imageCount) - 1};
    }

    // Scratch for one thread: derivatives summed per kind of image and level pair.
    std::vector<double> scratch() const
    {
        return std::vector<double>(8 * m_levels.size() * m_levels.size() * termCount, 0.0);
    }

    // Clusters far apart by their expansion, the rest piece by piece. Images that share the
    // walk (best those that differ only along z) share its contractions: at each pair of
    // clusters the derivatives of the images far enough apart are summed per kind of image and
    // contracted once. The visits below this one go to `next`.
    void step(const Visit &visit, std::vector<ImageView> &views, PairCache &cache,
              std::vector<double> &derivatives, ChannelSums &sums, std::vector<Visit> &next) const
    {
        const Node &a = m_nodes[visit.a];
        const Node &b = m_nodes[visit.b];
        std::uint64_t near = 0;
        unsigned classes = 0;
        std::array<int, 8> orders{};
        for (std::uint64_t m = visit.images; m != 0; m &= m - 1) {
            const int k = std::countr_zero(m);
            const ImageView &view = views[k];
            if (!apart(a, b, view)) {
                near |= std::uint64_t{1} << k;
                continue;
            }
            const int cls = lateralClass(view.imageClass());
            classes |= 1u << cls;
            orders[cls] = std::max(orders[cls], addDerivatives(a, b, view, derivatives));
        }
        for (unsigned m = classes; m != 0; m &= m - 1) {
            const int cls = std::countr_zero(m);
            contractSummed(a, b, cls, orders[cls], derivatives, sums);
        }
        if (near == 0)
            return;
        if (a.leaf() && b.leaf()) {
            for (std::uint64_t m = near; m != 0; m &= m - 1)
                addNear(a, b, views[std::countr_zero(m)], cache, sums);
        } else if (!a.leaf() && (b.leaf() || a.radius >= b.radius)) {
            next.push_back({a.child, visit.b, near});
            next.push_back({a.child + 1, visit.b, near});
        } else {
            next.push_back({visit.a, b.child, near});
            next.push_back({visit.a, b.child + 1, near});
        }
    }

    // The whole walk below a visit.
    ChannelSums walk(const Visit &from, std::vector<ImageView> &views, PairCache &cache,
                     std::vector<double> &derivatives) const
    {
        ChannelSums sums{};
        std::vector<Visit> stack{from};
        while (!stack.empty()) {
            const Visit visit = stack.back();
            stack.pop_back();
            step(visit, views, cache, derivatives, sums, stack);
        }
        return sums;
    }

    // The top of the walk, level by level, until at least `count` visits remain (or none):
    // those can then go to several threads.
    std::vector<Visit> top(std::vector<ImageView> &views, PairCache &cache,
                           std::vector<double> &derivatives, ChannelSums &sums, size_t count) const
    {
        std::vector<Visit> visits{start(views.size())};
        while (!visits.empty() && visits.size() < count) {
            std::vector<Visit> next;
            for (const Visit &visit : visits)
                step(visit, views, cache, derivatives, sums, next);
            visits = std::move(next);
        }
        return visits;
    }

private:
    static unsigned levelMask(std::uint64_t mask)
    {
        unsigned levels = 0;
        for (std::uint64_t m = mask; m != 0; m &= m - 1)
            levels |= 1u << (std::countr_zero(m) / 2);
        return levels;
    }

    int levelFor(double z, bool vertical)
    {
        for (size_t k = 0; k < m_levels.size(); ++k) {
            if (m_levels[k].z == z && m_levels[k].vertical == vertical)
                return static_cast<int>(k);
        }
        if (m_levels.size() == maxLevels)
            return -1;
        m_levels.push_back({z, vertical});
        return static_cast<int>(m_levels.size()) - 1;
    }

    bool assignLevel(int piece)
    {
        const PieceFrame &f = m_frames[piece];
        if (!f.vertical) {
            m_levelOf[piece][0] = levelFor(f.mid.z, false);
            return m_levelOf[piece][0] >= 0;
        }
        const GaussRule &rule = gaussLegendre(viaPoints);
        for (int k = 0; k < viaPoints; ++k) {
            m_levelOf[piece][k] =
                levelFor(f.mid.z + 0.5 * (f.end.z - f.start.z) * rule.nodes[k], true);
            if (m_levelOf[piece][k] < 0)
                return false;
        }
        return true;
    }

    // The moment blocks of a piece: its level or levels and its list.
    std::uint64_t blocksOf(int piece) const
    {
        std::uint64_t mask = 0;
        for (const int level : m_levelOf[piece]) {
            if (level >= 0)
                mask |= std::uint64_t{1} << (level * 2 + (m_first[piece] ? 0 : 1));
        }
        return mask;
    }

    void build(int index, int begin, int end)
    {
        const PlaneBox bounds = boxOfEnds(m_order, begin, end, [&](int piece) {
            return std::pair(m_frames[piece].start, m_frames[piece].end);
        });
        Node node = centredNode<Node>(bounds, begin, end);
        for (int k = begin; k < end; ++k) {
            const PieceFrame &f = m_frames[m_order[k]];
            const double sx = f.start.x - node.cx;
            const double sy = f.start.y - node.cy;
            const double ex = f.end.x - node.cx;
            const double ey = f.end.y - node.cy;
            const double across =
                f.vertical ? f.width / std::sqrt(2.0) + 0.5 * f.length : 0.5 * f.width;
            const double reach = std::sqrt(std::max(sx * sx + sy * sy, ex * ex + ey * ey)) + across;
            node.radius = std::max(node.radius, reach);
        }
        if (end - begin > m_settings.leafSize) {
            const bool alongX = bounds.widerAlongX();
            const int middle = splitAtMiddle(m_order, begin, end, alongX, [&](int piece, bool x) {
                return x ? m_frames[piece].mid.x : m_frames[piece].mid.y;
            });
            const int child = storeWithChildren(m_nodes, index, node);
            build(child, begin, middle);
            build(child + 1, middle, end);
        } else {
            m_nodes[index] = node;
        }
    }

    static int blockIndex(const Node &node, int key)
    {
        return node.firstBlock + std::popcount(node.mask & ((std::uint64_t{1} << key) - 1));
    }

    bool hasBlock(const Node &node, int key) const { return (node.mask >> key) & 1; }

    const Moments &block(const Node &node, int level, int list) const
    {
        return m_blocks[blockIndex(node, level * 2 + list)];
    }

    void addMoments(int index)
    {
        Node &node = m_nodes[index];
        if (node.leaf()) {
            for (int k = node.begin; k < node.end; ++k) {
                const int piece = m_order[k];
                node.mask |= blocksOf(piece);
            }
        } else {
            node.mask = m_nodes[node.child].mask | m_nodes[node.child + 1].mask;
        }
        node.firstBlock = static_cast<int>(m_blocks.size());
        m_blocks.resize(m_blocks.size() + std::popcount(node.mask));
        if (node.leaf()) {
            for (int k = node.begin; k < node.end; ++k)
                addPieceMoments(m_order[k], node);
            return;
        }
        for (int c = 0; c < 2; ++c) {
            const Node &child = m_nodes[node.child + c];
            for (std::uint64_t mask = child.mask; mask != 0; mask &= mask - 1) {
                const int key = std::countr_zero(mask);
                multipole::addShifted(m_blocks[blockIndex(child, key)], child.cx - node.cx,
                                      child.cy - node.cy, m_blocks[blockIndex(node, key)]);
            }
        }
    }

    // Gauss points along and across a tape, as in the free-space clusters; a via as a point,
    // its z component in the x slot.
    void addPieceMoments(int piece, const Node &node)
    {
        const PieceFrame &f = m_frames[piece];
        const double c = m_pieces[piece].current;
        Moments m;
        if (f.vertical) {
            const auto px = multipole::scaledPowers(f.mid.x - node.cx);
            const auto py = multipole::scaledPowers(f.mid.y - node.cy);
            const GaussRule &rule = gaussLegendre(viaPoints);
            for (int k = 0; k < viaPoints; ++k) {
                Moments point;
                const double weight = c * f.along.z * 0.5 * f.length * rule.weights[k];
                for (int n = 0; n <= order; ++n) {
                    for (int b = 0; b <= n; ++b)
                        point.x[termIndex(n - b, b)] = weight * px[n - b] * py[b];
                }
                addToBlock(piece, m_levelOf[piece][k], node, point);
            }
            return;
        }
        constexpr int alongCount = order / 2 + 1;
        constexpr int acrossCount = 2;
        const GaussRule &along = gaussLegendre(alongCount);
        const GaussRule &across = gaussLegendre(acrossCount);
        std::array<double, termCount> s{};
        for (int i = 0; i < alongCount; ++i) {
            for (int j = 0; j < acrossCount; ++j) {
                const double u = 0.5 * f.length * along.nodes[i];
                const double v = 0.5 * f.width * across.nodes[j];
                const double weight = 0.25 * f.length * along.weights[i] * across.weights[j];
                const auto px =
                    multipole::scaledPowers(f.mid.x + u * f.along.x + v * f.across.x - node.cx);
                const auto py =
                    multipole::scaledPowers(f.mid.y + u * f.along.y + v * f.across.y - node.cy);
                for (int n = 0; n <= order; ++n) {
                    for (int b = 0; b <= n; ++b)
                        s[termIndex(n - b, b)] += weight * px[n - b] * py[b];
                }
            }
        }
        for (int k = 0; k < termCount; ++k) {
            m.x[k] = c * f.along.x * s[k];
            m.y[k] = c * f.along.y * s[k];
        }
        addToBlock(piece, m_levelOf[piece][0], node, m);
    }

    void addToBlock(int piece, int level, const Node &node, const Moments &m)
    {
        Moments &to = m_blocks[blockIndex(node, level * 2 + (m_first[piece] ? 0 : 1))];
        for (int k = 0; k < termCount; ++k) {
            to.x[k] += m.x[k];
            to.y[k] += m.y[k];
        }
    }

    bool apart(const Node &a, const Node &b, const ImageView &view) const
    {
        const double dx = a.cx - view.x(b.cx);
        const double dy = a.cy - view.y(b.cy);
        const double gap = view.verticalGap();
        const double reach = (a.radius + b.radius) / m_settings.openingRatio;
        return dx * dx + dy * dy + gap * gap > reach * reach;
    }

    // The lowest order whose bound ((rho_a + rho_b) / R)^(p + 1) is within a quarter of the one
    // at the opening ratio and the full order, as for the free-space clusters.
    int orderFor(const Node &a, const Node &b, double dx, double dy, double gap) const
    {
        const double ratio = (a.radius + b.radius) / std::sqrt(dx * dx + dy * dy + gap * gap);
        double power = ratio * ratio * ratio;
        int p = 2;
        while (p < order && power > m_settings.orderBound) {
            power *= ratio;
            ++p;
        }
        return p;
    }

    // Level la of a with the image of level lb of b, for both sums.
    void contractBlocks(const Node &a, int la, const Node &b, int lb, const double *t, int p,
                        const MomentSigns &signs, ChannelSums &sums) const
    {
        const bool vertical = m_levels[lb].vertical;
        for (int listB = 0; listB < 2; ++listB) {
            if (!hasBlock(b, lb * 2 + listB))
                continue;
            const Moments image = imageMoments(block(b, lb, listB), signs, vertical);
            for (int listA = 0; listA < 2; ++listA) {
                if (!hasBlock(a, la * 2 + listA))
                    continue;
                const double e = multipole::contract(p, t, block(a, la, listA), image);
                if (listA == 0 && listB == 0)
                    sums[0] += e;
                sums[1] += e;
            }
        }
    }

    // The derivatives of 1 / r between a and the image of b, added to those of the image's
    // kind per level pair; the order used.
    // A reflection along z changes only the sign of an image's moments: horizontal currents
    // reverse, vertical ones keep theirs. So images that differ in it alone share one sum of
    // derivatives, the reflected ones entering with that sign, and one contraction.
    static int lateralClass(int cls) { return cls & 3; }

    int addDerivatives(const Node &a, const Node &b, const ImageView &view,
                       std::vector<double> &derivatives) const
    {
        const double dx = a.cx - view.x(b.cx);
        const double dy = a.cy - view.y(b.cy);
        const int p = orderFor(a, b, dx, dy, view.verticalGap());
        const size_t levelCount = m_levels.size();
        const int cls = lateralClass(view.imageClass());
        const bool reflected = view.imageClass() != cls;
        double t[termCount];
        const unsigned levelsB = levelMask(b.mask);
        for (unsigned ma = levelMask(a.mask); ma != 0; ma &= ma - 1) {
            const int la = std::countr_zero(ma);
            for (unsigned mb = levelsB; mb != 0; mb &= mb - 1) {
                const int lb = std::countr_zero(mb);
                if (m_levels[la].vertical != m_levels[lb].vertical)
                    continue;
                multipole::derivatives(p, dx, dy, m_levels[la].z - view.levelZ(lb), t);
                const double sign = reflected && !m_levels[lb].vertical ? -1.0 : 1.0;
                double *sum = &derivatives[((cls * levelCount + la) * levelCount + lb) * termCount];
                for (int j = 0; j < multipole::termsUpTo(p); ++j)
                    sum[j] += sign * t[j];
            }
        }
        return p;
    }

    // Contracts the summed derivatives of one kind of image and clears them.
    void contractSummed(const Node &a, const Node &b, int cls, int p,
                        std::vector<double> &derivatives, ChannelSums &sums) const
    {
        const size_t levelCount = m_levels.size();
        const MomentSigns &signs = classSigns(cls);
        const unsigned levelsB = levelMask(b.mask);
        for (unsigned ma = levelMask(a.mask); ma != 0; ma &= ma - 1) {
            const int la = std::countr_zero(ma);
            for (unsigned mb = levelsB; mb != 0; mb &= mb - 1) {
                const int lb = std::countr_zero(mb);
                if (m_levels[la].vertical != m_levels[lb].vertical)
                    continue;
                double *t = &derivatives[((cls * levelCount + la) * levelCount + lb) * termCount];
                contractBlocks(a, la, b, lb, t, p, signs, sums);
                std::fill(t, t + termCount, 0.0);
            }
        }
    }

    void addNear(const Node &a, const Node &b, ImageView &view, PairCache &cache,
                 ChannelSums &sums) const
    {
        for (int i = a.begin; i < a.end; ++i) {
            const int p = m_order[i];
            const PieceFrame &fp = m_frames[p];
            for (int j = b.begin; j < b.end; ++j) {
                const int q = m_order[j];
                if (fp.vertical != m_frames[q].vertical)
                    continue;
                const double term = m_pieces[p].current * m_pieces[q].current * view.sign() *
                                    pairTerm(fp, view.frame(q), &cache);
                if (m_first[p] && m_first[q])
                    sums[0] += term;
                sums[1] += term;
            }
        }
    }

    const std::vector<CurrentPiece> &m_pieces;
    const std::vector<char> &m_first; // piece of the first list
    BoxImageSettings m_settings;
    std::vector<PieceFrame> m_frames;
    std::vector<Level> m_levels;
    std::vector<std::array<int, viaPoints>> m_levelOf; // the second for vias only
    std::vector<int> m_order;
    std::vector<Node> m_nodes;
    std::vector<Moments> m_blocks;
    double m_low = INFINITY;
    double m_high = -INFINITY;
    bool m_valid = false;
};
} // namespace

namespace {
constexpr size_t stripeCount = 8;
// Below this many pieces times near images a thread costs more than it saves.
constexpr size_t threadedWork = 4096;
// Visits of each batch's walk handed to the threads: enough to share out the heavy ones.
constexpr size_t topVisits = 64;

// Near images in batches that share a walk: those with the same reflections and shifts
// along x and y, at most 64 each.
std::vector<std::vector<BoxImage>> batches(std::vector<BoxImage> images)
{
    std::stable_sort(images.begin(), images.end(), [](const BoxImage &p, const BoxImage &q) {
        return std::pair(p.index[0], p.index[1]) < std::pair(q.index[0], q.index[1]);
    });
    std::vector<std::vector<BoxImage>> result;
    for (size_t k = 0; k < images.size(); ++k) {
        const bool sameColumn = k > 0 && images[k].index[0] == images[k - 1].index[0] &&
                                images[k].index[1] == images[k - 1].index[1];
        if (!sameColumn || result.back().size() == 64)
            result.emplace_back();
        result.back().push_back(images[k]);
    }
    return result;
}

// The top of each batch's walk on this thread, the rest of it spread over threads in
// interleaved stripes and summed in the order of the visits: the same result whatever the
// number of threads. Each thread keeps its own cache of pair terms and its own views (their
// image frames are made when first needed).
ChannelSums nearImageSums(const ImageTree &tree, const std::vector<BoxImage> &images,
                          const ConductingBox &box, const std::vector<CurrentPiece> &pieces,
                          double grid, const BoxImageSettings &settings)
{
    const std::vector<std::vector<BoxImage>> work = batches(images);
    const auto viewsOf = [&](size_t batch) {
        std::vector<ImageView> views;
        for (const BoxImage &image : work[batch])
            views.emplace_back(box, image, tree.levels(), tree.low(), tree.high(), pieces);
        return views;
    };
    ChannelSums total{};
    std::vector<std::pair<size_t, ImageTree::Visit>> visits;
    {
        PairCache cache(grid);
        std::vector<double> derivatives = tree.scratch();
        for (size_t batch = 0; batch < work.size(); ++batch) {
            std::vector<ImageView> views = viewsOf(batch);
            for (const ImageTree::Visit &visit :
                 tree.top(views, cache, derivatives, total, topVisits))
                visits.emplace_back(batch, visit);
        }
    }
    std::vector<ChannelSums> sums(visits.size());
    const auto runStripes = [&](size_t first, size_t step) {
        PairCache cache(grid);
        std::vector<double> derivatives = tree.scratch();
        std::vector<std::optional<std::vector<ImageView>>> views(work.size());
        for (size_t stripe = first; stripe < stripeCount; stripe += step) {
            for (size_t k = stripe; k < visits.size() && !settings.stopRequested();
                 k += stripeCount) {
                const size_t batch = visits[k].first;
                if (!views[batch])
                    views[batch] = viewsOf(batch);
                sums[k] = tree.walk(visits[k].second, *views[batch], cache, derivatives);
            }
        }
    };
    const int wanted = settings.threads;
    const size_t cores =
        wanted > 0 ? static_cast<size_t>(wanted) : std::thread::hardware_concurrency();
    const size_t threads = images.size() * pieces.size() < threadedWork || visits.size() < 2
                               ? 1
                               : std::clamp<size_t>(cores, 1, stripeCount);
    runInStripes(threads, runStripes);
    for (const ChannelSums &part : sums)
        add(total, part);
    return total;
}

// Horizontal pieces longer than `factor` times the distance to their nearest image across the
// cover or ground cut into equal parts (a piece's term is the sum of its parts' terms): pairs of
// pieces and images then take Gauss points instead of closed forms, and clusters stay small.
void splitLongPieces(std::vector<CurrentPiece> &pieces, std::vector<char> &first,
                     const ConductingBox &box, double factor)
{
    double low = INFINITY, high = -INFINITY;
    for (const CurrentPiece &piece : pieces) {
        low = std::min({low, piece.start.z, piece.end.z});
        high = std::max({high, piece.start.z, piece.end.z});
    }
    double gap = INFINITY;
    if (box.cover)
        gap = std::min(gap, 2 * (*box.cover - high));
    if (box.ground)
        gap = std::min(gap, 2 * (low - *box.ground));
    const double longest = factor * gap;
    if (!(longest > 0) || !std::isfinite(longest))
        return;
    std::vector<CurrentPiece> split;
    std::vector<char> splitFirst;
    for (size_t k = 0; k < pieces.size(); ++k) {
        const CurrentPiece &piece = pieces[k];
        const Vec3 span = piece.end - piece.start;
        // Vias stay whole: each of their parts would bring levels of its own.
        const double parts = span.z != 0 ? 1.0 : std::min(1000.0, std::ceil(norm(span) / longest));
        const int count = std::max(1, static_cast<int>(parts));
        for (int i = 0; i < count; ++i) {
            split.push_back({piece.start + (static_cast<double>(i) / count) * span,
                             i + 1 == count
                                 ? piece.end
                                 : piece.start + (static_cast<double>(i + 1) / count) * span,
                             piece.width, piece.current});
            splitFirst.push_back(first[k]);
        }
    }
    pieces = std::move(split);
    first = std::move(splitFirst);
}

double largest(const ChannelSums &sums)
{
    return std::max(std::fabs(sums[0]), std::fabs(sums[1]));
}
} // namespace

BoxImageSums boxImageSums(const std::vector<CurrentPiece> &first,
                          const std::vector<CurrentPiece> &second, const ConductingBox &box,
                          double scale, const BoxImageSettings &settings)
{
    BoxImageSums result;
    std::vector<CurrentPiece> pieces;
    std::vector<char> inFirst;
    for (int list = 0; list < 2; ++list) {
        for (const CurrentPiece &piece : list == 0 ? first : second) {
            if (piece.current != 0 && norm(piece.end - piece.start) > 0) {
                pieces.push_back(piece);
                inFirst.push_back(list == 0);
            }
        }
    }
    result.failure = boxProblem(box, pieces);
    if (!result.failure.isEmpty())
        return result;
    if (pieces.empty()) {
        result.converged = true;
        return result;
    }
    splitLongPieces(pieces, inFirst, box, settings.longestPiece);
    const ImageTree tree(pieces, inFirst, settings);
    if (!tree.valid()) {
        result.failure = QStringLiteral("The path has too many metal levels for the box images.");
        return result;
    }
    const double grid =
        1e-10 * std::max({box.xWidth, box.yWidth, std::fabs(tree.low()), std::fabs(tree.high())});
    ChannelSums total{};
    bool smallBefore = false;
    for (int shell = 0; shell <= settings.maxShells; ++shell) {
        const std::vector<BoxImage> images = boxImageShell(box, shell);
        ImageTree::FarImages far;
        std::vector<BoxImage> near;
        for (const BoxImage &image : images) {
            const ImageView view(box, image, tree.levels(), tree.low(), tree.high(), pieces);
            if (tree.farAtRoot(view))
                tree.addFarImage(view, far);
            else
                near.push_back(image);
        }
        ChannelSums sums = tree.farSums(far);
        add(sums, nearImageSums(tree, near, box, pieces, grid, settings));
        if (settings.stopRequested()) {
            result.failure = QStringLiteral("The computation was stopped.");
            return result;
        }
        add(total, sums);
        result.shells = shell + 1;
        result.images += static_cast<long long>(images.size());
        const double size = std::isfinite(scale) ? std::fabs(scale) : 0.0;
        const bool small = largest(sums) <= settings.tolerance * std::max(size, largest(total));
        if (shell > 0 && small && smallBefore) {
            result.converged = true;
            break;
        }
        smallBefore = small;
        if (result.images >= settings.maxImages)
            break;
    }
    result.first = total[0];
    result.all = total[1];
    return result;
}

} // namespace torvane
