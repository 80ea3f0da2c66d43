#include "core/export/layoutexport.h"

#include "core/export/bufferedoutput.h"
#include "core/export/dxfwriter.h"
#include "core/export/gdsstream.h"
#include "core/export/gridring.h"
#include "core/files/checkedsavefile.h"
#include "core/template/units.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace torvane {

namespace {
constexpr double metresPerMicrometre = 1e-6;

// Project coordinates (y down, origin at the box's top-left corner) to layout coordinates in
// the same unit (y up, origin as chosen).
struct Placement
{
    double originX = 0;
    double originY = 0;

    Placement(const BoxSettings &box, LayoutOrigin origin)
    {
        if (origin == LayoutOrigin::SpiralCentre) {
            originX = box.xWidth / 2;
            originY = box.yWidth / 2;
        } else {
            originY = box.yWidth;
        }
    }
    DxfPoint place(const Point &p) const { return {p.x - originX, originY - p.y}; }
};

// Dielectric bricks share the polygon records but are not part of the chip layout.
bool isBrick(const Polygon &polygon)
{
    return polygon.type.startsWith(QLatin1String("BRI"));
}

QString describe(qsizetype index, const Polygon &polygon)
{
    const QString which =
        QStringLiteral("polygon %1 (debug id %2)").arg(index + 1).arg(polygon.debugId);
    if (polygon.isVia())
        return QStringLiteral("via %1 from level %2 to level %3")
            .arg(which)
            .arg(polygon.level)
            .arg(levelText(polygon.toLevel));
    return QStringLiteral("%1 on level %2").arg(which).arg(polygon.level);
}

int clampedLevel(unsigned level)
{
    return static_cast<int>(std::min<unsigned>(level, std::numeric_limits<int>::max()));
}

// Points without repeated neighbours and without the closing repeat.
qsizetype distinctPointCount(const QList<Point> &points)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (i == 0 || !(points[i] == points[i - 1]))
            ++count;
    }
    if (count > 1 && points.constFirst() == points.constLast())
        --count;
    return count;
}

QString tooFewPoints(qsizetype index, const Polygon &polygon)
{
    return QStringLiteral("%1 has %2 distinct points; a layout polygon needs at least 3.")
        .arg(describe(index, polygon))
        .arg(distinctPointCount(polygon.points));
}

bool finite(const Point &p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Database units per length unit. A ratio such as 1e-6 / 1e-9 comes out as 999.9999999999999;
// taken as 1000 it puts 12.0005 um on 12001 nm, as the user expects, not on 12000.
double gridScale(double metresPerUnit, double databaseUnit)
{
    const double scale = metresPerUnit / databaseUnit;
    const double nearest = std::round(scale);
    return std::fabs(scale - nearest) <= 1e-9 * scale ? nearest : scale;
}

class GdsExport
{
public:
    GdsExport(const ProjectDocument &document, const QStringList &levelRoles,
              const LayoutExportOptions &options)
        : document(document), levelRoles(levelRoles), options(options),
          placement(document.geometry.box, options.origin),
          scale(gridScale(MetresPerLengthUnit(document.dimension.lengthUnit), options.databaseUnit))
    {}

    bool write(BufferedOutput &out, const QString &cellName, LayoutExportSummary &summary,
               QString &error)
    {
        const QDateTime time =
            options.timestamp.isValid() ? options.timestamp : QDateTime::currentDateTime();
        GdsStreamWriter gds(out);
        gds.beginLibrary(QByteArrayLiteral("TORVANE"), options.databaseUnit / metresPerMicrometre,
                         options.databaseUnit, time);
        gds.beginStructure(cellName.toLatin1(), time);
        const QList<Polygon> &polygons = document.geometry.polygons;
        for (qsizetype i = 0; i < polygons.size(); ++i) {
            const Polygon &polygon = polygons[i];
            if (isBrick(polygon)) {
                ++summary.bricks;
                continue;
            }
            const GdsLayer layer = layerOf(polygon);
            if (!checkLayer(i, polygon, layer, error) || !toGrid(i, polygon, error))
                return false;
            ++summary.polygons;
            if (ring.size() <= maxBoundaryPoints) {
                gds.boundary(layer, ring);
                ++summary.records;
                continue;
            }
            pieces.clear();
            if (!splitRing(ring, maxBoundaryPoints, pieces)) {
                error = QStringLiteral("%1 has %2 points, more than the %3 of a GDSII boundary, "
                                       "and cannot be cut into smaller pieces.")
                            .arg(describe(i, polygon))
                            .arg(ring.size())
                            .arg(maxBoundaryPoints);
                return false;
            }
            for (const GridRing &piece : pieces)
                gds.boundary(layer, piece);
            ++summary.splitPolygons;
            summary.records += static_cast<qsizetype>(pieces.size());
        }
        gds.endStructure();
        gds.endLibrary();
        return true;
    }

private:
    GdsLayer layerOf(const Polygon &polygon) const
    {
        const int level = clampedLevel(polygon.level);
        if (polygon.isVia())
            return options.layerMap.viaLayer(level, polygon.toLevel);
        return options.layerMap.metalLayer(level, levelRoles.value(level));
    }

    static bool checkLayer(qsizetype index, const Polygon &polygon, GdsLayer layer, QString &error)
    {
        const auto outside = [](int value) {
            return value < 0 || value > maxGdsLayerNumber;
        };
        if (!outside(layer.layer) && !outside(layer.datatype))
            return true;
        error = QStringLiteral("%1 goes to GDSII layer %2/%3, outside 0 to %4; map it with a "
                               "layer map.")
                    .arg(describe(index, polygon))
                    .arg(layer.layer)
                    .arg(layer.datatype)
                    .arg(maxGdsLayerNumber);
        return false;
    }

    bool toGrid(qsizetype index, const Polygon &polygon, QString &error)
    {
        ring.clear();
        ring.reserve(static_cast<std::size_t>(polygon.points.size()));
        constexpr double limit = std::numeric_limits<std::int32_t>::max();
        for (const Point &point : polygon.points) {
            const DxfPoint placed = placement.place(point);
            const double x = std::round(placed.x * scale);
            const double y = std::round(placed.y * scale);
            if (!(std::fabs(x) <= limit && std::fabs(y) <= limit)) {
                error =
                    QStringLiteral("%1 has the point (%2, %3) %4, which lies beyond the "
                                   "32-bit coordinates of GDSII at a database unit of %5; "
                                   "choose a larger database unit.")
                        .arg(describe(index, polygon))
                        .arg(point.x)
                        .arg(point.y)
                        .arg(document.dimension.lengthUnit, databaseUnitText(options.databaseUnit));
                return false;
            }
            ring.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
        }
        removeRepeatedPoints(ring);
        if (distinctPointCount(polygon.points) < 3) {
            error = tooFewPoints(index, polygon);
            return false;
        }
        if (ring.size() < 3 || doubledArea(ring) == 0) {
            error = QStringLiteral("%1 has no area at a database unit of %2.")
                        .arg(describe(index, polygon), databaseUnitText(options.databaseUnit));
            return false;
        }
        return true;
    }

    const ProjectDocument &document;
    const QStringList &levelRoles;
    const LayoutExportOptions &options;
    const Placement placement;
    const double scale;
    GridRing ring;
    std::vector<GridRing> pieces;
};

class DxfExport
{
public:
    DxfExport(const ProjectDocument &document, LayoutOrigin origin)
        : document(document), placement(document.geometry.box, origin)
    {}

    // Checks every polygon and finds the extents, before anything is written.
    bool check(QString &error)
    {
        const QList<Polygon> &polygons = document.geometry.polygons;
        for (qsizetype i = 0; i < polygons.size(); ++i) {
            const Polygon &polygon = polygons[i];
            if (isBrick(polygon))
                continue;
            if (distinctPointCount(polygon.points) < 3) {
                error = tooFewPoints(i, polygon);
                return false;
            }
            for (const Point &point : polygon.points) {
                if (!finite(point)) {
                    error = QStringLiteral("%1 has a point that is not a number.")
                                .arg(describe(i, polygon));
                    return false;
                }
                const DxfPoint p = placement.place(point);
                low = {std::min(low.x, p.x), std::min(low.y, p.y)};
                high = {std::max(high.x, p.x), std::max(high.y, p.y)};
            }
        }
        if (low.x > high.x)
            low = high = {0, 0};
        return true;
    }

    void write(BufferedOutput &out, LayoutExportSummary &summary)
    {
        const LayoutLevels levels = layoutLevels(document);
        QList<QByteArray> layers;
        for (const int level : levels.metalLevels)
            layers.append(dxfLayerName(level).toLatin1());
        for (const auto &[level, toLevel] : levels.viaPairs)
            layers.append(dxfViaLayerName(level, toLevel).toLatin1());
        DxfWriter dxf(out);
        dxf.begin(DxfWriter::insertionUnitsFor(MetresPerLengthUnit(document.dimension.lengthUnit)),
                  low, high, layers);
        std::vector<DxfPoint> ring;
        for (const Polygon &polygon : document.geometry.polygons) {
            if (isBrick(polygon)) {
                ++summary.bricks;
                continue;
            }
            ring.clear();
            for (const Point &point : polygon.points) {
                const DxfPoint p = placement.place(point);
                if (ring.empty() || p.x != ring.back().x || p.y != ring.back().y)
                    ring.push_back(p);
            }
            if (ring.size() > 1 && ring.front().x == ring.back().x &&
                ring.front().y == ring.back().y)
                ring.pop_back();
            const int level = clampedLevel(polygon.level);
            dxf.polygon(
                (polygon.isVia() ? dxfViaLayerName(level, polygon.toLevel) : dxfLayerName(level))
                    .toLatin1(),
                ring);
            ++summary.polygons;
            ++summary.records;
        }
        dxf.end();
    }

private:
    const ProjectDocument &document;
    const Placement placement;
    DxfPoint low{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    DxfPoint high{-std::numeric_limits<double>::infinity(),
                  -std::numeric_limits<double>::infinity()};
};
} // namespace

LayoutLevels layoutLevels(const ProjectDocument &document)
{
    std::set<int> metal;
    std::set<std::pair<int, int>> vias;
    for (const Polygon &polygon : document.geometry.polygons) {
        if (isBrick(polygon))
            continue;
        const int level = clampedLevel(polygon.level);
        if (polygon.isVia())
            vias.insert({std::min(level, polygon.toLevel), std::max(level, polygon.toLevel)});
        else
            metal.insert(level);
    }
    LayoutLevels levels;
    levels.metalLevels = QList<int>(metal.cbegin(), metal.cend());
    for (const auto &[low, high] : vias)
        levels.viaPairs.append({low, high});
    return levels;
}

QString dxfLayerName(int level)
{
    return QStringLiteral("LEVEL%1").arg(level);
}

QString dxfViaLayerName(int level, int toLevel)
{
    return QStringLiteral("VIA%1-%2")
        .arg(levelText(std::min(level, toLevel)), levelText(std::max(level, toLevel)));
}

torvane::Result<LayoutExportSummary> prepareLayoutFile(CheckedSaveFile &file,
                                                       const ProjectDocument &document,
                                                       const QStringList &levelRoles,
                                                       const LayoutExportOptions &options)
{
    using torvane::failure;
    const QString fileName = file.fileName();
    LayoutExportSummary result;
    const std::optional<LayoutFormat> format = layoutFormatFor(fileName);
    if (!format)
        return failure(QStringLiteral("the file name must end in .gds or .dxf."));
    result.format = *format;
    result.cellName = options.cellName.isEmpty() ? cellNameFor(fileName) : options.cellName;
    if (*format == LayoutFormat::Gdsii && !isValidCellName(result.cellName))
        return failure(QStringLiteral("the cell name '%1' is not one GDSII allows: at most 32 of "
                                      "A-Z, a-z, 0-9, _, ? and $.")
                           .arg(result.cellName));
    if (!isUsableDatabaseUnit(options.databaseUnit))
        return failure(QStringLiteral("the database unit lies outside 1 pm to 1 mm."));

    DxfExport dxf(document, options.origin);
    QString error;
    if (*format == LayoutFormat::Dxf && !dxf.check(error))
        return failure(error);

    if (!file.open())
        return failure(file.errorString());
    BufferedOutput out(file);
    if (*format == LayoutFormat::Dxf)
        dxf.write(out, result);
    else if (!GdsExport(document, levelRoles, options).write(out, result.cellName, result, error))
        return failure(error); // the unfinished temporary file goes with `file`
    if (!out.flush() || !file.finish())
        return failure(file.errorString());
    return result;
}

torvane::Result<LayoutExportSummary> exportLayout(const QString &fileName,
                                                  const ProjectDocument &document,
                                                  const QStringList &levelRoles,
                                                  const LayoutExportOptions &options)
{
    CheckedSaveFile file(fileName);
    torvane::Result<LayoutExportSummary> summary =
        prepareLayoutFile(file, document, levelRoles, options);
    if (summary && !file.commit())
        return torvane::failure(file.errorString());
    return summary;
}

} // namespace torvane
