#pragma once

#include <utility>

#include "core/spiral/centerlinepath.h"
#include "core/spiral/roundspiral.h"

#include <QList>

namespace torvane {

// Symmetric two-port spiral: upper and lower half-turns joined across a band through the
// centre, crossing over underpasses on the bridge level; both feeds leave at the left wall and
// the optional centre tap at the right wall. N is a whole number of turns.
class cDifferentialSpiral : public cRoundSpiral
{
public:
    cDifferentialSpiral() = default;
    cDifferentialSpiral(double turns, double radius, double spiralWidth, double spacing,
                        double bridgeWidth, bool feedSpacingAuto, double feedSpacing,
                        bool centerTap, const QStringList *levelMetalNames,
                        const QStringList *levelRoles);

    void writeLayout(ProjectDocument &project) override;
    DrawnLayout drawnLayout(const ProjectDocument &project) override;
    double outerDiameter() const override;
    double sizeY() const override;

    // Centre lines as built by the last layout.
    const QList<CenterLinePath> &windingPaths() const { return m_windingPaths; }
    const QList<CenterLinePath> &crossingPaths() const { return m_crossingPaths; }
    const QList<CenterLinePath> &centerTapPaths() const { return m_centerTapPaths; }

protected:
    // Values derived from the parameters and the project's box.
    struct Frame
    {
        double cx = 0;
        double cy = 0;
        double pitch = 0;
        double cell = 0;
        double gap = 0;       // half-turn stub length, at least a cell
        double feedSpace = 0; // edge-to-edge distance of the two feeds
        double innerEdge = 0; // R + W/2, centre line of turn 0
        double r(double turn) const { return innerEdge + turn * pitch; }
    };
    Frame frame(const ProjectDocument &project) const;
    bool evenTurns() const;

    void addVias(ProjectDocument &project, int &nextDebugId) override;
    double referencePlaneLength(const ProjectDocument &project) const override;
    void setReferencePlanes(const ProjectDocument &project, GeometryBlock &geometry) const override;
    // Feeds closer together than the band edges need joins to reach the outer half-turns.
    bool hasFeedJoins(const Frame &f) const;
    virtual void buildWindingPaths(const ProjectDocument &project);
    virtual void buildCenterTapPaths(const ProjectDocument &project);

    // The curved part of one half-turn between its two stubs: a half circle here.
    virtual void addHalfTurn(CenterLinePath &path, const Frame &f, double radius, bool upper) const;
    // The y of the stacked-level vias of one turn, above and below the centre: the apexes of
    // its half circles here.
    virtual std::pair<double, double> stackedViaRows(const Frame &f, int turn) const;
    // Inner join, crossings, feed joins and feeds: everything after the half-turns.
    void appendJoinsAndFeeds(const Frame &f);
    // Vias at both ends of every underpass and under the centre tap; returns the via width
    // that the stacked-level vias go on with.
    double addUnderpassAndTapVias(ProjectDocument &project, int &nextDebugId, const Frame &f);
    // Lowest and highest "spiral" level; (levelCount(), 0) when there is none.
    void spiralLevelRange(int &first, int &last) const;
    static void addVia(ProjectDocument &project, int &nextDebugId, const Point &from,
                       const Point &to, double width, int level, int toLevel);

    bool m_feedSpacingAuto = true;
    bool m_centerTap = true;
    double m_feedSpacing = 0;
    QList<CenterLinePath> m_windingPaths;
    QList<CenterLinePath> m_crossingPaths;
    QList<CenterLinePath> m_centerTapPaths;
};

} // namespace torvane
