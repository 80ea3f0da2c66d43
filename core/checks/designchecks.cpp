#include "core/checks/designchecks.h"

#include "core/checks/leadoverlap.h"
#include "core/checks/polygoncontacts.h"
#include "core/spiral/roundspiral.h"
#include "core/template/layerroles.h"
#include "core/template/layoutsize.h"

#include <QHash>
#include <QMap>

#include <algorithm>
#include <cmath>

namespace torvane {

namespace {
// The points of a polygon without its repeated closing point.
qsizetype distinctCount(const Polygon &polygon)
{
    const qsizetype count = polygon.points.size();
    return count > 1 && polygon.points.first() == polygon.points.last() ? count - 1 : count;
}

// The points that a measure puts beyond a slack: how many, in which polygons, and the worst.
struct PointTally
{
    qsizetype count = 0;
    double worstValue = 0;
    Point worst;
    QList<int> polygons;
};

template <typename Measure>
PointTally tallyPoints(const QList<Polygon> &polygons, double slack, Measure measure)
{
    PointTally tally;
    for (int i = 0; i < polygons.size(); ++i) {
        const Polygon &polygon = polygons[i];
        bool offending = false;
        for (qsizetype k = 0; k < distinctCount(polygon); ++k) {
            const Point &point = polygon.points[k];
            const double value = measure(point);
            if (!(value > slack))
                continue;
            ++tally.count;
            offending = true;
            if (value > tally.worstValue) {
                tally.worstValue = value;
                tally.worst = point;
            }
        }
        if (offending)
            tally.polygons.append(i);
    }
    return tally;
}

struct Checker
{
    const ProjectDocument &layout;
    const SpiralParameters &p;
    const QStringList &roles;
    const QString &unit;
    QList<DesignFinding> findings;

    const BoxSettings &box() const { return layout.geometry.box; }
    const QList<Polygon> &polygons() const { return layout.geometry.polygons; }

    void add(FindingSeverity severity, FindingCode code, FindingValues values,
             QList<int> polygonIndices = {}, std::optional<Point> at = std::nullopt,
             std::optional<int> level = std::nullopt)
    {
        findings.append({severity, code, std::move(values), std::move(polygonIndices), at, level});
    }

    bool bridgeDrawn() const
    {
        return roles.contains(roleBridge) && (!isDifferential(p.shape) || p.centerTap);
    }
    double cellSize() const { return std::max(box().cellSizeX(), box().cellSizeY()); }
    bool hasCellGrid() const
    {
        const double x = box().cellSizeX();
        const double y = box().cellSizeY();
        return std::isfinite(x) && std::isfinite(y) && x > 0 && y > 0;
    }
    // The narrowest conductor or gap the parameters ask for: what a snap must leave intact.
    double narrowestFeature() const
    {
        double narrowest = p.spiralWidth;
        if (p.turns > 1 || isDifferential(p.shape))
            narrowest = std::min(narrowest, p.spacing);
        if (bridgeDrawn())
            narrowest = std::min(narrowest, p.bridgeWidth);
        if (isDifferential(p.shape))
            narrowest = std::min(narrowest, p.feedSpacingAuto ? p.spacing : p.feedSpacing);
        return narrowest;
    }
    double tolerance() const
    {
        double extent = std::max(std::fabs(box().xWidth), std::fabs(box().yWidth));
        for (const Polygon &polygon : polygons()) {
            for (const Point &point : polygon.points)
                extent = std::max({extent, std::fabs(point.x), std::fabs(point.y)});
        }
        return std::max(extent * 1e-9, 1e-12);
    }

    void checkRoles()
    {
        if (!hasSpiralLevel(roles))
            add(FindingSeverity::Warning, FindingCode::NoSpiralLevel, NoSpiralRole{});
        if (!roles.contains(roleBridge))
            add(FindingSeverity::Warning, FindingCode::NoBridgeLevel,
                NoBridgeRole{isDifferential(p.shape)});
    }

    void checkCreateConditions()
    {
        if (p.shape == SpiralShape::NSidedDifferential) {
            if (const auto minimum =
                    innerRadiusShortfall(box(), p.spiralWidth, p.spacing, p.radius, p.sides))
                add(FindingSeverity::Error, FindingCode::InnerRadius,
                    RadiusTooSmall{*minimum, unit});
        }
        if (isDifferential(p.shape) &&
            feedSpacingTooLarge(p.spiralWidth, p.spacing, p.feedSpacing)) {
            const double limit = p.spiralWidth + p.spiralWidth / std::sqrt(2.0) + p.spacing;
            add(FindingSeverity::Warning, FindingCode::FeedSpacing,
                FeedSpacingExcess{p.feedSpacing, limit, p.feedSpacingAuto, unit});
        }
    }

    void checkLeads()
    {
        if (!hasCellGrid() || !hasSpiralLevel(roles))
            return;
        const QStringList metals(roles.size(), defaultLevelMetal);
        const DrawnLayout drawn = makeSpiral(p, &metals, &roles)->drawnLayout(layout);
        if (auto finding = leadOverlapFinding(drawn, cellSize(), unit))
            findings.append(std::move(*finding));
    }

    void checkBox()
    {
        const PointTally outside = tallyPoints(polygons(), tolerance(), [this](const Point &point) {
            return std::max({-point.x, point.x - box().xWidth, -point.y, point.y - box().yWidth});
        });
        if (outside.count == 0) {
            checkReferencePlanes();
            return;
        }
        add(FindingSeverity::Error, FindingCode::OutsideBox,
            PointsOutsideBox{outside.count, outside.polygons.size(), box().xWidth, box().yWidth,
                             outside.worstValue, unit},
            outside.polygons, outside.worst);
    }

    // Without a winding nothing need lie outside, yet planes placed for the spiral's size would
    // be written with a negative length, which no simulator takes.
    void checkReferencePlanes()
    {
        double shortest = 0;
        for (const ReferencePlane &plane : layout.geometry.referencePlanes) {
            if (plane.type == QLatin1String("FIX"))
                shortest = std::min(shortest, plane.length);
        }
        if (shortest < 0)
            add(FindingSeverity::Error, FindingCode::OutsideBox,
                SpiralWiderThanBox{shortest, box().xWidth, box().yWidth, unit});
    }

    // Conductors on one level should meet only where they join: once per pair, never an
    // outline with itself. The centre tap's two halves are the one designed ring, and a
    // crossing under the winding (a piece with vias at both ends) touches nothing.
    void checkContacts()
    {
        QMap<unsigned, QList<int>> byLevel;
        for (int i = 0; i < polygons().size(); ++i) {
            if (!polygons()[i].isVia())
                byLevel[polygons()[i].level].append(i);
        }
        const double slack = tolerance();
        QHash<QByteArray, RingContacts> contactsByOutline;
        const bool tapRing = isDifferential(p.shape) && p.centerTap && p.turns > 1;
        for (auto it = byLevel.cbegin(); it != byLevel.cend(); ++it) {
            const int level = static_cast<int>(it.key());
            const QList<int> &members = it.value();
            QList<QList<Point>> rings;
            for (int index : members)
                rings.append(polygons()[index].points);
            // Levels that carry the same winding meet in the same places: found once.
            QByteArray key;
            for (const QList<Point> &ring : std::as_const(rings))
                key.append(reinterpret_cast<const char *>(ring.constData()),
                           static_cast<qsizetype>(ring.size() * sizeof(Point)));
            if (!contactsByOutline.contains(key))
                contactsByOutline.insert(key, findRingContacts(rings, slack));
            const RingContacts &contacts = contactsByOutline[key];
            const bool bridgeLevel = roles.value(level) == roleBridge;

            if (!contacts.selfContacts.isEmpty()) {
                QList<int> offenders;
                for (const auto &self : contacts.selfContacts)
                    offenders.append(members[self.ring]);
                add(FindingSeverity::Error, FindingCode::Overlap,
                    ConductorContact{ConductorContact::Kind::SelfTouch,
                                     static_cast<int>(offenders.size()), 0, level},
                    offenders, contacts.selfContacts.first().at, level);
            }

            bool ringAllowed = tapRing && bridgeLevel;
            const QList<int> crossings =
                bridgeLevel ? crossingRings(members, rings, level, slack) : QList<int>();
            ContactGroup loops;
            ContactGroup touchedCrossings;
            for (const auto &pair : contacts.pairContacts) {
                if (pair.places >= 2) {
                    if (ringAllowed && pair.places == 2) {
                        ringAllowed = false;
                        continue;
                    }
                    loops.add(members[pair.first], members[pair.second], pair.at, pair.places);
                } else if (crossings.contains(pair.first) || crossings.contains(pair.second)) {
                    touchedCrossings.add(members[pair.first], members[pair.second], pair.at, 1);
                }
            }
            addOverlap(loops, ConductorContact::Kind::ClosedLoop, level);
            addOverlap(touchedCrossings, ConductorContact::Kind::CrossingTouched, level);
        }
    }

    // Pairs that touch where they should not, reported as one finding per level and kind.
    struct ContactGroup
    {
        int count = 0;
        int places = 0;
        QList<int> polygons;
        Point at;

        void add(int first, int second, const Point &where, int placeCount)
        {
            if (count++ == 0) {
                at = where;
                places = placeCount;
            }
            for (int index : {first, second}) {
                if (!polygons.contains(index))
                    polygons.append(index);
            }
        }
    };
    void addOverlap(const ContactGroup &group, ConductorContact::Kind kind, int level)
    {
        if (group.count > 0)
            add(FindingSeverity::Error, FindingCode::Overlap,
                ConductorContact{kind, group.count, group.places, level}, group.polygons, group.at,
                level);
    }

    // The rings of a level that carry vias at two or more places.
    QList<int> crossingRings(const QList<int> &members, const QList<QList<Point>> &rings, int level,
                             double slack) const
    {
        QList<int> viaCounts(members.size(), 0);
        for (const Polygon &via : polygons()) {
            if (!via.isVia() || distinctCount(via) == 0)
                continue;
            const int low = std::min(static_cast<int>(via.level), via.toLevel);
            const int high = std::max(static_cast<int>(via.level), via.toLevel);
            if (level < low || level > high)
                continue;
            Point centre;
            const qsizetype count = distinctCount(via);
            for (qsizetype k = 0; k < count; ++k) {
                centre.x += via.points[k].x / static_cast<double>(count);
                centre.y += via.points[k].y / static_cast<double>(count);
            }
            for (int r = 0; r < rings.size(); ++r) {
                if (ringCovers(rings[r], centre, slack))
                    ++viaCounts[r];
            }
        }
        QList<int> result;
        for (int r = 0; r < viaCounts.size(); ++r) {
            if (viaCounts[r] >= 2)
                result.append(r);
        }
        return result;
    }

    void checkNarrow()
    {
        if (!hasCellGrid())
            return;
        const double cell = cellSize();
        const auto narrow = [&](FindingCode code, SpiralDimension feature, double value) {
            if (value < cell)
                add(FindingSeverity::Warning, code, NarrowFeature{feature, value, cell, unit});
        };
        narrow(FindingCode::NarrowWidth, SpiralDimension::ConductorWidth, p.spiralWidth);
        if (bridgeDrawn())
            narrow(FindingCode::NarrowWidth,
                   isDifferential(p.shape) ? SpiralDimension::CentreTapWidth
                                           : SpiralDimension::BridgeWidth,
                   p.bridgeWidth);
        if (p.turns > 1 || isDifferential(p.shape))
            narrow(FindingCode::NarrowGap, SpiralDimension::Spacing, p.spacing);
        if (isDifferential(p.shape) && !p.feedSpacingAuto)
            narrow(FindingCode::NarrowGap, SpiralDimension::FeedSpacing, p.feedSpacing);
    }

    void checkSize()
    {
        const LayoutSize size = measureLayout(layout);
        if (isLargeLayout(size))
            add(FindingSeverity::Warning, FindingCode::LargeLayout, size);
    }

    // Round shapes never sit on the grid; the snap only matters once it moves an edge by more
    // than a tenth of the narrowest width or gap.
    void checkGrid()
    {
        if (!hasCellGrid())
            return;
        const double cellX = box().cellSizeX();
        const double cellY = box().cellSizeY();
        const PointTally offGrid =
            tallyPoints(polygons(), 1e-6 * std::min(cellX, cellY), [&](const Point &point) {
                return std::hypot(point.x - std::round(point.x / cellX) * cellX,
                                  point.y - std::round(point.y / cellY) * cellY);
            });
        const double narrowest = narrowestFeature();
        const double largest = offGrid.worstValue;
        if (offGrid.count == 0 || !(largest > 0.1 * narrowest))
            return;
        add(FindingSeverity::Warning, FindingCode::OffGrid,
            VerticesOffGrid{offGrid.count, cellX, cellY, largest, narrowest, unit},
            offGrid.polygons, offGrid.worst);
    }
};
} // namespace

QList<DesignFinding> checkDesign(const ProjectDocument &layout, const SpiralParameters &parameters,
                                 const QStringList &functionSetup, const QString &lengthUnit)
{
    Checker checker{layout, parameters, functionSetup, lengthUnit, {}};
    checker.checkRoles();
    checker.checkCreateConditions();
    // Below the n-sided differential minimum the half-turns fold back on themselves and their
    // corners fly off: the one finding that matters is the radius.
    const bool folded = std::any_of(
        checker.findings.begin(), checker.findings.end(),
        [](const DesignFinding &finding) { return finding.code == FindingCode::InnerRadius; });
    if (!folded) {
        checker.checkBox();
        checker.checkContacts();
        checker.checkNarrow();
        checker.checkGrid();
        checker.checkLeads();
    }
    checker.checkSize();
    std::stable_partition(checker.findings.begin(), checker.findings.end(),
                          [](const DesignFinding &finding) { return finding.isError(); });
    return checker.findings;
}

QList<DesignFinding> ownPromptFindings(const QList<DesignFinding> &findings)
{
    QList<DesignFinding> ordered;
    for (const FindingCode code :
         {FindingCode::NoSpiralLevel, FindingCode::InnerRadius, FindingCode::FeedSpacing}) {
        for (const DesignFinding &finding : findings) {
            if (finding.code == code)
                ordered.append(finding);
        }
    }
    return ordered;
}

QString findingCodeName(FindingCode code)
{
    switch (code) {
    case FindingCode::NoSpiralLevel:
        return QStringLiteral("no-spiral-level");
    case FindingCode::NoBridgeLevel:
        return QStringLiteral("no-bridge-level");
    case FindingCode::InnerRadius:
        return QStringLiteral("inner-radius");
    case FindingCode::FeedSpacing:
        return QStringLiteral("feed-spacing");
    case FindingCode::OutsideBox:
        return QStringLiteral("outside-box");
    case FindingCode::Overlap:
        return QStringLiteral("overlap");
    case FindingCode::NarrowWidth:
        return QStringLiteral("narrow-width");
    case FindingCode::NarrowGap:
        return QStringLiteral("narrow-gap");
    case FindingCode::OffGrid:
        return QStringLiteral("off-grid");
    case FindingCode::LargeLayout:
        return QStringLiteral("large-layout");
    case FindingCode::LeadOverlap:
        return QStringLiteral("lead-overlap");
    case FindingCode::BoxEffect:
        return QStringLiteral("box-effect");
    case FindingCode::NoLayout:
        break;
    }
    return QStringLiteral("no-layout");
}

} // namespace torvane
