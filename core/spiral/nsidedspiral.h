#pragma once

#include "core/spiral/roundspiral.h"

namespace torvane {

// Single-ended spiral whose turns are regular polygons with `sides` corners.
class cNSidedSpiral : public cRoundSpiral
{
public:
    cNSidedSpiral() = default;
    cNSidedSpiral(int sides, double turns, double radius, double spiralWidth, double spacing,
                  double bridgeWidth, const QStringList *levelMetalNames,
                  const QStringList *levelRoles);

    InductanceEstimate inductanceEstimate(double lengthScale,
                                          double inductanceScale) const override;

    // Inner corner of the winding's outer end, from the last spiral level written (0 before).
    double outerEndX() const { return m_outerEndX; }
    double outerEndY() const { return m_outerEndY; }

protected:
    void addWinding(ProjectDocument &project, int &nextDebugId, int level, int metalType) override;
    void addOuterFeed(ProjectDocument &project, int &nextDebugId, int level,
                      int metalType) override;
    double referencePlaneLength(const ProjectDocument &project) const override;
    WindingEdges windingEdges(const ProjectDocument &project) override;
    std::pair<Point, Point> feedAxis(const ProjectDocument &project) const override;

    int m_sides = 0;
    double m_outerEndX = 0;
    double m_outerEndY = 0;
};

} // namespace torvane
