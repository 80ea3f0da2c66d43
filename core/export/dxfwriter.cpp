#include "core/export/dxfwriter.h"

#include "core/export/bufferedoutput.h"
#include "core/sonnet/numberformat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace torvane {

namespace {
// A group code stands right-aligned in three columns, its value on the next line.
void writeCode(std::string &data, int code)
{
    std::array<char, 16> text{};
    if (code >= 0 && code < 1000) {
        text = {' ', ' ', ' ', '\n'};
        for (int i = 2; i >= 0 && (code > 0 || i == 2); --i, code /= 10)
            text[static_cast<std::size_t>(i)] = static_cast<char>('0' + code % 10);
        data.append(text.data(), 4);
        return;
    }
    const auto end = std::to_chars(text.data(), text.data() + text.size(), code).ptr;
    data.append(text.data(), static_cast<std::size_t>(end - text.data()));
    data.push_back('\n');
}
} // namespace

int DxfWriter::insertionUnitsFor(double metresPerUnit)
{
    static constexpr std::array<std::pair<double, int>, 6> codes{
        {{2.54e-5, 9}, {0.0254, 1}, {1e-6, 13}, {0.001, 4}, {0.01, 5}, {1.0, 6}}};
    for (const auto &[metres, code] : codes) {
        if (std::fabs(metresPerUnit - metres) <= metres * 1e-9)
            return code;
    }
    return 0;
}

void DxfWriter::group(int code, const char *value)
{
    std::string &data = out.data();
    writeCode(data, code);
    data.append(value);
    data.push_back('\n');
}

void DxfWriter::group(int code, const QByteArray &value)
{
    std::string &data = out.data();
    writeCode(data, code);
    data.append(value.constData(), static_cast<std::size_t>(value.size()));
    data.push_back('\n');
}

void DxfWriter::group(int code, long long value)
{
    std::array<char, 24> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    *end = '\0';
    group(code, text.data());
}

namespace {
// Seven decimals, the precision of points in project files, without trailing zeros.
void appendCoordinate(std::string &data, double value)
{
    char text[formatBufferSize];
    char *end = writeFixed7(text, value);
    if (std::find(text, end, '.') != end) {
        while (end[-1] == '0')
            --end;
        if (end[-1] == '.')
            --end;
    }
    if (end - text == 2 && text[0] == '-' && text[1] == '0')
        data.push_back('0');
    else
        data.append(text, static_cast<std::size_t>(end - text));
    data.push_back('\n');
}
} // namespace

void DxfWriter::point(DxfPoint p)
{
    std::string &data = out.data();
    data.append(" 10\n", 4);
    appendCoordinate(data, p.x);
    data.append(" 20\n", 4);
    appendCoordinate(data, p.y);
}

void DxfWriter::begin(int insertionUnits, DxfPoint low, DxfPoint high,
                      const QList<QByteArray> &layers)
{
    group(0, "SECTION");
    group(2, "HEADER");
    group(9, "$ACADVER");
    group(1, "AC1015");
    group(9, "$INSUNITS");
    group(70, insertionUnits);
    group(9, "$EXTMIN");
    point(low);
    group(9, "$EXTMAX");
    point(high);
    group(0, "ENDSEC");

    group(0, "SECTION");
    group(2, "TABLES");
    group(0, "TABLE");
    group(2, "LAYER");
    group(70, static_cast<long long>(layers.size()));
    // Colours 1 to 7 are the basic ones every viewer distinguishes.
    long long colour = 0;
    for (const QByteArray &layer : layers) {
        group(0, "LAYER");
        group(2, layer);
        group(70, 0LL);
        group(62, colour % 7 + 1);
        group(6, "CONTINUOUS");
        ++colour;
    }
    group(0, "ENDTAB");
    group(0, "ENDSEC");

    group(0, "SECTION");
    group(2, "ENTITIES");
}

void DxfWriter::polygon(const QByteArray &layer, const std::vector<DxfPoint> &ring)
{
    group(0, "LWPOLYLINE");
    group(100, "AcDbEntity");
    group(8, layer);
    group(100, "AcDbPolyline");
    group(90, static_cast<long long>(ring.size()));
    group(70, 1LL); // closed
    for (const DxfPoint &p : ring)
        point(p);
    out.flushIfFull();
}

void DxfWriter::end()
{
    group(0, "ENDSEC");
    group(0, "EOF");
}

} // namespace torvane
