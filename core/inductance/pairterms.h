#pragma once

#include "core/inductance/currentpath.h"

#include <array>
#include <cstdint>
#include <unordered_map>

namespace torvane {

// Pair terms of the partial inductance sum: the geometric part of M for two pieces, and the
// self term of one piece. Tapes closer than three widths and vias side by side by closed
// forms; further apart the centre lines with second-order width terms, by the cheapest rule
// that keeps each pair within about 1e-4 (the fourth-order width remainder just beyond three
// widths, for pieces no longer than wide); most pairs are far better.

// The midpoint expansion starts no closer than this many widths, and vias closer than that
// are square bars side by side.
inline constexpr double nearWidths = 6;
// Pieces further apart than this many lengths (of the longer piece) use the expansion of 1/r
// about the midpoints; its error falls with the fourth power of the ratio.
inline constexpr double farLengths = 4;

// A piece with its frame: unit direction, in-plane normal (across the tape) and length.
struct PieceFrame
{
    Vec3 start;
    Vec3 end;
    Vec3 mid;
    Vec3 along;
    Vec3 across;
    double length = 0;
    double width = 0;
    bool vertical = false;
    // Gauss points along the centre line, for two- and three-point rules.
    Vec3 two[2];
    Vec3 three[3];
};

PieceFrame frameOf(const CurrentPiece &piece);

// The closed forms of tapes a few widths apart and of vias side by side, by the shape of the
// pair, for layouts whose close pairs repeat: the half-turns of a differential spiral are
// congruent pieces by the dozen. The shape is the second piece seen from the first, on a grid
// of `grid` length units, and its term is computed from that shape itself: the same value
// whichever pair meets it first.
class PairCache
{
public:
    explicit PairCache(double grid);
    double term(const PieceFrame &a, const PieceFrame &b, bool bars);

private:
    using Key = std::array<std::int64_t, 10>;
    struct KeyHash
    {
        size_t operator()(const Key &key) const;
    };
    double m_grid;
    std::unordered_map<Key, double, KeyHash> m_values;
};

// The mutual term of two pieces, each with a unit current; zero when either has no length.
// Closed forms go through the cache when there is one.
double pairTerm(const PieceFrame &a, const PieceFrame &b, PairCache *cache = nullptr);
// Squared width over 24 of a tape, the weight of its second-order width terms (the offsets
// across it have the variance width^2 / 12); zero for vias.
double widthWeight(const PieceFrame &f);
// The self term of one piece with a unit current.
double selfTerm(const PieceFrame &f);

} // namespace torvane
