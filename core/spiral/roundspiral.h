#pragma once

#include "core/sonnet/projectdocument.h"
#include "core/spiral/drawnlayout.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <QtGlobal>

#include <utility>

namespace torvane {

// One rectangular polygon for a straight, axis-parallel conductor from p1 to p2 whose square
// ends reach w/2 beyond both points; vertex index 2 starts the far edge at p2.
void addStraightConductor(ProjectDocument &project, int &nextDebugId, int level, int metalType,
                          Point p1, Point p2, double width);

// A closed-form inductance estimate in inductance units: one value, or for the polygonal
// shapes the range between the current-sheet and the modified Wheeler values.
struct InductanceEstimate
{
    double low = 0;
    std::optional<double> high;
};

// "1.23", or "1.2 to 1.3", in the default real form.
QString inductanceEstimateText(const InductanceEstimate &estimate);

// Round single-ended spiral and the root of the spiral shapes. Lengths are in the form's
// length unit, coordinates in the project's box (origin top-left, y downwards).
class cRoundSpiral
{
public:
    cRoundSpiral() = default;
    // The two lists belong to the caller and must outlive the spiral.
    cRoundSpiral(double turns, double radius, double spiralWidth, double spacing,
                 double bridgeWidth, const QStringList *levelMetalNames,
                 const QStringList *levelRoles);
    cRoundSpiral(const cRoundSpiral &) = default;
    cRoundSpiral &operator=(const cRoundSpiral &) = default;
    virtual ~cRoundSpiral() = default;

    // Appends the spiral's polygons, ports and reference planes to the project's geometry.
    virtual void writeLayout(ProjectDocument &project);
    // The conductors that writeLayout would draw on this project, as centre lines, with the
    // vias that carry the current and the reference planes; the project is not changed.
    virtual DrawnLayout drawnLayout(const ProjectDocument &project);

    // lengthScale: metres per length unit; inductanceScale: inductance units per henry.
    virtual InductanceEstimate inductanceEstimate(double lengthScale, double inductanceScale) const;
    // The estimate as the window shows it: "1.23" or "1.2 to 1.3".
    QString inductanceText(double lengthScale, double inductanceScale) const
    {
        return inductanceEstimateText(inductanceEstimate(lengthScale, inductanceScale));
    }
    template <class Label>
    void showInductance(double lengthScale, double inductanceScale, Label *label) const
    {
        label->setText(inductanceText(lengthScale, inductanceScale));
    }

    virtual double outerDiameter() const;
    virtual double sizeX() const;
    virtual double sizeY() const;

    // Rounded quarter turns; the two lowest bits give the side of the outer end
    // (0 right, 1 top, 2 left, 3 bottom).
    qint64 quarterTurns() const;

protected:
    virtual void addWinding(ProjectDocument &project, int &nextDebugId, int level, int metalType);
    virtual void addOuterFeed(ProjectDocument &project, int &nextDebugId, int level, int metalType);
    virtual void addBridge(ProjectDocument &project, int &nextDebugId, int level, int metalType);
    virtual void addVias(ProjectDocument &project, int &nextDebugId);
    virtual double referencePlaneLength(const ProjectDocument &project) const;

    // Outer edge from the start, inner edge backwards from the outer end: the winding polygon
    // between its two start points.
    struct WindingEdges
    {
        QList<Point> outer;
        QList<Point> innerBackward;
    };
    virtual WindingEdges windingEdges(const ProjectDocument &project);
    // The feed's axis, from where it meets the winding to half a width before the wall (its
    // square end reaches the wall); call after windingEdges.
    virtual std::pair<Point, Point> feedAxis(const ProjectDocument &project) const;
    std::pair<Point, Point> bridgeAxis(const ProjectDocument &project) const;
    virtual void setReferencePlanes(const ProjectDocument &project, GeometryBlock &geometry) const;

    // Twice the outer edge radius of the last turn; the extent of every shape along x, whatever
    // its own diameter.
    double singleEndedDiameter() const;
    // The polygon between the two edges of windingEdges, then the centre pad.
    void addWindingPolygon(ProjectDocument &project, int &nextDebugId, int level, int metalType,
                           const QString &fillType);
    // Square of side W on the winding's inner end, staircase fill.
    void addCenterPad(ProjectDocument &project, int &nextDebugId, int level, int metalType) const;

    // Default-constructed spirals have no lists; they then count as empty.
    qsizetype levelCount() const;
    int levelMetalType(const ProjectDocument &project, qsizetype level) const;
    // Lowest and highest level whose role is not "none"; (levelCount(), 0) when there is none.
    void usedLevelRange(int &first, int &last) const;
    int outerSide() const { return static_cast<int>(quarterTurns() & 3); }

    static InductanceEstimate circleInductance(double turns, double outerDiameter, double radius,
                                               double lengthScale, double inductanceScale);
    static InductanceEstimate polygonInductance(int sides, double turns, double outerDiameter,
                                                double radius, double lengthScale,
                                                double inductanceScale);

    const QStringList *m_levelMetalNames = nullptr;
    const QStringList *m_levelRoles = nullptr;
    double m_turns = 0;
    double m_radius = 0;
    double m_spiralWidth = 0;
    double m_spacing = 0;
    double m_bridgeWidth = 0;
};

} // namespace torvane
