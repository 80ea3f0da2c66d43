#include "core/sonnet/sontextreader.h"

#include "core/files/mappedfile.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace torvane {

namespace {
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool startsWithNoCase(const char *p, const char *end, const char *word)
{
    const std::size_t n = std::strlen(word);
    if (static_cast<std::size_t>(end - p) < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        if ((p[i] | 0x20) != word[i])
            return false;
    }
    return true;
}

// Eight bytes at a time: a point's coordinate ("-1234.5678901") is read in a few steps instead
// of a branch per digit.
constexpr bool littleEndian = std::endian::native == std::endian::little;
constexpr std::uint64_t eachByte(std::uint8_t byte)
{
    return 0x0101010101010101u * byte;
}

std::uint64_t loadEightDigits(const char *p)
{
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, p, sizeof bytes);
    return bytes ^ eachByte('0'); // digits become 0 to 9, every other byte 10 or more
}

int leadingDigitCount(std::uint64_t digits)
{
    const std::uint64_t highBit = eachByte(0x80);
    const std::uint64_t notDigit = (((digits & ~highBit) + eachByte(0x76)) | digits) & highBit;
    return notDigit == 0 ? 8 : std::countr_zero(notDigit) / 8;
}

// The value of the first `count` (1 to 8) digits.
std::uint64_t leadingDigitsValue(std::uint64_t digits, int count)
{
    std::uint64_t v = digits << (8 * (8 - count)); // later bytes drop out, zeros lead
    v = v * 10 + (v >> 8);
    const std::uint64_t pairs = 0x000000FF000000FF;
    v = ((v & pairs) * (100 + (1000000ull << 32)) + ((v >> 16) & pairs) * (1 + (10000ull << 32))) >>
        32;
    return v & 0xFFFFFFFF;
}

// A number of up to seven digits on each side of the point, no exponent, and an optional sign,
// from a position with at least 17 bytes after it: its value and its end, or nullptr. At most
// fourteen digits are exact as a double, so one division rounds correctly.
// Inlined: the two of a point are then read side by side.
[[gnu::always_inline]] inline const char *readShortDecimal(const char *p, double &value)
{
    static constexpr std::uint64_t scales[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
    static constexpr double powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
    const bool negative = *p == '-';
    p += negative || *p == '+';
    const std::uint64_t whole = loadEightDigits(p);
    const int wholeDigits = leadingDigitCount(whole);
    if (wholeDigits == 8)
        return nullptr;
    p += wholeDigits;
    std::uint64_t digitsValue = wholeDigits > 0 ? leadingDigitsValue(whole, wholeDigits) : 0;
    int fractionDigits = 0;
    if (*p == '.') {
        const std::uint64_t fraction = loadEightDigits(p + 1);
        fractionDigits = leadingDigitCount(fraction);
        if (fractionDigits == 8)
            return nullptr;
        if (fractionDigits > 0) {
            digitsValue =
                digitsValue * scales[fractionDigits] + leadingDigitsValue(fraction, fractionDigits);
        }
        p += 1 + fractionDigits;
    }
    if (wholeDigits + fractionDigits == 0 || (*p | 0x20) == 'e')
        return nullptr;
    const double magnitude = static_cast<double>(digitsValue) / powers[fractionDigits];
    // The sign as a bit, not a branch: coordinates change sign unpredictably.
    value = std::bit_cast<double>(std::bit_cast<std::uint64_t>(magnitude) | std::uint64_t{negative}
                                                                                << 63);
    return p;
}
} // namespace

SonTextReader::SonTextReader(PageWindow &window) : SonTextReader(window, window.end()) {}

SonTextReader::SonTextReader(PageWindow &window, const char *end)
    : pos(window.begin()), end(end), window(&window), nextReport(window.advance(pos))
{}

void SonTextReader::tellWindow()
{
    nextReport = window->advance(pos);
}

QByteArrayView SonTextReader::readWordView()
{
    skipSpace();
    const char *start = pos;
    while (pos != end && !isSpace(*pos))
        ++pos;
    return QByteArrayView(start, pos - start);
}

QByteArrayView SonTextReader::readWordOnLineView()
{
    while (pos != end && *pos != '\n' && isSpace(*pos))
        ++pos;
    if (pos == end || *pos == '\n')
        return QByteArrayView(pos, 0);
    return readWordView();
}

QByteArrayView SonTextReader::readLineView()
{
    const char *start = pos;
    const void *newline = std::memchr(pos, '\n', static_cast<std::size_t>(end - pos));
    const char *lineEnd = newline ? static_cast<const char *>(newline) : end;
    pos = newline ? lineEnd + 1 : end;
    reportProgress();
    // Every CR before the LF (or the end) belongs to the line end; a line that kept one would
    // be written back with "\r\n" and read differently the next time.
    while (lineEnd != start && lineEnd[-1] == '\r')
        --lineEnd;
    return QByteArrayView(start, lineEnd - start);
}

std::int64_t SonTextReader::readInteger(bool *ok)
{
    skipSpace();
    const char *p = pos;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || !isDigit(*p)) {
        if (ok)
            *ok = false;
        return 0;
    }
    // Saturate instead of overflowing: the value of an absurd count stays harmless.
    constexpr std::uint64_t limit = std::uint64_t(std::numeric_limits<std::int64_t>::max());
    std::uint64_t value = 0;
    for (; p != end && isDigit(*p); ++p) {
        const unsigned digit = unsigned(*p - '0');
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    pos = p;
    if (ok)
        *ok = true;
    const auto magnitude = static_cast<std::int64_t>(value);
    return negative ? -magnitude : magnitude;
}

int SonTextReader::readInt(bool *ok)
{
    const std::int64_t value = readInteger(ok);
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

unsigned SonTextReader::readUnsigned(bool *ok)
{
    // Wraps like a C conversion, so "-1" reads as the largest value and is written back as such.
    return static_cast<unsigned>(static_cast<std::uint64_t>(readInteger(ok)));
}

bool SonTextReader::readRealPair(double &first, double &second)
{
#ifdef __SSE2__
    // A point's line as written: the two reals with one space between them, after the line
    // end before. The space is found first, so that both are read at once instead of the
    // second waiting to learn where the first ends. Anything else takes the general way.
    if (littleEndian && end - pos >= 64) {
        const char *start = pos + (*pos == '\n' ? 1 : *pos == '\r' && pos[1] == '\n' ? 2 : 0);
        const __m128i space = _mm_set1_epi8(' ');
        const auto spacesIn = [&](const char *at) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
            return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, space)));
        };
        if (const unsigned spaces = spacesIn(start) | spacesIn(start + 16) << 16; spaces != 0) {
            const char *gap = start + std::countr_zero(spaces);
            double firstValue = 0;
            double secondValue = 0;
            const char *firstEnd = readShortDecimal(start, firstValue);
            const char *secondEnd = readShortDecimal(gap + 1, secondValue);
            if (firstEnd == gap && secondEnd) {
                first = firstValue;
                second = secondValue;
                pos = secondEnd;
                reportProgress();
                return true;
            }
        }
    }
#endif
    bool ok = false;
    first = readReal(&ok);
    if (ok)
        second = readReal(&ok);
    return ok;
}

double SonTextReader::readReal(bool *ok)
{
    skipSpace();
    if (double value = 0; littleEndian && end - pos >= 17) {
        if (const char *stop = readShortDecimal(pos, value)) {
            pos = stop;
            if (ok)
                *ok = true;
            return value;
        }
    }
    const char *p = pos;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const auto finish = [&](const char *stop, double value) {
        pos = stop;
        if (ok)
            *ok = true;
        return negative ? -value : value;
    };
    if (p != end && (*p | 0x20) == 'i' && startsWithNoCase(p, end, "inf"))
        return finish(p + 3, std::numeric_limits<double>::infinity());
    if (p != end && (*p | 0x20) == 'n' && startsWithNoCase(p, end, "nan"))
        return finish(p + 3, std::numeric_limits<double>::quiet_NaN());

    // One pass finds the number's extent and, for the usual short numbers, its value.
    const char *mantissa = p;
    std::uint64_t digitsValue = 0;
    int significantDigits = 0;
    int fractionDigits = 0;
    std::size_t digits = 0;
    const auto takeDigit = [&](char c) {
        ++digits;
        if (significantDigits < 19 && (digitsValue != 0 || c != '0')) {
            digitsValue = digitsValue * 10 + unsigned(c - '0');
            ++significantDigits;
            return true;
        }
        return digitsValue == 0; // leading zeros cost nothing
    };
    bool exact = true;
    while (p != end && isDigit(*p))
        exact &= takeDigit(*p++);
    if (p != end && *p == '.') {
        ++p;
        while (p != end && isDigit(*p)) {
            exact &= takeDigit(*p++);
            ++fractionDigits;
        }
    }
    if (digits == 0) {
        if (ok)
            *ok = false;
        return 0;
    }
    int exponent = 0;
    if (p != end && (*p == 'e' || *p == 'E')) {
        const char *q = p + 1;
        bool negativeExponent = false;
        if (q != end && (*q == '+' || *q == '-')) {
            negativeExponent = *q == '-';
            ++q;
        }
        if (q != end && isDigit(*q)) {
            for (; q != end && isDigit(*q); ++q)
                exponent = std::min(exponent * 10 + (*q - '0'), 100000);
            exponent = negativeExponent ? -exponent : exponent;
            p = q;
        }
    }
    // Exactly representable digits and a power of ten up to 1e22 give the correctly rounded
    // value with one operation; everything else takes the general conversion.
    static constexpr double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const int scale = exponent - fractionDigits;
    if (exact && digitsValue < (std::uint64_t(1) << 53) && scale >= -22 && scale <= 22) {
        const double value = static_cast<double>(digitsValue);
        return finish(p, scale < 0 ? value / powers[-scale] : value * powers[scale]);
    }
    double value = 0;
    if (std::from_chars(mantissa, p, value).ec == std::errc::result_out_of_range)
        value = exponent < 0 ? 0.0 : std::numeric_limits<double>::infinity();
    return finish(p, value);
}

} // namespace torvane
