#pragma once

#include "core/spiral/differentialspiral.h"

namespace torvane {

// Differential spiral whose half-turns follow half of a regular polygon with `sides` corners.
class cNSidedDifferentialSpiral : public cDifferentialSpiral
{
public:
    cNSidedDifferentialSpiral() = default;
    cNSidedDifferentialSpiral(double turns, int sides, double radius, double spiralWidth,
                              double spacing, double bridgeWidth, bool feedSpacingAuto,
                              double feedSpacing, bool centerTap,
                              const QStringList *levelMetalNames, const QStringList *levelRoles);

    InductanceEstimate inductanceEstimate(double lengthScale,
                                          double inductanceScale) const override;
    double sizeY() const override;

protected:
    std::pair<double, double> stackedViaRows(const Frame &f, int turn) const override;

    // Half of the n-gon with this apothem around the centre; only its two end points are
    // moved away from cy by the band's half height.
    void addHalfTurn(CenterLinePath &path, const Frame &f, double apothem,
                     bool upper) const override;

    int m_sides = 0;
};

} // namespace torvane
