#include "core/inductance/clustersum.h"
#include "core/inductance/clustertree.h"

#include "core/inductance/gausslegendre.h"
#include "core/inductance/multipole.h"
#include "core/inductance/stripes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <thread>
#include <utility>

namespace torvane {

namespace {
using namespace multipole;

// Levels (distinct heights of horizontal pieces) a cluster can hold moments for.
constexpr int maxLevels = 16;

struct Node : ClusterNode
{
    unsigned mask = 0;  // moment blocks present: bit level * 2 + set
    int firstBlock = 0; // the present blocks, in bit order
};

struct Work
{
    int a = 0;
    int b = 0;
    bool far = false;
};

class ClusterTree
{
public:
    ClusterTree(const std::vector<PieceFrame> &frames, const std::vector<double> &currents,
                size_t firstCount, std::vector<int> pieces, const std::vector<int> &levelOf,
                const ClusterSettings &settings)
        : m_frames(frames), m_currents(currents), m_firstCount(firstCount),
          m_pieces(std::move(pieces)), m_levelOf(levelOf), m_settings(settings)
    {
        m_nodes.reserve(2 * m_pieces.size() / std::max(1, settings.leafSize) + 2);
        m_nodes.emplace_back();
        build(0, 0, static_cast<int>(m_pieces.size()));
        for (size_t k = m_nodes.size(); k-- > 0;)
            addMoments(static_cast<int>(k));
    }

    std::vector<Work> work() const
    {
        std::vector<Work> list;
        std::vector<std::pair<int, int>> stack{{0, 0}};
        while (!stack.empty()) {
            const auto [a, b] = stack.back();
            stack.pop_back();
            const Node &na = m_nodes[a];
            const Node &nb = m_nodes[b];
            if (a == b) {
                if (na.leaf()) {
                    list.push_back({a, a, false});
                } else {
                    stack.push_back({na.child, na.child});
                    stack.push_back({na.child + 1, na.child + 1});
                    stack.push_back({na.child, na.child + 1});
                }
                continue;
            }
            const double dx = na.cx - nb.cx;
            const double dy = na.cy - nb.cy;
            const double reach = (na.radius + nb.radius) / m_settings.openingRatio;
            if (dx * dx + dy * dy > reach * reach) {
                list.push_back({a, b, true});
            } else if (na.leaf() && nb.leaf()) {
                list.push_back({a, b, false});
            } else if (!na.leaf() && (nb.leaf() || na.radius >= nb.radius)) {
                stack.push_back({na.child, b});
                stack.push_back({na.child + 1, b});
            } else {
                stack.push_back({a, nb.child});
                stack.push_back({a, nb.child + 1});
            }
        }
        return list;
    }

    void add(const Work &item, const std::vector<double> &levelZ, PairSums &sums,
             PairCache &cache) const
    {
        if (item.far)
            addFar(m_nodes[item.a], m_nodes[item.b], levelZ, sums);
        else
            addNear(m_nodes[item.a], m_nodes[item.b], item.a == item.b, sums, cache);
    }

private:
    int setOf(int piece) const { return static_cast<size_t>(piece) < m_firstCount ? 0 : 1; }

    void build(int index, int begin, int end)
    {
        PlaneBox mids;
        for (int k = begin; k < end; ++k)
            mids.add(m_frames[m_pieces[k]].mid);
        Node node = centredNode<Node>(boxOfEnds(m_pieces, begin, end,
                                                [&](int piece) {
                                                    return std::pair(m_frames[piece].start,
                                                                     m_frames[piece].end);
                                                }),
                                      begin, end);
        for (int k = begin; k < end; ++k) {
            const PieceFrame &f = m_frames[m_pieces[k]];
            const double sx = f.start.x - node.cx;
            const double sy = f.start.y - node.cy;
            const double ex = f.end.x - node.cx;
            const double ey = f.end.y - node.cy;
            const double reach =
                std::sqrt(std::max(sx * sx + sy * sy, ex * ex + ey * ey)) + 0.5 * f.width;
            node.radius = std::max(node.radius, reach);
        }
        if (end - begin > m_settings.leafSize) {
            const bool alongX = mids.widerAlongX();
            const int middle = splitAtMiddle(m_pieces, begin, end, alongX, [&](int piece, bool x) {
                return x ? m_frames[piece].mid.x : m_frames[piece].mid.y;
            });
            const int child = storeWithChildren(m_nodes, index, node);
            build(child, begin, middle);
            build(child + 1, middle, end);
        } else {
            m_nodes[index] = node;
        }
    }

    int blockOf(const Node &node, int key) const
    {
        return node.firstBlock + std::popcount(node.mask & ((1u << key) - 1));
    }

    void addMoments(int index)
    {
        Node &node = m_nodes[index];
        if (node.leaf()) {
            for (int k = node.begin; k < node.end; ++k)
                node.mask |= 1u << keyOf(m_pieces[k]);
        } else {
            node.mask = m_nodes[node.child].mask | m_nodes[node.child + 1].mask;
        }
        node.firstBlock = static_cast<int>(m_blocks.size());
        m_blocks.resize(m_blocks.size() + std::popcount(node.mask));
        if (node.leaf()) {
            for (int k = node.begin; k < node.end; ++k)
                addPieceMoments(m_pieces[k], node.cx, node.cy,
                                m_blocks[blockOf(node, keyOf(m_pieces[k]))]);
            return;
        }
        for (int c = 0; c < 2; ++c) {
            const Node &child = m_nodes[node.child + c];
            for (unsigned mask = child.mask; mask != 0; mask &= mask - 1) {
                const int key = std::countr_zero(mask);
                addShifted(m_blocks[blockOf(child, key)], child.cx - node.cx, child.cy - node.cy,
                           m_blocks[blockOf(node, key)]);
            }
        }
    }

    int keyOf(int piece) const { return m_levelOf[piece] * 2 + setOf(piece); }

    // Gauss points integrate the monomials up to the expansion's order exactly along the
    // piece, and to the third order across it: the rest of the width enters as (w / R)^4 with
    // a factor of 1/80 - 1/144.
    void addPieceMoments(int piece, double cx, double cy, Moments &moments) const
    {
        constexpr int alongCount = order / 2 + 1;
        constexpr int acrossCount = 2;
        const GaussRule &along = gaussLegendre(alongCount);
        const GaussRule &across = gaussLegendre(acrossCount);
        const PieceFrame &f = m_frames[piece];
        std::array<double, termCount> s{};
        for (int i = 0; i < alongCount; ++i) {
            for (int j = 0; j < acrossCount; ++j) {
                const double u = 0.5 * f.length * along.nodes[i];
                const double v = 0.5 * f.width * across.nodes[j];
                const double weight = 0.25 * f.length * along.weights[i] * across.weights[j];
                const auto px = scaledPowers(f.mid.x + u * f.along.x + v * f.across.x - cx);
                const auto py = scaledPowers(f.mid.y + u * f.along.y + v * f.across.y - cy);
                for (int n = 0; n <= order; ++n) {
                    for (int b = 0; b <= n; ++b)
                        s[termIndex(n - b, b)] += weight * px[n - b] * py[b];
                }
            }
        }
        const double c = m_currents[piece];
        for (int k = 0; k < termCount; ++k) {
            moments.x[k] += c * f.along.x * s[k];
            moments.y[k] += c * f.along.y * s[k];
        }
    }

    // The lowest order whose bound ((rho_a + rho_b) / R)^(p + 1) is within a quarter of the one
    // at the opening ratio and the full order: pairs well apart need fewer terms. (The whole
    // bound moved the largest spirals' sums by up to 1e-5, the quarter by less than 1e-6.)
    int orderFor(const Node &a, const Node &b) const
    {
        const double ratio = (a.radius + b.radius) / std::hypot(a.cx - b.cx, a.cy - b.cy);
        const double bound = 0.25 * std::pow(m_settings.openingRatio, order + 1);
        double power = ratio * ratio * ratio;
        int p = 2;
        while (p < order && power > bound) {
            power *= ratio;
            ++p;
        }
        return p;
    }

    void addFar(const Node &a, const Node &b, const std::vector<double> &levelZ,
                PairSums &sums) const
    {
        const int p = orderFor(a, b);
        for (unsigned ma = a.mask; ma != 0; ma &= ma - 1) {
            const int ka = std::countr_zero(ma);
            for (unsigned mb = b.mask; mb != 0; mb &= mb - 1) {
                const int kb = std::countr_zero(mb);
                const double e =
                    energy(p, a.cx - b.cx, a.cy - b.cy, levelZ[ka / 2] - levelZ[kb / 2],
                           m_blocks[blockOf(a, ka)], m_blocks[blockOf(b, kb)]);
                if (ka % 2 == 0 && kb % 2 == 0)
                    sums.first += e;
                sums.all += e;
            }
        }
    }

    void addNear(const Node &a, const Node &b, bool same, PairSums &sums, PairCache &cache) const
    {
        for (int i = a.begin; i < a.end; ++i) {
            const int p = m_pieces[i];
            for (int j = same ? i + 1 : b.begin; j < b.end; ++j) {
                const int q = m_pieces[j];
                const double e =
                    m_currents[p] * m_currents[q] * pairTerm(m_frames[p], m_frames[q], &cache);
                if (setOf(p) == 0 && setOf(q) == 0)
                    sums.first += e;
                sums.all += e;
            }
        }
    }

    const std::vector<PieceFrame> &m_frames;
    const std::vector<double> &m_currents;
    size_t m_firstCount;
    std::vector<int> m_pieces;
    const std::vector<int> &m_levelOf;
    ClusterSettings m_settings;
    std::vector<Node> m_nodes;
    std::vector<Moments> m_blocks;
};

// Items of work in interleaved stripes, summed in stripe order: the same result whatever the
// number of threads. Each thread keeps its own cache of pair terms.
constexpr size_t stripeCount = 8;
constexpr size_t threadedItems = 512;

template <class Item>
PairSums stripedSums(size_t count, double grid, const ClusterSettings &settings, const Item &item)
{
    std::array<PairSums, stripeCount> stripes{};
    const auto runStripes = [&](size_t first, size_t step) {
        PairCache cache(grid);
        for (size_t stripe = first; stripe < stripeCount; stripe += step) {
            PairSums sums;
            for (size_t k = stripe; k < count && !settings.stop.stop_requested(); k += stripeCount)
                item(k, sums, cache);
            stripes[stripe] = sums;
        }
    };
    const int wanted = settings.threads;
    const size_t cores =
        wanted > 0 ? static_cast<size_t>(wanted) : std::thread::hardware_concurrency();
    const size_t threads = count < threadedItems ? 1 : std::clamp<size_t>(cores, 1, stripeCount);
    runInStripes(threads, runStripes);
    PairSums total;
    for (const PairSums &stripe : stripes) {
        total.first += stripe.first;
        total.all += stripe.all;
    }
    return total;
}

bool horizontal(const PieceFrame &f)
{
    return f.along.z == 0 && f.start.z == f.end.z;
}
} // namespace

PairSums clusteredPairSums(const std::vector<PieceFrame> &frames,
                           const std::vector<double> &currents, size_t firstCount,
                           const ClusterSettings &settings)
{
    std::vector<double> levelZ;
    std::vector<int> levelOf(frames.size(), -1);
    std::vector<int> flat;
    std::vector<int> others;
    for (size_t i = 0; i < frames.size(); ++i) {
        const PieceFrame &f = frames[i];
        if (!(f.length > 0) || currents[i] == 0)
            continue;
        if (!horizontal(f)) {
            others.push_back(static_cast<int>(i));
            continue;
        }
        auto level = std::find(levelZ.begin(), levelZ.end(), f.mid.z);
        if (level == levelZ.end()) {
            if (levelZ.size() == maxLevels) {
                others.push_back(static_cast<int>(i));
                continue;
            }
            level = levelZ.insert(levelZ.end(), f.mid.z);
        }
        levelOf[i] = static_cast<int>(level - levelZ.begin());
        flat.push_back(static_cast<int>(i));
    }

    // Shapes of close pairs are told apart to 1e-10 of the layout's size.
    double extent = 0;
    for (const PieceFrame &f : frames) {
        extent = std::max({extent, std::fabs(f.start.x), std::fabs(f.start.y), std::fabs(f.start.z),
                           std::fabs(f.end.x), std::fabs(f.end.y), std::fabs(f.end.z)});
    }
    const double grid = 1e-10 * std::max(extent, 1e-300);

    PairSums sums;
    if (!flat.empty()) {
        const ClusterTree tree(frames, currents, firstCount, flat, levelOf, settings);
        const std::vector<Work> work = tree.work();
        sums =
            stripedSums(work.size(), grid, settings, [&](size_t k, PairSums &s, PairCache &cache) {
                tree.add(work[k], levelZ, s, cache);
            });
    }
    // Pieces that are not horizontal, such as vias, pair by pair; a vertical one has no
    // mutual term with a horizontal one.
    PairCache cache(grid);
    for (size_t k = 0; k < others.size() && !settings.stop.stop_requested(); ++k) {
        const int p = others[k];
        const auto add = [&](int q) {
            const double e = currents[p] * currents[q] * pairTerm(frames[p], frames[q], &cache);
            if (static_cast<size_t>(p) < firstCount && static_cast<size_t>(q) < firstCount)
                sums.first += e;
            sums.all += e;
        };
        for (size_t m = k + 1; m < others.size(); ++m)
            add(others[m]);
        if (frames[p].along.x != 0 || frames[p].along.y != 0) {
            for (const int q : flat)
                add(q);
        }
    }
    return sums;
}

} // namespace torvane
