#pragma once

#include <vector>

namespace torvane {

// A real matrix as a sum of `rank` outer products, left column k times right column k.
struct LowRankMatrix
{
    int rows = 0;
    int columns = 0;
    int rank = 0;
    std::vector<double> left;  // rows x rank, column-major
    std::vector<double> right; // columns x rank, column-major
};

// Cross approximation with full pivoting (Bebendorf 2000, "Approximation of boundary element
// matrices", Numer. Math. 86): outer products of the residual's row and column through its
// largest entry, until no entry exceeds `tolerance` times the matrix's largest. The smooth
// kernels between conductors side by side need a handful.
LowRankMatrix crossApproximation(std::vector<double> matrix, int rows, int columns,
                                 double tolerance);

} // namespace torvane
