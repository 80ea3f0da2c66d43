#pragma once

#include <atomic>
#include <complex>
#include <functional>
#include <vector>

namespace torvane {

using Complex = std::complex<double>;

// LU factors with partial pivoting of a dense square matrix, row-major.
class ComplexLu
{
public:
    ComplexLu() = default;
    ComplexLu(std::vector<Complex> matrix, int size);

    bool singular() const { return m_singular; }
    // Overwrites the right-hand side (size entries) with the solution.
    void solve(Complex *values) const;

private:
    std::vector<Complex> m_factors;
    std::vector<int> m_pivots;
    int m_size = 0;
    bool m_singular = false;
};

// y = A x and x = M^-1 x (in place), for vectors of the system's size.
using LinearOperator = std::function<void(const Complex *x, Complex *y)>;
using Preconditioner = std::function<void(Complex *x)>;

// Solves A x = b by restarted GMRES with the preconditioner on the right, until the residual is
// below `tolerance` times |b|; x starts at zero. False when it stops early (the flag set, or no
// convergence within maxIterations).
bool solveGmres(const LinearOperator &apply, const Preconditioner &precondition,
                const std::vector<Complex> &b, std::vector<Complex> &x, double tolerance,
                int maxIterations, const std::atomic<bool> *stop);

} // namespace torvane
