#include "core/inductance/multipole.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace torvane {

namespace multipole {
namespace {
// One step of the derivatives of 1 / r: T[target] = -(kx x T[ix] + ky y T[iy] + k1 T[i1] +
// k2 T[i2]) / r^2, from r^2 times the gradient of 1 / r being -r / r times 1 / r,
// differentiated by Leibniz' rule. Unused parts have a zero factor.
struct DerivativeStep
{
    int target = 0;
    int ix = 0;
    double kx = 0;
    int iy = 0;
    double ky = 0;
    int i1 = 0;
    double k1 = 0;
    int i2 = 0;
    double k2 = 0;
};

template <int p> constexpr std::array<DerivativeStep, termsUpTo(p) - 1> makeDerivativeSteps()
{
    std::array<DerivativeStep, termsUpTo(p) - 1> steps{};
    int k = 0;
    for (int n = 1; n <= p; ++n) {
        for (int b = 0; b <= n; ++b) {
            const int a = n - b;
            DerivativeStep step;
            step.target = termIndex(a, b);
            if (a > 0) {
                step.ix = termIndex(a - 1, b);
                step.kx = 2 * a - 1;
                if (a > 1) {
                    step.i1 = termIndex(a - 2, b);
                    step.k1 = (a - 1) * (a - 1);
                }
                if (b > 0) {
                    step.iy = termIndex(a, b - 1);
                    step.ky = 2 * b;
                }
                if (b > 1) {
                    step.i2 = termIndex(a, b - 2);
                    step.k2 = b * (b - 1);
                }
            } else {
                step.iy = termIndex(0, b - 1);
                step.ky = 2 * b - 1;
                if (b > 1) {
                    step.i1 = termIndex(0, b - 2);
                    step.k1 = (b - 1) * (b - 1);
                }
            }
            steps[k++] = step;
        }
    }
    return steps;
}

template <int p> constexpr auto derivativeSteps = makeDerivativeSteps<p>();

// d^(a+b) / dx^a dy^b of 1 / |(x, y, z)| for a + b <= p, as straight-line code.
template <int p, size_t... k>
[[gnu::always_inline]] inline void derivativesOf(double x, double y, double inverse2, double *t,
                                                 std::index_sequence<k...>)
{
    constexpr const auto &steps = derivativeSteps<p>;
    ((t[steps[k].target] = -(steps[k].kx * x * t[steps[k].ix] + steps[k].ky * y * t[steps[k].iy] +
                             steps[k].k1 * t[steps[k].i1] + steps[k].k2 * t[steps[k].i2]) *
                           inverse2),
     ...);
}

// One product of the expansion: T[alpha + beta] a[alpha] (-1)^|beta| b[beta].
struct ExpansionTerm
{
    int alpha = 0;
    int beta = 0;
    int sum = 0;
    double sign = 1;
};

constexpr int expansionTermCount(int p)
{
    // Pairs of 2-D multi-indices with |alpha| + |beta| <= p.
    int count = 0;
    for (int na = 0; na <= p; ++na) {
        for (int nb = 0; na + nb <= p; ++nb)
            count += (na + 1) * (nb + 1);
    }
    return count;
}

template <int p> constexpr std::array<ExpansionTerm, expansionTermCount(p)> makeExpansionTerms()
{
    std::array<ExpansionTerm, expansionTermCount(p)> terms{};
    int k = 0;
    for (int na = 0; na <= p; ++na) {
        for (int ba = 0; ba <= na; ++ba) {
            for (int nb = 0; na + nb <= p; ++nb) {
                for (int bb = 0; bb <= nb; ++bb) {
                    terms[k++] = {termIndex(na - ba, ba), termIndex(nb - bb, bb),
                                  termIndex(na + nb - ba - bb, ba + bb), nb % 2 == 0 ? 1.0 : -1.0};
                }
            }
        }
    }
    return terms;
}

template <int p> constexpr auto expansionTerms = makeExpansionTerms<p>();

// The sum over alpha and beta of T[alpha + beta] a[alpha] (-1)^|beta| b[beta] for both
// components, |alpha| + |beta| <= p. Unrolled into straight-line code; summed from the last term
// to the first.
template <int p> double contractTerms(const double *t, const Moments &a, const Moments &b)
{
    constexpr const auto &terms = expansionTerms<p>;
    double sum = 0;
#pragma GCC unroll 512
    for (int k = expansionTermCount(p) - 1; k >= 0; --k) {
        const ExpansionTerm &term = terms[k];
        sum += term.sign * t[term.sum] *
               (a.x[term.alpha] * b.x[term.beta] + a.y[term.alpha] * b.y[term.beta]);
    }
    return sum;
}

// Inlined so that loops over many points run on vector instructions.
template <int p>
[[gnu::always_inline]] inline void derivativesToOrder(double x, double y, double z, double *t)
{
    const double inverse2 = 1 / (x * x + y * y + z * z);
    t[0] = std::sqrt(inverse2);
    derivativesOf<p>(x, y, inverse2, t, std::make_index_sequence<termsUpTo(p) - 1>());
}

template <int p> double contractToOrder(const double *t, const Moments &a, const Moments &b)
{
    return contractTerms<p>(t, a, b);
}

template <int p>
double energyToOrder(double x, double y, double z, const Moments &a, const Moments &b)
{
    double t[termsUpTo(p)];
    derivativesToOrder<p>(x, y, z, t);
    return contractToOrder<p>(t, a, b);
}

// One instance per order, chosen at run time: orders below 2 use 2.
template <template <int> class Call, class... Args> auto byOrder(int p, Args &&...args)
{
    switch (p) {
    case 0:
    case 1:
    case 2:
        return Call<2>::run(std::forward<Args>(args)...);
    case 3:
        return Call<3>::run(std::forward<Args>(args)...);
    case 4:
        return Call<4>::run(std::forward<Args>(args)...);
    case 5:
        return Call<5>::run(std::forward<Args>(args)...);
    case 6:
        return Call<6>::run(std::forward<Args>(args)...);
    case 7:
        return Call<7>::run(std::forward<Args>(args)...);
    default:
        return Call<order>::run(std::forward<Args>(args)...);
    }
}

// The local expansion's terms as straight-line code, like contractTerms.
template <int p> void localTerms(const double *t, const Moments &b, Moments &local)
{
    constexpr const auto &terms = expansionTerms<p>;
#pragma GCC unroll 512
    for (int k = expansionTermCount(p) - 1; k >= 0; --k) {
        const ExpansionTerm &term = terms[k];
        const double factor = term.sign * t[term.sum];
        local.x[term.alpha] += factor * b.x[term.beta];
        local.y[term.alpha] += factor * b.y[term.beta];
    }
}

template <int p> struct LocalExpansion
{
    static void run(const double *t, const Moments &b, Moments &local)
    {
        localTerms<p>(t, b, local);
    }
};
template <int p> struct Derivatives
{
    static void run(double x, double y, double z, double *t) { derivativesToOrder<p>(x, y, z, t); }
};
template <int p> struct Contraction
{
    static double run(const double *t, const Moments &a, const Moments &b)
    {
        return contractToOrder<p>(t, a, b);
    }
};
template <int p> struct Energy
{
    static double run(double x, double y, double z, const Moments &a, const Moments &b)
    {
        return energyToOrder<p>(x, y, z, a, b);
    }
};
} // namespace

void derivatives(int p, double x, double y, double z, double *t)
{
    byOrder<Derivatives>(p, x, y, z, t);
}

namespace {
template <int p>
void addDerivativeSums(const double *x, const double *y, const double *z, size_t count, double *sum)
{
    constexpr int terms = termsUpTo(p);
    double total[terms] = {};
#pragma omp simd reduction(+ : total[:terms])
    for (size_t k = 0; k < count; ++k) {
        double t[terms];
        derivativesToOrder<p>(x[k], y[k], z[k], t);
        for (int j = 0; j < terms; ++j)
            total[j] += t[j];
    }
    for (int j = 0; j < terms; ++j)
        sum[j] += total[j];
}
} // namespace

void addDerivatives(int p, const double *x, const double *y, const double *z, size_t count,
                    double *sum)
{
    switch (p) {
    case 2:
        return addDerivativeSums<2>(x, y, z, count, sum);
    case 3:
        return addDerivativeSums<3>(x, y, z, count, sum);
    case 4:
        return addDerivativeSums<4>(x, y, z, count, sum);
    default:
        for (size_t k = 0; k < count; ++k) {
            double t[termCount];
            derivatives(p, x[k], y[k], z[k], t);
            for (int j = 0; j < termsUpTo(p); ++j)
                sum[j] += t[j];
        }
    }
}

double contract(int p, const double *t, const Moments &a, const Moments &b)
{
    return byOrder<Contraction>(p, t, a, b);
}

void addLocal(int p, const double *t, const Moments &b, Moments &local)
{
    byOrder<LocalExpansion>(p, t, b, local);
}

double energy(int p, double x, double y, double z, const Moments &a, const Moments &b)
{
    return byOrder<Energy>(p, x, y, z, a, b);
}

std::array<double, order + 1> scaledPowers(double d)
{
    std::array<double, order + 1> powers{};
    powers[0] = 1;
    for (int k = 1; k <= order; ++k)
        powers[k] = powers[k - 1] * d / k;
    return powers;
}

void addShifted(const Moments &from, double dx, double dy, Moments &to)
{
    const auto px = scaledPowers(dx);
    const auto py = scaledPowers(dy);
    for (int n = 0; n <= order; ++n) {
        for (int b = 0; b <= n; ++b) {
            const int a = n - b;
            double sx = 0;
            double sy = 0;
            for (int a1 = 0; a1 <= a; ++a1) {
                for (int b1 = 0; b1 <= b; ++b1) {
                    const double k = px[a - a1] * py[b - b1];
                    sx += k * from.x[termIndex(a1, b1)];
                    sy += k * from.y[termIndex(a1, b1)];
                }
            }
            to.x[termIndex(a, b)] += sx;
            to.y[termIndex(a, b)] += sy;
        }
    }
}

} // namespace multipole

} // namespace torvane
