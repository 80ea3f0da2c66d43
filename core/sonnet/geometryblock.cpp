#include "core/sonnet/geometryblock.h"

#include <algorithm>

namespace {
MetalType losslessMetal(const QString &keyword)
{
    return MetalType{keyword, QStringLiteral("Lossless"), 0, QStringLiteral("SUP"),
                     QStringLiteral(" 0 0 0 0")};
}
} // namespace

MetalType GeometryBlock::defaultTopMetal()
{
    return losslessMetal(QStringLiteral("TMET"));
}

MetalType GeometryBlock::defaultBottomMetal()
{
    return losslessMetal(QStringLiteral("BMET"));
}

int GeometryBlock::metalLevelCount() const
{
    return std::max<int>(0, static_cast<int>(dielectricLayers.size()) - 1);
}

int GeometryBlock::metalTypeIndex(const QString &name) const
{
    for (qsizetype i = 0; i < metalTypes.size(); ++i) {
        if (metalTypes[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

void GeometryBlock::setReferencePlane(const QString &side, double length)
{
    const auto existing = std::find_if(referencePlanes.begin(), referencePlanes.end(),
                                       [&](const ReferencePlane &p) { return p.side == side; });
    if (existing != referencePlanes.end())
        referencePlanes.erase(existing);
    referencePlanes.append(ReferencePlane{side, QStringLiteral("FIX"), length, std::nullopt});
}

void GeometryBlock::clearGeometry()
{
    polygons.clear();
    eviaRecords.clear();
    ports.clear();
    referencePlanes.clear();
}

void GeometryBlock::setStaircaseFill()
{
    for (Polygon &polygon : polygons)
        polygon.fillType = QStringLiteral("N");
}
