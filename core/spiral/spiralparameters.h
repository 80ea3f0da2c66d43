#pragma once

namespace torvane {

// The shape index is the index of the window's shape tab and the stored "SpiralType".
enum class SpiralShape
{
    Round = 0,
    NSided = 1,
    RoundDifferential = 2,
    NSidedDifferential = 3
};

inline bool isDifferential(SpiralShape shape)
{
    return shape == SpiralShape::RoundDifferential || shape == SpiralShape::NSidedDifferential;
}

// What one shape tab holds. Lengths are plain numbers in the document's length unit.
struct SpiralParameters
{
    SpiralShape shape = SpiralShape::Round;
    double turns = 2;
    int sides = 8;
    double radius = 25;
    double spiralWidth = 10;
    double spacing = 10;
    double bridgeWidth = 10;
    bool feedSpacingAuto = true;
    double feedSpacing = 10;
    bool centerTap = true;
};

} // namespace torvane
