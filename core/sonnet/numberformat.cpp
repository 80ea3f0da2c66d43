#include "core/sonnet/numberformat.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace torvane {

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
    const auto whole = static_cast<std::int64_t>(product); // its floor, being positive
    const double aboveHalf = (product - static_cast<double>(whole)) - 0.5; // exact
    // On an apparent tie the error says which side the exact value lies on; none is a true tie.
    const bool up = aboveHalf > 0 || (aboveHalf == 0 && std::fma(magnitude, 1e7, -product) >= 0);
    result = static_cast<std::uint64_t>(whole) + (up ? 1 : 0);
    return true;
}

// The four digits of every number below 10000, leading zeros included, one after the other,
// and room to copy four bytes from any place in them: points take three groups each, looked
// up instead of divided out digit by digit.
constexpr auto digitGroups = [] {
    std::array<char, 4 * 10000 + 4> groups{};
    for (std::size_t n = 0; n < 10000; ++n) {
        std::size_t rest = n;
        for (std::size_t i = 4; i-- > 0; rest /= 10)
            groups[4 * n + i] = static_cast<char>('0' + rest % 10);
    }
    return groups;
}();

// Copies four bytes, of which the last `count` digits of the group of `value` come first.
void copyDigits(char *out, std::uint32_t value, int count)
{
    std::memcpy(out, &digitGroups[4 * value + 4 - static_cast<std::uint32_t>(count)], 4);
}

char *writeWhole(char *out, std::uint64_t whole)
{
    if (whole >= 10000)
        return std::to_chars(out, out + 24, whole).ptr;
    const auto value = static_cast<std::uint32_t>(whole);
    const int count = 1 + (value >= 10) + (value >= 100) + (value >= 1000);
    copyDigits(out, value, count);
    return out + count;
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
    out = writeWhole(out, scaled / 10000000);
    *out++ = '.';
    // Groups are copied whole; what follows overwrites the bytes beyond the digits wanted,
    // and nothing is written past the number's end.
    const auto fraction = static_cast<std::uint32_t>(scaled % 10000000);
    copyDigits(out, fraction / 10000, 3);
    copyDigits(out + 3, fraction % 10000, 4);
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

QString formatPlain(double value, int significant)
{
    const double magnitude = std::fabs(value);
    if (!std::isfinite(value) || (magnitude != 0 && (magnitude < 1e-6 || magnitude >= 1e12)))
        return QString::number(value, 'g', significant);
    const int exponent = magnitude == 0 ? 0 : static_cast<int>(std::floor(std::log10(magnitude)));
    QString text = QString::number(value, 'f', std::clamp(significant - 1 - exponent, 0, 15));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

} // namespace torvane
