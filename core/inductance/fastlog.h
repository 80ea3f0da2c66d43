#pragma once

#include <bit>
#include <cstdint>

namespace torvane {

// The natural logarithm of a positive, finite, normal number, within about one ulp: the
// reduction to [sqrt(1/2), sqrt(2)) and the polynomial in s = f / (2 + f) of the classic
// fdlibm routine, without branches or tables, so that loops over it run on vector
// instructions. The pair terms spend most of their time in logarithms.
inline double fastLog(double x)
{
    constexpr double ln2High = 6.93147180369123816490e-01;
    constexpr double ln2Low = 1.90821492927058770002e-10;
    constexpr double lg1 = 6.666666666666735130e-01;
    constexpr double lg2 = 3.999999999940941908e-01;
    constexpr double lg3 = 2.857142874366239149e-01;
    constexpr double lg4 = 2.222219843214978396e-01;
    constexpr double lg5 = 1.818357216161805012e-01;
    constexpr double lg6 = 1.531383769920937332e-01;
    constexpr double lg7 = 1.479819860511658591e-01;
    // Shifting the high word by 1 - sqrt(1/2) moves mantissas from sqrt(2) up into the next
    // exponent.
    const std::uint64_t bits =
        std::bit_cast<std::uint64_t>(x) + ((0x3ff00000ULL - 0x3fe6a09eULL) << 32);
    const std::uint64_t exponent = bits >> 52; // k + 1023
    const double k =
        std::bit_cast<double>(exponent | 0x4330000000000000ULL) - (4503599627370496.0 + 1023.0);
    const double m = std::bit_cast<double>((bits & 0x000fffffffffffffULL) + (0x3fe6a09eULL << 32));
    const double f = m - 1;
    const double halfSquare = 0.5 * f * f;
    const double s = f / (2 + f);
    const double z = s * s;
    const double w = z * z;
    const double odd = w * (lg2 + w * (lg4 + w * lg6));
    const double even = z * (lg1 + w * (lg3 + w * (lg5 + w * lg7)));
    return s * (halfSquare + odd + even) + k * ln2Low - halfSquare + f + k * ln2High;
}

// asinh(p / |q|) for q != 0 and r = sqrt(p^2 + q^2), through one logarithm; zero for q = 0,
// where the terms that use it are multiplied by zero.
inline double asinhOver(double p, double q, double r)
{
    const double a = p < 0 ? -p : p;
    const double b = q < 0 ? -q : q;
    // Computed for b = 0 as well, without traps, and then not used.
    const double logarithm = fastLog((a + r) / b);
    const double value = b > 0 ? logarithm : 0.0;
    return p < 0 ? -value : value;
}

} // namespace torvane
