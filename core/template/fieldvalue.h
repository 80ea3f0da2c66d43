#pragma once

#include <QString>

#include <optional>

namespace torvane {

// The rule the window's length fields and the command line's length options share: a value
// from smallestLength to largestLength with at most a given number of decimals.
inline constexpr double smallestLength = 0.001;
inline constexpr double largestLength = 1000000;

// The decimals of the number written in `text`, counted on its value rather than its digits:
// "1.5e-3" has four, "1.2345e2" two and "2.50" one. Nothing when the text is no decimal number
// with an optional exponent; surrounding blanks are allowed, as the conversion allows them.
std::optional<int> decimalsOfValue(const QString &text);

} // namespace torvane
