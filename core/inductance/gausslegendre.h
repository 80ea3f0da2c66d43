#pragma once

namespace torvane {

// Gauss-Legendre nodes and weights on [-1, 1].
struct GaussRule
{
    static constexpr int maxCount = 16;
    int count = 0;
    double nodes[maxCount] = {};
    double weights[maxCount] = {};
};

// count from 1 to GaussRule::maxCount; computed once, safe from any thread.
const GaussRule &gaussLegendre(int count);

} // namespace torvane
