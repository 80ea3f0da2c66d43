#include "core/sonnet/projectio.h"

#include "core/sonnet/polygonbatches.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace torvane {

namespace {
bool isAsciiSpace(char c)
{
    return SonTextReader::isSpace(c);
}

// Trims ASCII whitespace only: bytes such as 0xA0 belong to the name.
QByteArrayView trimmedAscii(QByteArrayView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isAsciiSpace(text[first]))
        ++first;
    while (last > first && isAsciiSpace(text[last - 1]))
        --last;
    return text.sliced(first, last - first);
}

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Words such as "TLAYNAM" that stand where a polygon's points are expected start a keyword
// line of the polygon; numbers (inf and nan included) and "END" do not.
bool startsKeywordLine(QByteArrayView word)
{
    if (word.isEmpty() || word == "END" || !isLetter(word.front()))
        return false;
    const QByteArray lower = word.toByteArray().toLower();
    return lower != "inf" && lower != "nan";
}

// A polygon's fill type and flag are single letters: each such word is shared static text,
// like a string literal, instead of an allocation for every polygon.
QString sharedWord(QByteArrayView word)
{
    static constexpr auto letters = [] {
        std::array<std::array<char16_t, 2>, 256> table{};
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = {static_cast<char16_t>(i), u'\0'};
        return table;
    }();
    if (word.size() != 1)
        return QString::fromLatin1(word);
    const auto &letter = letters[static_cast<unsigned char>(word.front())];
    return QString::fromRawData(reinterpret_cast<const QChar *>(letter.data()), 1);
}

void readPolygonHeader(QByteArrayView headerLine, Polygon &polygon, std::int64_t &pointCount)
{
    SonTextReader header(headerLine);
    polygon.level = header.readUnsigned();
    pointCount = header.readInteger();
    polygon.metalType = header.readInt();
    // A cut header keeps the defaults of its missing words, so that it is written readably.
    if (const QByteArrayView fill = header.readWordView(); !fill.isEmpty())
        polygon.fillType = sharedWord(fill);
    polygon.debugId = header.readInt();
    for (int &value : polygon.headerIntegers)
        value = header.readInt();
    if (const QByteArrayView flag = header.readWordView(); !flag.isEmpty())
        polygon.headerFlag = sharedWord(flag);
}

void readKeywordLines(SonTextReader &in, Polygon &polygon)
{
    while (!in.atEnd()) {
        in.skipSpace();
        // A point's line, the usual case, is told by its first byte, without taking its word.
        if (in.atEnd() || !isLetter(*in.position()))
            return;
        SonTextReader peek = in;
        if (!startsKeywordLine(peek.readWordView()))
            return;
        polygon.extraLines.append(in.readLine());
    }
}

// Room for a claimed count of items, each taking at least `minimumBytes` of the text, is
// made only when the text left can hold them all: an absurd count reserves nothing. Returns
// the size the list would reach.
template <typename T>
qsizetype reserveForClaim(QList<T> &list, std::int64_t count, const SonTextReader &in,
                          int minimumBytes)
{
    if (count <= 0 || count > in.remainingBytes() / minimumBytes)
        return 0;
    const qsizetype claimedSize = list.size() + static_cast<qsizetype>(count);
    list.reserve(claimedSize);
    return claimedSize;
}

// A count that claimed more than came gives back the room it was given.
template <typename T> void releaseUnclaimed(QList<T> &list, qsizetype claimedSize)
{
    if (list.size() < claimedSize)
        list.squeeze();
}

// What a line holds after its last value: kept with a blank before it, or nothing when it is
// blank.
QString restAfterValues(QByteArrayView rest)
{
    if (trimmedAscii(rest).isEmpty())
        return {};
    const QString text = QString::fromLatin1(rest);
    return isAsciiSpace(rest.front()) ? text : QLatin1Char(' ') + text;
}

// The rest of the line that `from` lies on, when reading has not left that line yet.
QString restOfRecordLine(SonTextReader &in, const char *from)
{
    if (std::memchr(from, '\n', static_cast<std::size_t>(in.position() - from)))
        return {};
    return restAfterValues(in.readLineView());
}

void readPoints(SonTextReader &in, std::int64_t pointCount, QList<Point> &points)
{
    // A point takes at least four bytes of text ("0 0\n").
    const qsizetype claimedSize = reserveForClaim(points, pointCount, in, 4);
    for (std::int64_t i = 0; i < pointCount && !in.atEnd(); ++i) {
        double x = 0;
        double y = 0;
        if (!in.readRealPair(x, y))
            break;
        points.emplaceBack(x, y);
    }
    releaseUnclaimed(points, claimedSize);
}

enum class GeoLine
{
    Unknown,
    TopMetal,
    BottomMetal,
    Metal,
    Box,
    ReferencePlane,
    Evia,
    Port,
    PolygonSection,
    End
};

// What a GEO line holds, by its first word; `words` stands after it. A polygon's type line
// ("MET POLYGON") in a kept block is no metal type, and only "END GEO" ends the block: nested
// blocks (TECHLAY, GEOVAR, ...) have bare END lines of their own.
GeoLine geoLine(QByteArrayView word, SonTextReader words)
{
    if (word == "TMET")
        return GeoLine::TopMetal;
    if (word == "BMET")
        return GeoLine::BottomMetal;
    if (word == "MET") {
        const bool typeLine = words.readWordView() == "POLYGON" && words.readWordView().isEmpty();
        return typeLine ? GeoLine::Unknown : GeoLine::Metal;
    }
    if (word == "BOX")
        return GeoLine::Box;
    if (word == "DRP1")
        return GeoLine::ReferencePlane;
    if (word == "EVIA" || word == "EVIAS")
        return GeoLine::Evia;
    if (word == "POR1")
        return GeoLine::Port;
    if (word == "NUM")
        return GeoLine::PolygonSection;
    if (word == "END" && trimmedAscii(QByteArrayView(words.position(), words.remainingBytes())) ==
                             QByteArrayView("GEO"))
        return GeoLine::End;
    return GeoLine::Unknown;
}

// Reads the record after its keyword; the kept items after it follow it.
void readGeometryRecord(SonTextReader &in, GeoLine kind, GeometryBlock &geometry,
                        KeptItemReader &kept)
{
    const auto last = [](const auto &list) {
        return static_cast<int>(list.size()) - 1;
    };
    switch (kind) {
    case GeoLine::TopMetal:
        geometry.topMetal = MetalType{QStringLiteral("TMET"), {}, 0, {}, {}};
        readMetalLine(in, geometry.topMetal);
        kept.follow(GeoRecord::TopMetal);
        break;
    case GeoLine::BottomMetal:
        geometry.bottomMetal = MetalType{QStringLiteral("BMET"), {}, 0, {}, {}};
        readMetalLine(in, geometry.bottomMetal);
        kept.follow(GeoRecord::BottomMetal);
        break;
    case GeoLine::Metal:
        geometry.metalTypes.append(MetalType{QStringLiteral("MET"), {}, 0, {}, {}});
        readMetalLine(in, geometry.metalTypes.last());
        kept.follow(GeoRecord::MetalType, last(geometry.metalTypes));
        break;
    case GeoLine::Box:
        readBox(in, geometry);
        kept.follow(GeoRecord::Box);
        break;
    case GeoLine::ReferencePlane:
        if (auto plane = readReferencePlane(in)) {
            geometry.referencePlanes.append(*plane);
            kept.follow(GeoRecord::ReferencePlane, last(geometry.referencePlanes));
        }
        break;
    case GeoLine::Evia:
        geometry.eviaRecords.append(readEviaRecord(in));
        break;
    case GeoLine::Port:
        geometry.ports.append(readPort(in));
        kept.follow(GeoRecord::Port, last(geometry.ports));
        break;
    case GeoLine::PolygonSection:
        readPolygonSection(in, geometry.polygons);
        kept.follow(GeoRecord::Polygons);
        break;
    case GeoLine::Unknown:
    case GeoLine::End:
        break;
    }
}
} // namespace

void readGeometryBlock(SonTextReader &in, GeometryBlock &geometry)
{
    in.skipRestOfLine();
    KeptItemReader kept(geometry.keptItems);
    while (!in.atEnd()) {
        SonTextReader ahead = in;
        const QByteArrayView line = ahead.readLineView();
        SonTextReader words(line);
        const QByteArrayView word = words.readWordView();
        const GeoLine kind = geoLine(word, words);
        if (kind == GeoLine::Unknown) {
            if (!word.isEmpty() || kept.insideBlock())
                kept.add(line);
            in = ahead;
            continue;
        }
        if (kind == GeoLine::End) {
            in = ahead;
            return;
        }
        in.skipTo(word.data() + word.size());
        readGeometryRecord(in, kind, geometry, kept);
    }
}

void writeGeometryBlock(SonTextWriter &out, const GeometryBlock &geometry)
{
    KeptItemWriter kept(geometry.keptItems);
    out << "GEO\n";
    kept.writeUpTo(out, GeoRecord::Start);
    writeMetalLine(out, geometry.topMetal);
    kept.writeUpTo(out, GeoRecord::TopMetal);
    writeMetalLine(out, geometry.bottomMetal);
    kept.writeUpTo(out, GeoRecord::BottomMetal);
    for (qsizetype i = 0; i < geometry.metalTypes.size(); ++i) {
        writeMetalLine(out, geometry.metalTypes[i]);
        kept.writeUpTo(out, GeoRecord::MetalType, static_cast<int>(i));
    }
    writeBox(out, geometry);
    kept.writeUpTo(out, GeoRecord::Box);
    for (qsizetype i = 0; i < geometry.referencePlanes.size(); ++i) {
        writeReferencePlane(out, geometry.referencePlanes[i]);
        kept.writeUpTo(out, GeoRecord::ReferencePlane, static_cast<int>(i));
    }
    for (qsizetype i = 0; i < geometry.ports.size(); ++i) {
        writePort(out, geometry.ports[i]);
        kept.writeUpTo(out, GeoRecord::Port, static_cast<int>(i));
    }
    out << "NUM " << static_cast<long long>(geometry.polygons.size()) << '\n';
    writePolygons(out, geometry.polygons);
    kept.writeUpTo(out, GeoRecord::Polygons);
    out << "END GEO\n";
}

void readMetalLine(SonTextReader &in, MetalType &metal)
{
    SonTextReader line(in.readLineView());
    QByteArray name = line.readWordView().toByteArray();
    if (name.count('"') == 1) {
        // A quoted name with blanks: gather words up to the closing quote or the line's end.
        while (name.count('"') < 2) {
            const QByteArrayView word = line.readWordView();
            if (word.isEmpty())
                break;
            name.append(' ').append(word);
        }
    }
    name.replace("\"", "");
    metal.name = QString::fromLatin1(name);
    metal.number = line.readUnsigned();
    metal.model = line.readWord();
    metal.parameters.clear();
    while (!line.atEnd())
        metal.parameters += QLatin1Char(' ') + line.readWord();
}

void writeMetalLine(SonTextWriter &out, const MetalType &metal)
{
    out << metal.keyword << " \"" << metal.name << "\" " << metal.number << ' ' << metal.model
        << metal.parameters << '\n';
}

void readBox(SonTextReader &in, GeometryBlock &geometry)
{
    const std::int64_t levelCount = in.readInteger();
    SonTextReader line(in.readLineView());
    BoxSettings &box = geometry.box;
    box.xWidth = line.readReal();
    box.yWidth = line.readReal();
    box.xCells2 = line.readInt();
    box.yCells2 = line.readInt();
    box.boxInteger = line.readInt();
    box.boxReal = line.readReal();
    for (std::int64_t i = 0; i <= levelCount && !in.atEnd(); ++i)
        geometry.dielectricLayers.append(readDielectricLayerLine(in));
}

void writeBox(SonTextWriter &out, const GeometryBlock &geometry)
{
    const BoxSettings &box = geometry.box;
    out << "BOX " << static_cast<long long>(geometry.dielectricLayers.size() - 1) << ' '
        << box.xWidth << ' ' << box.yWidth << ' ' << box.xCells2 << ' ' << box.yCells2 << ' '
        << box.boxInteger << ' ' << box.boxReal << '\n';
    for (const DielectricLayer &layer : geometry.dielectricLayers)
        writeDielectricLayerLine(out, layer);
}

DielectricLayer readDielectricLayerLine(SonTextReader &in)
{
    const QByteArrayView text = in.readLineView();
    SonTextReader line(text);
    DielectricLayer layer;
    layer.thickness = line.readReal();
    layer.relativePermittivity = line.readReal();
    layer.relativePermeability = line.readReal();
    layer.dielectricLossTangent = line.readReal();
    layer.magneticLossTangent = line.readReal();
    layer.dielectricConductivity = line.readReal();
    layer.layerInteger = line.readInt();
    // Words after a quoted name (an anisotropic layer's "A 11.5 1 0 0 0") are no part of it.
    QByteArrayView tail(line.position(), line.remainingBytes());
    const qsizetype first = tail.indexOf('"');
    const qsizetype closing = tail.lastIndexOf('"');
    if (first >= 0 && closing > first && !trimmedAscii(tail.first(first)).size()) {
        layer.rest = restAfterValues(tail.sliced(closing + 1));
        tail = tail.first(closing);
    }
    QByteArray name = tail.toByteArray();
    name.replace("\"", "");
    layer.name = QString::fromLatin1(trimmedAscii(name));
    return layer;
}

void writeDielectricLayerLine(SonTextWriter &out, const DielectricLayer &layer)
{
    out << "      " << layer.thickness << ' ' << layer.relativePermittivity << ' '
        << layer.relativePermeability << ' ' << layer.dielectricLossTangent << ' '
        << layer.magneticLossTangent << ' ' << layer.dielectricConductivity << ' '
        << layer.layerInteger << " \"" << layer.name << '"' << layer.rest << '\n';
}

void readPolygonSection(SonTextReader &in, QList<Polygon> &polygons)
{
    const std::int64_t count = in.readInteger();
    in.skipRestOfLine();
    // A polygon as written takes at least 30 bytes: its header line and "END". Polygons
    // written more tightly still fit, only without room made in advance.
    const qsizetype claimedSize = reserveForClaim(polygons, count, in, 30);
    for (std::int64_t i = readPolygonsInParts(in, count, polygons); i < count && !in.atEnd(); ++i)
        readPolygon(in, polygons.emplaceBack());
    releaseUnclaimed(polygons, claimedSize);
}

Polygon readPolygon(SonTextReader &in)
{
    Polygon polygon;
    readPolygon(in, polygon);
    return polygon;
}

void readPolygon(SonTextReader &in, Polygon &polygon)
{
    QByteArrayView headerLine = in.readLineView();
    const QByteArrayView firstWord = SonTextReader(headerLine).readWordView();
    if (firstWord == "MET" || firstWord == "BRI" || firstWord == "VIA") {
        polygon.type = QString::fromLatin1(headerLine);
        headerLine = in.readLineView();
    }
    std::int64_t pointCount = 0;
    readPolygonHeader(headerLine, polygon, pointCount);
    if (polygon.isVia()) {
        SonTextReader toLevelLine(in.readLineView());
        toLevelLine.readWordView();
        // Vias down to the ground plane would otherwise become vias to level 0.
        const QByteArrayView target = toLevelLine.readWordView();
        polygon.toLevel = target == "GND" ? groundLevel : SonTextReader(target).readInt();
        if (QString rest = restAfterValues(
                QByteArrayView(toLevelLine.position(), toLevelLine.remainingBytes()));
            !rest.isEmpty())
            polygon.extraLines.append(std::move(rest));
    }
    readKeywordLines(in, polygon);
    readPoints(in, pointCount, polygon.points);
    in.readWordView();
    in.skipRestOfLine();
}

void writePolygon(SonTextWriter &out, const Polygon &polygon)
{
    if (!polygon.type.isEmpty())
        out << polygon.type << '\n';
    out << polygon.level << ' ' << static_cast<long long>(polygon.points.size()) << ' '
        << polygon.metalType << ' ' << polygon.fillType << ' ' << polygon.debugId;
    for (const int value : polygon.headerIntegers)
        out << ' ' << value;
    out << ' ' << polygon.headerFlag << '\n';
    qsizetype firstExtraLine = 0;
    if (polygon.isVia()) {
        out << "TOLEVEL ";
        if (polygon.toLevel == groundLevel)
            out << "GND";
        else
            out << polygon.toLevel;
        if (!polygon.extraLines.isEmpty() &&
            polygon.extraLines.constFirst().startsWith(QLatin1Char(' ')))
            out << polygon.extraLines[firstExtraLine++];
        out << '\n';
    }
    for (qsizetype i = firstExtraLine; i < polygon.extraLines.size(); ++i)
        out << polygon.extraLines[i] << '\n';
    for (const Point &point : polygon.points) {
        out.fixed7(point.x) << ' ';
        out.fixed7(point.y) << '\n';
    }
    out << "END\n";
}

Port readPort(SonTextReader &in)
{
    Port port;
    if (const QByteArrayView type = in.readWordView(); !type.isEmpty())
        port.type = QString::fromLatin1(type);
    in.readWordView(); // "POLY"
    port.link.polygonId = in.readInt();
    port.link.count = in.readInt();
    port.link.vertexIndex = in.readInt();
    in.skipRestOfLine();
    port.portNumber = in.readInt();
    const char *values = in.position();
    for (double &value : port.portReals)
        value = in.readReal();
    if (port.type == QLatin1String("AGND")) {
        // The extra word belongs to the port's line; a cut line gets the usual "NONE".
        port.extraWord = QString::fromLatin1(in.readWordOnLineView());
        if (port.extraWord.isEmpty())
            port.extraWord = QStringLiteral("NONE");
        port.extraReal = in.readReal();
    }
    port.rest = restOfRecordLine(in, values);
    return port;
}

void writePort(SonTextWriter &out, const Port &port)
{
    out << "POR1 " << port.type << '\n';
    out << "POLY " << port.link.polygonId << ' ' << port.link.count << '\n';
    out << port.link.vertexIndex << '\n';
    out << port.portNumber;
    for (const double value : port.portReals)
        out << ' ' << value;
    if (port.type == QLatin1String("AGND"))
        out << ' ' << port.extraWord << ' ' << port.extraReal;
    out << port.rest << '\n';
}

std::optional<ReferencePlane> readReferencePlane(SonTextReader &in)
{
    // Side and type belong to the "DRP1" line. A line without them says nothing usable, and
    // keeping it would write a line that reads back as something else; its link goes with it.
    ReferencePlane plane;
    plane.side = QString::fromLatin1(in.readWordOnLineView());
    plane.type = QString::fromLatin1(in.readWordOnLineView());
    const bool typed = !plane.side.isEmpty() && !plane.type.isEmpty();
    if (typed && plane.type == QLatin1String("FIX")) {
        const char *values = in.position();
        plane.length = in.readReal();
        plane.rest = restOfRecordLine(in, values);
        return plane;
    }
    // Only a "POLY" link or a word on the plane's own line belongs to it; anything else
    // starts the next record.
    SonTextReader peek = in;
    if (peek.readWordView() != "POLY") {
        if (!typed)
            return std::nullopt;
        in.readWordOnLineView();
        return plane;
    }
    in = peek;
    PolygonLink link;
    link.polygonId = in.readInt();
    link.count = in.readInt();
    link.vertexIndex = in.readInt();
    in.skipRestOfLine();
    plane.link = link;
    return typed ? std::optional(plane) : std::nullopt;
}

void writeReferencePlane(SonTextWriter &out, const ReferencePlane &plane)
{
    out << "DRP1 " << plane.side << ' ' << plane.type << ' ';
    if (plane.type == QLatin1String("FIX"))
        out << plane.length << plane.rest;
    else if (plane.link)
        out << "POLY " << plane.link->polygonId << ' ' << plane.link->count << '\n'
            << plane.link->vertexIndex;
    out << '\n';
}

EviaRecord readEviaRecord(SonTextReader &in)
{
    EviaRecord record;
    record.valueB = in.readInt();
    record.valueC = in.readInt();
    record.valueA = in.readUnsigned();
    return record;
}

} // namespace torvane
