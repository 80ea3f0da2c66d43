#pragma once

#include <QByteArrayView>
#include <QList>
#include <QStringList>

#include <climits>

namespace torvane {

class SonTextWriter;

// The GEO records an item can follow, in the order the writer puts them.
enum class GeoRecord
{
    Start,
    TopMetal,
    BottomMetal,
    MetalType,
    Box, // with its dielectric layers
    ReferencePlane,
    Port,
    Polygons
};

// A line or block inside GEO that the reader does not model (TECHLAY, GEOVAR, SYM, LORGN,
// VALVAR, ...), kept verbatim and written back after the record it followed.
struct KeptItem
{
    GeoRecord after = GeoRecord::Start;
    int index = 0; // which metal type, reference plane or port, in its list
    QStringList lines;

    bool operator==(const KeptItem &) const = default;
};

// Cuts the unknown lines of a GEO block into items as they are read. A block's nested END
// lines keep it one item, so that an item that has to go takes its whole block with it.
class KeptItemReader
{
public:
    // A second GEO block adds to the items of the first.
    explicit KeptItemReader(QList<KeptItem> &items)
        : items(items), runStart(items.size()), firstUnsure(items.size())
    {}

    // A known record was read: the lines after it start new items that follow it.
    void follow(GeoRecord record, int index = 0);
    void add(QByteArrayView line);
    // Inside a block even blank lines belong to it.
    bool insideBlock() const { return depth > 0; }

private:
    // The blocks whose nesting is known; others are told by their END lines alone.
    enum class Block
    {
        None,
        TechLayer,
        Variable,
        Dimension
    };

    void startItem(QByteArrayView keyword);
    void closeUnknownBlock(QByteArrayView endLine);

    QList<KeptItem> &items;
    GeoRecord after = GeoRecord::Start;
    int index = 0;
    qsizetype runStart = 0;    // the first item after the last known record
    qsizetype firstUnsure = 0; // the first item that may belong to a block not yet closed
    Block block = Block::None; // of the last item, while depth > 0
    int depth = 0;
};

// Writes the items among the records: after each record the writer calls writeUpTo() with it,
// which writes the items that followed it and any before it not yet written, in their order.
class KeptItemWriter
{
public:
    explicit KeptItemWriter(const QList<KeptItem> &items);

    void writeUpTo(SonTextWriter &out, GeoRecord record, int index = INT_MAX);

private:
    QList<const KeptItem *> order;
    qsizetype next = 0;
};

// Drops the items that name a polygon ("POLY 15 1", as GEOVAR and dimension blocks do) once
// the polygons are gone, and says which, one sentence each.
QStringList dropItemsNamingPolygons(QList<KeptItem> &items);

} // namespace torvane
