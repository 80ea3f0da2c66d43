#include "core/template/layoutsize.h"

#include <QLocale>

namespace torvane {

namespace {
constexpr qint64 largePointCount = 1000000;
constexpr qint64 largeByteCount = 100000000;

// Typical written lengths: "225.0000000 200.0000000\n", a polygon's header and END lines, a
// port's four lines, a technology line.
constexpr qint64 bytesPerPoint = 24;
constexpr qint64 bytesPerPolygon = 48;
constexpr qint64 bytesPerRecord = 64;
constexpr qint64 bytesOfFrame = 1024;

qint64 textBytes(const QStringList &lines)
{
    qint64 bytes = 0;
    for (const QString &line : lines)
        bytes += line.size() + 1;
    return bytes;
}
} // namespace

LayoutSize measureLayout(const ProjectDocument &document)
{
    const GeometryBlock &geometry = document.geometry;
    LayoutSize size;
    qint64 bytes = bytesOfFrame + textBytes(document.headerLines) +
                   textBytes(document.controlLines) + textBytes(document.frequencyLines) +
                   textBytes(document.sweepLines) + textBytes(document.optimisationLines) +
                   textBytes(document.qsgLines);
    bytes += bytesPerRecord * (geometry.metalTypes.size() + geometry.dielectricLayers.size() +
                               geometry.ports.size() + geometry.referencePlanes.size() +
                               geometry.eviaRecords.size());
    for (const Polygon &polygon : geometry.polygons) {
        size.points += polygon.points.size();
        bytes += bytesPerPolygon + textBytes(polygon.extraLines);
    }
    size.approximateBytes = bytes + bytesPerPoint * size.points;
    return size;
}

bool isLargeLayout(const LayoutSize &size)
{
    return size.points > largePointCount || size.approximateBytes > largeByteCount;
}

QString largeLayoutWarning(const LayoutSize &size)
{
    if (!isLargeLayout(size))
        return {};
    const QLocale c = QLocale::c();
    return QStringLiteral("Unusually large layout: %1 points, about %2 of output.")
        .arg(size.points)
        .arg(c.formattedDataSize(size.approximateBytes, 1, QLocale::DataSizeSIFormat));
}

} // namespace torvane
