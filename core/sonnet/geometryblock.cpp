#include "core/sonnet/geometryblock.h"

#include <algorithm>

namespace torvane {

namespace {
MetalType losslessMetal(const QString &keyword)
{
    return MetalType{keyword, QStringLiteral("Lossless"), 0, QStringLiteral("SUP"),
                     QStringLiteral(" 0 0 0 0")};
}
} // namespace

int MetalTypeLookup::indexOf(const QList<MetalType> &metalTypes, const QString &name) const
{
    if (metalTypes.constData() != source.constData() || metalTypes.size() != source.size()) {
        source = metalTypes;
        indices.clear();
        indices.reserve(metalTypes.size());
        // Backwards, so that the first of equal names is the one kept.
        for (qsizetype i = metalTypes.size() - 1; i >= 0; --i)
            indices.insert(metalTypes[i].name, static_cast<int>(i));
    }
    return indices.value(name, -1);
}

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
    return metalTypeLookup.indexOf(metalTypes, name);
}

void GeometryBlock::setReferencePlane(const QString &side, double length)
{
    const auto existing = std::find_if(referencePlanes.begin(), referencePlanes.end(),
                                       [&](const ReferencePlane &p) { return p.side == side; });
    if (existing != referencePlanes.end())
        referencePlanes.erase(existing);
    referencePlanes.append(ReferencePlane{side, QStringLiteral("FIX"), length, std::nullopt});
}

QStringList GeometryBlock::clearGeometry()
{
    polygons.clear();
    eviaRecords.clear();
    ports.clear();
    referencePlanes.clear();
    return dropItemsNamingPolygons(keptItems);
}

void GeometryBlock::setStaircaseFill()
{
    for (Polygon &polygon : polygons)
        polygon.fillType = QStringLiteral("N");
}

} // namespace torvane
