#include "sonnet/numberformat.h"

#include <QLocale>

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

// Adds one unit of the last digit to a decimal string, carrying as far as needed.
void incrementLastDigit(QByteArray &digits)
{
    qsizetype i = digits.size() - 1;
    for (; i >= 0; --i) {
        char &c = digits[i];
        if (c == '.')
            continue;
        if (c < '0' || c > '9')
            break;
        if (c != '9') {
            ++c;
            return;
        }
        c = '0';
    }
    digits.insert(i + 1, '1');
}

// A seven-decimal tie needs an exact eighth decimal 5, and then the value times 256 is an
// integer; such values are printed exactly with eight decimals.
bool appendSevenDecimalTie(QByteArray &out, double value)
{
    const double scaled = std::ldexp(value, 8);
    if (!std::isfinite(scaled) || scaled != std::trunc(scaled))
        return false;
    QByteArray eight;
    appendChars(eight, value, std::chars_format::fixed, 8);
    if (!eight.endsWith('5'))
        return false;
    eight.chop(1);
    incrementLastDigit(eight);
    out.append(eight);
    return true;
}
} // namespace

// Both forms follow the text stream of the toolkit: ties round away from zero. Points keep
// the sign of a zero, so that "-0.0000000" reads back and is written the same way again.
void appendReal(QByteArray &out, double value)
{
    out.append(QLocale::c().toString(value, 'g', 6).toLatin1());
}

void appendFixed7(QByteArray &out, double value)
{
    if (!appendSevenDecimalTie(out, value))
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
