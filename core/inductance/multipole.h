#pragma once

#include <array>
#include <cstddef>

namespace torvane {

// Taylor expansion of 1 / r between two groups of horizontal current elements, each group on
// one level: the moments of a group about its centre, sum of current * t (r - centre)^alpha /
// alpha! over its tapes, and the derivatives of 1 / |(x, y, z)| in x and y that couple them.
// The interaction of two groups with centres (x, y, z) apart is, to total order p in the
// offsets, the sum over alpha and beta of T[alpha + beta] a[alpha] (-1)^|beta| b[beta].
namespace multipole {

// Total order of the expansion in the offsets from the two centres.
inline constexpr int order = 8;
inline constexpr int termCount = (order + 1) * (order + 2) / 2;

constexpr int termIndex(int a, int b)
{
    const int n = a + b;
    return n * (n + 1) / 2 + b;
}

constexpr int termsUpTo(int p)
{
    return (p + 1) * (p + 2) / 2;
}

// Moments of one group, each divided by alpha!: x and y are the components of the current
// direction (a group of vertical elements keeps its single component in x).
struct Moments
{
    std::array<double, termCount> x{};
    std::array<double, termCount> y{};
};

// Powers d^k / k! for k up to order.
std::array<double, order + 1> scaledPowers(double d);

// Moments about one centre, added to those about another: d = old centre - new centre.
void addShifted(const Moments &from, double dx, double dy, Moments &to);

// d^(a+b) / dx^a dy^b of 1 / |(x, y, z)| for a + b <= p (2 to order), at t[termIndex(a, b)].
void derivatives(int p, double x, double y, double z, double *t);

// Adds the derivatives to order p at each of `count` points (x, y, z) to sum, for many groups far
// apart: up to order 4 on vector instructions.
void addDerivatives(int p, const double *x, const double *y, const double *z, std::size_t count,
                    double *sum);

// The sum over |alpha| + |beta| <= p of t[alpha + beta] a[alpha] (-1)^|beta| b[beta] for
// both components; t from derivatives or a sum of them.
double contract(int p, const double *t, const Moments &a, const Moments &b);

// The field of group b about the centre of another as a local expansion: adds the sum over
// beta, |alpha| + |beta| <= p, of t[alpha + beta] (-1)^|beta| b[beta] to local[alpha] for both
// components. The interaction with a group a about that centre is then the sum over alpha of
// a[alpha] local[alpha], as contract gives it.
void addLocal(int p, const double *t, const Moments &b, Moments &local);

// The interaction of two groups with centres (x, y, z) apart, to total order p.
double energy(int p, double x, double y, double z, const Moments &a, const Moments &b);

} // namespace multipole

} // namespace torvane
