#pragma once

#include "core/inductance/currentpath.h"

// Pair terms of the partial inductance sum: the geometric part of M for two pieces, by the
// cheapest rule that keeps each pair to a few 1e-5, and the self term of one piece.

// Beyond this many widths apart the centre lines alone give each pair to well below 1e-4.
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

// The mutual term of two pieces, each with a unit current; zero when either has no length.
double pairTerm(const PieceFrame &a, const PieceFrame &b);
// Squared width over 24 of a tape, the weight of its second-order width terms (the offsets
// across it have the variance width^2 / 12); zero for vias.
double widthWeight(const PieceFrame &f);
// The self term of one piece with a unit current.
double selfTerm(const PieceFrame &f);
