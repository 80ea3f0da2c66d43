#include "core/export/gdsstream.h"

#include "core/export/bufferedoutput.h"

#include <QDateTime>

#include <cmath>

namespace torvane {

namespace {
// Record types and data types of the stream format.
enum RecordType : unsigned char
{
    Header = 0x00,
    BgnLib = 0x01,
    LibName = 0x02,
    Units = 0x03,
    EndLib = 0x04,
    BgnStr = 0x05,
    StrName = 0x06,
    EndStr = 0x07,
    Boundary = 0x08,
    Layer = 0x0D,
    DataType = 0x0E,
    Xy = 0x10,
    EndEl = 0x11
};
enum DataKind : unsigned char
{
    NoData = 0x00,
    Int2 = 0x02,
    Int4 = 0x03,
    Real8 = 0x05,
    Ascii = 0x06
};

constexpr int streamVersion = 600;
} // namespace

std::array<unsigned char, 8> gdsReal(double value)
{
    std::array<unsigned char, 8> bytes{};
    if (value == 0 || !std::isfinite(value))
        return bytes;
    const bool negative = value < 0;
    double mantissa = std::fabs(value);
    int exponent = 64;
    // Dividing and multiplying by 16 is exact, so the mantissa keeps all 53 bits.
    while (mantissa >= 1) {
        mantissa /= 16;
        ++exponent;
    }
    while (mantissa < 1.0 / 16) {
        mantissa *= 16;
        --exponent;
    }
    if (exponent < 0 || exponent > 127)
        return bytes;
    auto bits = static_cast<std::uint64_t>(std::ldexp(mantissa, 56));
    bytes[0] = static_cast<unsigned char>((negative ? 0x80 : 0) | exponent);
    for (int i = 7; i >= 1; --i, bits >>= 8)
        bytes[i] = static_cast<unsigned char>(bits & 0xFF);
    return bytes;
}

void GdsStreamWriter::record(unsigned char type, unsigned char dataType, std::size_t dataBytes)
{
    const std::size_t length = dataBytes + 4;
    std::string &data = out.data();
    data.push_back(static_cast<char>(length >> 8));
    data.push_back(static_cast<char>(length & 0xFF));
    data.push_back(static_cast<char>(type));
    data.push_back(static_cast<char>(dataType));
}

void GdsStreamWriter::integer2(int value)
{
    const auto bits = static_cast<std::uint16_t>(value);
    out.put(static_cast<char>(bits >> 8));
    out.put(static_cast<char>(bits & 0xFF));
}

void GdsStreamWriter::integer4(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    std::string &data = out.data();
    data.push_back(static_cast<char>(bits >> 24));
    data.push_back(static_cast<char>((bits >> 16) & 0xFF));
    data.push_back(static_cast<char>((bits >> 8) & 0xFF));
    data.push_back(static_cast<char>(bits & 0xFF));
}

// Modification and access time alike: year, month, day, hour, minute, second, twice.
void GdsStreamWriter::dates(const QDateTime &time)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    for (int copy = 0; copy < 2; ++copy) {
        for (const int value :
             {date.year(), date.month(), date.day(), clock.hour(), clock.minute(), clock.second()})
            integer2(value);
    }
}

// Strings are padded with a NUL to an even length.
void GdsStreamWriter::text(const QByteArray &value)
{
    const std::size_t padded = (static_cast<std::size_t>(value.size()) + 1) & ~std::size_t(1);
    out.append(std::string_view(value.constData(), static_cast<std::size_t>(value.size())));
    if (padded != static_cast<std::size_t>(value.size()))
        out.put('\0');
}

void GdsStreamWriter::beginLibrary(const QByteArray &name, double userUnitsPerDatabaseUnit,
                                   double metresPerDatabaseUnit, const QDateTime &time)
{
    record(Header, Int2, 2);
    integer2(streamVersion);
    record(BgnLib, Int2, 24);
    dates(time);
    record(LibName, Ascii, (static_cast<std::size_t>(name.size()) + 1) & ~std::size_t(1));
    text(name);
    record(Units, Real8, 16);
    for (const double value : {userUnitsPerDatabaseUnit, metresPerDatabaseUnit}) {
        const std::array<unsigned char, 8> bytes = gdsReal(value);
        out.append(std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
    }
}

void GdsStreamWriter::beginStructure(const QByteArray &name, const QDateTime &time)
{
    record(BgnStr, Int2, 24);
    dates(time);
    record(StrName, Ascii, (static_cast<std::size_t>(name.size()) + 1) & ~std::size_t(1));
    text(name);
}

void GdsStreamWriter::boundary(GdsLayer layer, const GridRing &ring)
{
    record(Boundary, NoData, 0);
    record(Layer, Int2, 2);
    integer2(layer.layer);
    record(DataType, Int2, 2);
    integer2(layer.datatype);
    record(Xy, Int4, 8 * (ring.size() + 1));
    for (const GridPoint &p : ring) {
        integer4(p.x);
        integer4(p.y);
    }
    integer4(ring.front().x);
    integer4(ring.front().y);
    record(EndEl, NoData, 0);
    out.flushIfFull();
}

void GdsStreamWriter::endStructure()
{
    record(EndStr, NoData, 0);
}

void GdsStreamWriter::endLibrary()
{
    record(EndLib, NoData, 0);
}

} // namespace torvane
