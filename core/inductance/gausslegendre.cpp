#include "core/inductance/gausslegendre.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace torvane {

namespace {
GaussRule makeRule(int count)
{
    GaussRule rule;
    rule.count = count;
    for (int i = 0; i < count; ++i) {
        // Newton on the Legendre polynomial from the Chebyshev estimate of root i.
        double x = std::cos(std::numbers::pi * (i + 0.75) / (count + 0.5));
        double derivative = 1;
        for (int iteration = 0; iteration < 100; ++iteration) {
            double p0 = 1;
            double p1 = x;
            for (int k = 2; k <= count; ++k) {
                const double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            derivative = count * (x * p1 - p0) / (x * x - 1);
            const double step = p1 / derivative;
            x -= step;
            if (std::fabs(step) < 1e-16)
                break;
        }
        rule.nodes[i] = x;
        rule.weights[i] = 2 / ((1 - x * x) * derivative * derivative);
    }
    return rule;
}

std::array<GaussRule, GaussRule::maxCount> makeRules()
{
    std::array<GaussRule, GaussRule::maxCount> rules;
    for (int n = 1; n <= GaussRule::maxCount; ++n)
        rules[n - 1] = makeRule(n);
    return rules;
}
} // namespace

const GaussRule &gaussLegendre(int count)
{
    static const std::array<GaussRule, GaussRule::maxCount> rules = makeRules();
    return rules[std::clamp(count, 1, GaussRule::maxCount) - 1];
}

} // namespace torvane
