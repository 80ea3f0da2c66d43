#pragma once

#include "core/sonnet/geometryrecords.h"
#include "core/sonnet/keptitems.h"
#include "core/sonnet/technology.h"

#include <QHash>
#include <QList>

namespace torvane {

// Name to position of the first metal type of that name, so that templates with many metal
// levels and types are looked up in linear time. The cache keeps a shared copy of the list it
// was built from: any change to the list detaches it onto new storage, and the next lookup
// sees that and rebuilds.
class MetalTypeLookup
{
public:
    int indexOf(const QList<MetalType> &metalTypes, const QString &name) const;
    // A cache holds nothing of the block's content.
    bool operator==(const MetalTypeLookup &) const { return true; }

private:
    mutable QList<MetalType> source;
    mutable QHash<QString, int> indices;
};

// The GEO block: technology (kept from the template) and geometry (replaced by every layout).
struct GeometryBlock
{
    // Used when a file has no such line, so that every written project is well formed.
    static MetalType defaultTopMetal();
    static MetalType defaultBottomMetal();

    MetalType topMetal = defaultTopMetal();
    MetalType bottomMetal = defaultBottomMetal();
    BoxSettings box;
    QList<DielectricLayer> dielectricLayers;
    QList<MetalType> metalTypes;
    QList<Polygon> polygons;
    QList<EviaRecord> eviaRecords;
    QList<Port> ports;
    QList<ReferencePlane> referencePlanes;
    QList<KeptItem> keptItems; // in the order read
    MetalTypeLookup metalTypeLookup;

    // Dielectric layers minus one: metal levels lie between adjacent layers.
    int metalLevelCount() const;
    // Position of the first metal type with exactly this name, or -1.
    int metalTypeIndex(const QString &name) const;
    // Replaces the first plane on this side (it moves to the end) by a fixed one.
    void setReferencePlane(const QString &side, double length);
    // Also drops the kept items that name the polygons, which would point at nothing: one
    // sentence for each says which.
    QStringList clearGeometry();
    void setStaircaseFill();

    bool operator==(const GeometryBlock &) const = default;
};

} // namespace torvane
