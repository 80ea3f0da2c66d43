#include "core/sonnet/numberformat.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {
char *writeChars(char *out, double value, std::chars_format format, int precision)
{
    if (std::isnan(value))
        return std::copy_n("nan", 3, out);
    return std::to_chars(out, out + formatBufferSize, value, format, precision).ptr;
}

// The value times 1e7, correctly rounded to an integer with ties away from zero, for
// magnitudes whose product stays below 2^52. The product's rounding error (recovered with a
// fused multiply-add) decides the cases where the rounded product alone would mislead.
bool scaledBySevenDecimals(double magnitude, std::uint64_t &result)
{
    const double product = magnitude * 1e7;
    if (!(product < 4503599627370496.0)) // 2^52; also false for nan and inf
        return false;
    const double error = std::fma(magnitude, 1e7, -product);
    const double whole = std::floor(product);
    const double aboveHalf = (product - whole) - 0.5; // exact where it matters
    // On an apparent tie the error says which side the exact value lies on; none is a true tie.
    const bool up = aboveHalf != 0 ? aboveHalf > 0 : error >= 0;
    result = static_cast<std::uint64_t>(whole) + (up ? 1 : 0);
    return true;
}
} // namespace

// Both forms follow the text stream of the toolkit: ties round away from zero. Points keep
// the sign of a zero, so that "-0.0000000" reads back and is written the same way again.
char *writeReal(char *out, double value)
{
    const QByteArray text = QLocale::c().toString(value, 'g', 6).toLatin1();
    std::memcpy(out, text.constData(), static_cast<std::size_t>(text.size()));
    return out + text.size();
}

char *writeFixed7(char *out, double value)
{
    std::uint64_t scaled = 0;
    if (!scaledBySevenDecimals(std::fabs(value), scaled))
        return writeChars(out, value, std::chars_format::fixed, 7);
    if (std::signbit(value))
        *out++ = '-';
    out = std::to_chars(out, out + 24, scaled / 10000000).ptr;
    *out++ = '.';
    std::uint64_t fraction = scaled % 10000000;
    for (int i = 6; i >= 0; --i) {
        out[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    return out + 7;
}

char *writeInteger(char *out, long long value)
{
    return std::to_chars(out, out + 24, value).ptr;
}

QByteArray formatRealBytes(double value)
{
    char buffer[formatBufferSize];
    return QByteArray(buffer, writeReal(buffer, value) - buffer);
}

QByteArray formatFixed7Bytes(double value)
{
    char buffer[formatBufferSize];
    return QByteArray(buffer, writeFixed7(buffer, value) - buffer);
}
