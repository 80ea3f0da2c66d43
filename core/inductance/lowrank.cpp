#include "core/inductance/lowrank.h"

#include <algorithm>
#include <cmath>

namespace torvane {

LowRankMatrix crossApproximation(std::vector<double> matrix, int rows, int columns,
                                 double tolerance)
{
    LowRankMatrix result{rows, columns, 0, {}, {}};
    double largest = 0;
    for (const double value : matrix)
        largest = std::max(largest, std::fabs(value));
    const double limit = tolerance * largest;
    for (int step = 0; step < std::min(rows, columns); ++step) {
        const auto pivot = std::max_element(matrix.begin(), matrix.end(), [](double a, double b) {
            return std::fabs(a) < std::fabs(b);
        });
        if (pivot == matrix.end() || !(std::fabs(*pivot) > limit))
            break;
        const int index = static_cast<int>(pivot - matrix.begin());
        const int pr = index / columns;
        const int pc = index % columns;
        const double scale = 1 / *pivot;
        std::vector<double> column(rows);
        std::vector<double> row(columns);
        for (int r = 0; r < rows; ++r)
            column[r] = matrix[static_cast<size_t>(r) * columns + pc];
        for (int c = 0; c < columns; ++c)
            row[c] = matrix[static_cast<size_t>(pr) * columns + c] * scale;
        for (int r = 0; r < rows; ++r) {
            double *line = matrix.data() + static_cast<size_t>(r) * columns;
            for (int c = 0; c < columns; ++c)
                line[c] -= column[r] * row[c];
        }
        result.left.insert(result.left.end(), column.begin(), column.end());
        result.right.insert(result.right.end(), row.begin(), row.end());
        ++result.rank;
    }
    return result;
}

} // namespace torvane
