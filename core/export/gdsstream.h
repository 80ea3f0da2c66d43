#pragma once

#include "core/export/gridring.h"
#include "core/export/layermap.h"

#include <QByteArray>

#include <array>

class QDateTime;

namespace torvane {

class BufferedOutput;

// The most points one boundary may have: its XY record also repeats the first point, and a
// record's length must fit in two bytes.
inline constexpr std::size_t maxBoundaryPoints = 8190;

// The 8-byte real of the stream format: sign bit, excess-64 exponent of 16, 56-bit mantissa.
std::array<unsigned char, 8> gdsReal(double value);

// Writes GDSII stream records (big-endian, each with its 2-byte length, record type and data
// type) for one library holding one structure of boundaries.
class GdsStreamWriter
{
public:
    explicit GdsStreamWriter(BufferedOutput &out) : out(out) {}

    // HEADER, BGNLIB, LIBNAME and UNITS. Names are written as given; the caller checks them.
    void beginLibrary(const QByteArray &name, double userUnitsPerDatabaseUnit,
                      double metresPerDatabaseUnit, const QDateTime &time);
    void beginStructure(const QByteArray &name, const QDateTime &time);
    // BOUNDARY, LAYER, DATATYPE, XY (closed here), ENDEL; at most maxBoundaryPoints points.
    void boundary(GdsLayer layer, const GridRing &ring);
    void endStructure();
    void endLibrary();

private:
    void record(unsigned char type, unsigned char dataType, std::size_t dataBytes);
    void integer2(int value);
    void integer4(std::int32_t value);
    void dates(const QDateTime &time);
    void text(const QByteArray &value);

    BufferedOutput &out;
};

} // namespace torvane
