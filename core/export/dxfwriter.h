#pragma once

#include <QByteArray>
#include <QList>

#include <vector>

namespace torvane {

class BufferedOutput;

struct DxfPoint
{
    double x = 0;
    double y = 0;
};

// Writes a plain drawing: a header with units and extents, a layer table, and closed
// LWPOLYLINE entities.
class DxfWriter
{
public:
    explicit DxfWriter(BufferedOutput &out) : out(out) {}

    // insertionUnits: the $INSUNITS code of the coordinates (13 micrometres, 4 millimetres...).
    void begin(int insertionUnits, DxfPoint low, DxfPoint high, const QList<QByteArray> &layers);
    // The closing edge is implied: the first point is not repeated.
    void polygon(const QByteArray &layer, const std::vector<DxfPoint> &ring);
    void end();

    // The $INSUNITS code for a length unit given in metres; 0 (unitless) for any other size.
    static int insertionUnitsFor(double metresPerUnit);

private:
    void group(int code, const char *value);
    void group(int code, const QByteArray &value);
    void group(int code, long long value);
    // Group codes 10 and 20.
    void point(DxfPoint p);

    BufferedOutput &out;
};

} // namespace torvane
