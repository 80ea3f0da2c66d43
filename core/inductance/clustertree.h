#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace torvane {

// A group of pieces in a binary tree over the plane, as the clustered sums build it: its
// centre, a radius that holds all of its pieces, its range in the tree's piece order, and its
// two children, if any.
struct ClusterNode
{
    double cx = 0;
    double cy = 0;
    double radius = 0;
    int begin = 0;
    int end = 0;
    int child = -1; // the first of two, the second follows it
    bool leaf() const { return child < 0; }
};

// The box of points in the plane.
struct PlaneBox
{
    double minX = INFINITY;
    double minY = INFINITY;
    double maxX = -INFINITY;
    double maxY = -INFINITY;

    template <class Point> void add(const Point &p)
    {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    bool widerAlongX() const { return maxX - minX >= maxY - minY; }
};

// The box of the end points of `order`'s pieces [begin, end), which `ends(piece)` gives as a
// pair.
template <class Ends>
PlaneBox boxOfEnds(const std::vector<int> &order, int begin, int end, Ends ends)
{
    PlaneBox box;
    for (int k = begin; k < end; ++k) {
        const auto [start, finish] = ends(order[k]);
        box.add(start);
        box.add(finish);
    }
    return box;
}

// A node over the pieces [begin, end), centred on their box.
template <class Node> Node centredNode(const PlaneBox &box, int begin, int end)
{
    Node node;
    node.begin = begin;
    node.end = end;
    node.cx = 0.5 * (box.minX + box.maxX);
    node.cy = 0.5 * (box.minY + box.maxY);
    return node;
}

// Orders `order`'s pieces [begin, end) so that the first half has the lower `key(piece,
// alongX)`, and returns where the second half begins.
template <class Key>
int splitAtMiddle(std::vector<int> &order, int begin, int end, bool alongX, Key key)
{
    const int middle = begin + (end - begin) / 2;
    std::nth_element(order.begin() + begin, order.begin() + middle, order.begin() + end,
                     [&](int p, int q) { return key(p, alongX) < key(q, alongX); });
    return middle;
}

// Stores `node` at `index` with room for its two children at the end of `nodes`; returns the
// first child's index.
template <class Node> int storeWithChildren(std::vector<Node> &nodes, int index, Node &node)
{
    node.child = static_cast<int>(nodes.size());
    nodes[index] = node;
    nodes.emplace_back();
    nodes.emplace_back();
    return node.child;
}

} // namespace torvane
