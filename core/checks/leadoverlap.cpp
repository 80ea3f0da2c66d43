#include "core/checks/leadoverlap.h"

#include "core/checks/designchecks.h"

#include <QRectF>

#include <cmath>

namespace torvane {

namespace {
using Kind = DrawnConductor::Kind;

// A straight lead's outline in plan view; none for a bent one.
std::optional<QRectF> straightOutline(const DrawnConductor &lead)
{
    if (lead.points.size() != 2)
        return std::nullopt;
    const Point &a = lead.points[0];
    const Point &b = lead.points[1];
    const double half = lead.width / 2;
    if (a.y == b.y)
        return QRectF(QPointF(std::min(a.x, b.x), a.y - half),
                      QPointF(std::max(a.x, b.x), a.y + half));
    if (a.x == b.x)
        return QRectF(QPointF(a.x - half, std::min(a.y, b.y)),
                      QPointF(a.x + half, std::max(a.y, b.y)));
    return std::nullopt;
}
} // namespace

std::optional<DesignFinding> leadOverlapFinding(const DrawnLayout &layout, double cellSize,
                                                const QString &lengthUnit)
{
    QList<const DrawnConductor *> leads;
    for (const DrawnConductor &conductor : layout.conductors) {
        if (conductor.kind == Kind::Feed || conductor.kind == Kind::Bridge)
            leads.append(&conductor);
    }
    for (qsizetype i = 0; i < leads.size(); ++i) {
        for (qsizetype k = i + 1; k < leads.size(); ++k) {
            // Copies on several levels of one role are the same lead.
            if (leads[i]->kind == leads[k]->kind && leads[i]->points == leads[k]->points)
                continue;
            const auto first = straightOutline(*leads[i]);
            const auto second = straightOutline(*leads[k]);
            if (!first || !second)
                continue;
            const QRectF shared = first->intersected(*second);
            const double along = std::max(shared.width(), shared.height());
            if (shared.isEmpty() || !(along > cellSize))
                continue;
            const Point centre(shared.center().x(), shared.center().y());
            return DesignFinding{
                FindingSeverity::Warning,
                FindingCode::LeadOverlap,
                LeadsStacked{leads[i]->kind == leads[k]->kind, along, centre, lengthUnit},
                {},
                centre,
                leads[i]->level};
        }
    }
    return std::nullopt;
}

} // namespace torvane
