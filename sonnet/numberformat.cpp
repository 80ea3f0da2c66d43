#include "sonnet/numberformat.h"

#include <charconv>
#include <cmath>

namespace {
// Large enough for any double in fixed form with seven decimals.
constexpr int bufferSize = 400;

void appendChars(QByteArray &out, double value, std::chars_format format, int precision)
{
    if (std::isnan(value)) {
        out.append("nan");
        return;
    }
    char buffer[bufferSize];
    const auto result = std::to_chars(buffer, buffer + bufferSize, value, format, precision);
    out.append(buffer, result.ptr - buffer);
}
} // namespace

void appendReal(QByteArray &out, double value)
{
    appendChars(out, value, std::chars_format::general, 6);
}

void appendFixed7(QByteArray &out, double value)
{
    appendChars(out, value, std::chars_format::fixed, 7);
}

void appendInteger(QByteArray &out, long long value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

QByteArray formatRealBytes(double value)
{
    QByteArray out;
    appendReal(out, value);
    return out;
}

QByteArray formatFixed7Bytes(double value)
{
    QByteArray out;
    appendFixed7(out, value);
    return out;
}
