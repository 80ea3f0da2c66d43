#pragma once

#include <QByteArray>
#include <QString>

namespace torvane {

// The general form with six significant digits, like printf's "%g" and the default real form
// of a Qt text stream: 160, 0.0254, 1e-05, inf, nan.
QByteArray formatRealBytes(double value);
inline QString formatReal(double value)
{
    return QString::fromLatin1(formatRealBytes(value));
}

// What people read: at most `significant` significant digits in plain notation, without
// trailing zeros: 2300, 0.707, 14060, 0.0001. Exponent form only below 1e-6 and from 1e12.
QString formatPlain(double value, int significant);

// Fixed form with exactly seven decimals, as polygon points are written: 12.5000000.
QByteArray formatFixed7Bytes(double value);

// The same forms written into a buffer of at least formatBufferSize bytes; they return the
// end of what they wrote.
inline constexpr int formatBufferSize = 400;
char *writeReal(char *out, double value);
char *writeFixed7(char *out, double value);
char *writeInteger(char *out, long long value);

} // namespace torvane
