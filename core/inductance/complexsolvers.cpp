#include "core/inductance/complexsolvers.h"

#include <algorithm>
#include <cmath>

namespace torvane {

ComplexLu::ComplexLu(std::vector<Complex> matrix, int size)
    : m_factors(std::move(matrix)), m_pivots(size), m_size(size)
{
    Complex *a = m_factors.data();
    for (int k = 0; k < size; ++k) {
        int pivot = k;
        for (int i = k + 1; i < size; ++i) {
            if (std::abs(a[i * size + k]) > std::abs(a[pivot * size + k]))
                pivot = i;
        }
        m_pivots[k] = pivot;
        if (pivot != k)
            std::swap_ranges(a + k * size, a + (k + 1) * size, a + pivot * size);
        const Complex diagonal = a[k * size + k];
        if (diagonal == Complex(0)) {
            m_singular = true;
            continue;
        }
        for (int i = k + 1; i < size; ++i) {
            const Complex factor = a[i * size + k] / diagonal;
            a[i * size + k] = factor;
            if (factor == Complex(0))
                continue;
            for (int j = k + 1; j < size; ++j)
                a[i * size + j] -= factor * a[k * size + j];
        }
    }
}

void ComplexLu::solve(Complex *values) const
{
    const int n = m_size;
    const Complex *a = m_factors.data();
    // The factors' rows are in their final order: all interchanges first.
    for (int k = 0; k < n; ++k) {
        if (m_pivots[k] != k)
            std::swap(values[k], values[m_pivots[k]]);
    }
    for (int k = 0; k < n; ++k) {
        for (int i = k + 1; i < n; ++i)
            values[i] -= a[i * n + k] * values[k];
    }
    for (int i = n - 1; i >= 0; --i) {
        Complex sum = values[i];
        for (int j = i + 1; j < n; ++j)
            sum -= a[i * n + j] * values[j];
        values[i] = sum / a[i * n + i];
    }
}

namespace {
double norm2(const std::vector<Complex> &v)
{
    double sum = 0;
    for (const Complex &z : v)
        sum += std::norm(z);
    return std::sqrt(sum);
}

Complex innerProduct(const std::vector<Complex> &a, const std::vector<Complex> &b)
{
    Complex sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::conj(a[i]) * b[i];
    return sum;
}
} // namespace

bool solveGmres(const LinearOperator &apply, const Preconditioner &precondition,
                const std::vector<Complex> &b, std::vector<Complex> &x, double tolerance,
                int maxIterations, const std::atomic<bool> *stop)
{
    constexpr int restart = 40;
    const size_t n = b.size();
    x.assign(n, Complex(0));
    const double target = tolerance * norm2(b);
    if (!(target > 0))
        return true;
    std::vector<Complex> residual = b;
    std::vector<std::vector<Complex>> basis;
    std::vector<Complex> work(n);
    int iterations = 0;
    while (iterations < maxIterations) {
        double beta = norm2(residual);
        if (beta <= target)
            return true;
        basis.assign(1, residual);
        for (Complex &z : basis[0])
            z /= beta;
        // Hessenberg columns, Givens rotations and the rotated right-hand side.
        std::vector<std::vector<Complex>> h;
        std::vector<Complex> cosines;
        std::vector<Complex> sines;
        std::vector<Complex> g{Complex(beta)};
        int k = 0;
        for (; k < restart && iterations < maxIterations; ++k, ++iterations) {
            if (stop && stop->load(std::memory_order_relaxed))
                return false;
            std::vector<Complex> z = basis[k];
            precondition(z.data());
            apply(z.data(), work.data());
            std::vector<Complex> column(k + 2);
            for (int i = 0; i <= k; ++i) {
                column[i] = innerProduct(basis[i], work);
                for (size_t m = 0; m < n; ++m)
                    work[m] -= column[i] * basis[i][m];
            }
            const double next = norm2(work);
            column[k + 1] = next;
            for (int i = 0; i < k; ++i) {
                const Complex upper = column[i];
                const Complex lower = column[i + 1];
                column[i] = std::conj(cosines[i]) * upper + std::conj(sines[i]) * lower;
                column[i + 1] = -sines[i] * upper + cosines[i] * lower;
            }
            const double radius = std::hypot(std::abs(column[k]), std::abs(column[k + 1]));
            const Complex c = radius > 0 ? column[k] / radius : Complex(1);
            const Complex s = radius > 0 ? column[k + 1] / radius : Complex(0);
            cosines.push_back(c);
            sines.push_back(s);
            column[k] = radius;
            column[k + 1] = 0;
            g.push_back(-s * g[k]);
            g[k] = std::conj(c) * g[k];
            h.push_back(std::move(column));
            if (next > 0) {
                basis.emplace_back(work);
                for (Complex &value : basis.back())
                    value /= next;
            }
            if (std::abs(g[k + 1]) <= target || !(next > 0)) {
                ++k;
                ++iterations;
                break;
            }
        }
        // Back substitution for the step, then x += M^-1 (V y).
        std::vector<Complex> y(k);
        for (int i = k - 1; i >= 0; --i) {
            Complex sum = g[i];
            for (int j = i + 1; j < k; ++j)
                sum -= h[j][i] * y[j];
            y[i] = sum / h[i][i];
        }
        std::vector<Complex> step(n, Complex(0));
        for (int j = 0; j < k; ++j) {
            for (size_t m = 0; m < n; ++m)
                step[m] += y[j] * basis[j][m];
        }
        precondition(step.data());
        for (size_t m = 0; m < n; ++m)
            x[m] += step[m];
        apply(x.data(), work.data());
        for (size_t m = 0; m < n; ++m)
            residual[m] = b[m] - work[m];
    }
    return norm2(residual) <= target;
}

} // namespace torvane
