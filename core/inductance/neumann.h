#pragma once

// Closed forms of partial inductance for straight conductors. Every function returns the
// geometric part, the integral of (t1 . t2) / r over both conductors in length units: multiply
// by mu0 / (4 pi) and the metres per length unit to get henries.

#include <cmath>

namespace torvane {

struct Vec3
{
    double x = 0;
    double y = 0;
    double z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(double k, Vec3 a)
{
    return {k * a.x, k * a.y, k * a.z};
}
inline double dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double norm(Vec3 a)
{
    return std::sqrt(dot(a, a));
}

// Neumann's double integral for two straight filaments p0-p1 and q0-q1 at any angle and
// offset, skew lines included. Zero for a zero-length filament.
double filamentMutual(Vec3 p0, Vec3 p1, Vec3 q0, Vec3 q1);

// Two zero-thickness tapes whose currents both run along x, in planes `height` apart:
// tape one spans [a1, a2] along x and [b1, b2] across, tape two [a3, a4] and [b3, b4].
// Exact for uniform current; coincident tapes give the tape's self term. Both widths must be
// positive.
double parallelTapeMutual(double a1, double a2, double b1, double b2, double a3, double a4,
                          double b3, double b4, double height);

// Two zero-thickness tapes in one plane at any angle, start to end with these widths: exact for
// uniform current, touching and overlapping tapes included. Coordinates x and y only. Both
// lengths and widths must be positive.
double coplanarTapeMutual(Vec3 a0, Vec3 a1, double aWidth, Vec3 b0, Vec3 b1, double bWidth);

// What the widths add to filamentMutual for two horizontal filaments, in one plane or in
// two (levels apart), to second order in the widths: the terms in the variance w^2 / 12 of
// the offsets across each tape. NaN where, in one plane, an end of one lies on the other's
// line, which the second derivative cannot reach.
double widthTerm(Vec3 p0, Vec3 p1, double pWidth, Vec3 q0, Vec3 q1, double qWidth);

// Partial self term of a zero-thickness tape of this length and width.
double tapeSelf(double length, double width);

// Two parallel bars with the same square cross-section (vias), currents along their axes:
// bar one spans [a1, a2] along the axis, bar two [a3, a4], its axis offset by (dx, dy).
double squareBarMutual(double a1, double a2, double a3, double a4, double dx, double dy,
                       double side);
// Partial self term of a bar with a square cross-section.
double squareBarSelf(double length, double side);

} // namespace torvane
