#include "core/inductance/crosssection.h"

#include <algorithm>
#include <cmath>

namespace torvane {

namespace {
// Sizes from one edge to the other: 1, 2, 4, ..., 2^h, ..., 2, 1 times the edge size.
std::vector<double> gradedSizes(double size, int halvings)
{
    const int count = 2 * halvings + 1;
    const double edge = size / (3.0 * std::ldexp(1.0, halvings) - 2.0);
    std::vector<double> sizes(count);
    for (int i = 0; i < count; ++i)
        sizes[i] = std::ldexp(edge, std::min(i, count - 1 - i));
    return sizes;
}

std::vector<double> edgesOf(const std::vector<double> &sizes, double total)
{
    std::vector<double> edges{-total / 2};
    for (const double size : sizes)
        edges.push_back(edges.back() + size);
    edges.back() = total / 2;
    return edges;
}

// Fourth antiderivative, twice in x and twice in y, of ln sqrt(x^2 + y^2); terms that cancel in
// the corner sums (in x or y alone, or linear in either) are left out.
double cornerTerm(double x, double y)
{
    const double x2 = x * x;
    const double y2 = y * y;
    const double r2 = x2 + y2;
    double value = -25.0 / 48.0 * x2 * y2;
    if (r2 > 0)
        value += (x2 * y2 / 4 - x2 * x2 / 24 - y2 * y2 / 24) * 0.5 * std::log(r2);
    if (x != 0 && y != 0)
        value += x2 * x * y / 6 * std::atan(y / x) + x * y2 * y / 6 * std::atan(x / y);
    return value;
}

// Second antiderivative in x of ln sqrt(x^2 + d^2), up to terms linear in x.
double stripTerm(double x, double d)
{
    const double r2 = x * x + d * d;
    double value = -0.75 * x * x;
    if (r2 > 0)
        value += 0.25 * (x * x - d * d) * std::log(r2);
    if (d != 0)
        value += x * d * std::atan(x / d);
    return value;
}

bool farApart(double du, double dv, double size)
{
    return du * du + dv * dv > 9 * size * size;
}

double farLogMeanDistance(double du, double dv, double spreadA, double spreadB)
{
    const double d2 = du * du + dv * dv;
    return 0.5 * std::log(d2) - (spreadA + spreadB) * (du * du - dv * dv) / (24 * d2 * d2);
}

double largestSide(const SectionCell &a, const SectionCell &b)
{
    return std::max({a.width, a.height, b.width, b.height});
}

// The four differences between the edges of two intervals, sizes sa and sb, centres c apart,
// in the order of the signs +, -, -, + of a corner sum.
struct EdgeDifferences
{
    double values[4];
    EdgeDifferences(double c, double sa, double sb)
        : values{c - 0.5 * (sa + sb), c - 0.5 * (sb - sa), c + 0.5 * (sb - sa), c + 0.5 * (sa + sb)}
    {}
};

constexpr double cornerSign[4] = {1, -1, -1, 1};
} // namespace

CrossSection gradedCrossSection(double width, double height, int halvingsAcross,
                                int halvingsThrough)
{
    CrossSection section{width, height, {}};
    const std::vector<double> across = gradedSizes(width, halvingsAcross);
    const std::vector<double> through = gradedSizes(height, halvingsThrough);
    const std::vector<double> uEdges = edgesOf(across, width);
    const std::vector<double> vEdges = edgesOf(through, height);
    for (size_t i = 0; i < across.size(); ++i) {
        for (size_t k = 0; k < through.size(); ++k) {
            section.cells.push_back({0.5 * (uEdges[i] + uEdges[i + 1]),
                                     0.5 * (vEdges[k] + vEdges[k + 1]), uEdges[i + 1] - uEdges[i],
                                     vEdges[k + 1] - vEdges[k]});
        }
    }
    return section;
}

int halvingsFor(double size, double edge, int least, int most)
{
    int halvings = least;
    while (halvings < most && size / (3.0 * std::ldexp(1.0, halvings) - 2.0) > edge)
        ++halvings;
    return halvings;
}

double logMeanDistance(const SectionCell &a, const SectionCell &b, double du, double dv)
{
    const double cu = b.u + du - a.u;
    const double cv = b.v + dv - a.v;
    if (farApart(cu, cv, largestSide(a, b)))
        return farLogMeanDistance(cu, cv, a.width * a.width - a.height * a.height,
                                  b.width * b.width - b.height * b.height);
    const EdgeDifferences x(cu, a.width, b.width);
    const EdgeDifferences y(cv, a.height, b.height);
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            sum += cornerSign[i] * cornerSign[j] * cornerTerm(x.values[i], y.values[j]);
    }
    return sum / (a.area() * b.area());
}

double stripLogMeanDistance(double wa, double wb, double du, double dv)
{
    const EdgeDifferences x(du, wa, wb);
    double sum = 0;
    for (int i = 0; i < 4; ++i)
        sum += cornerSign[i] * stripTerm(x.values[i], dv);
    return sum / (wa * wb);
}

double cellMeanDistance(const SectionCell &cell)
{
    const double a = std::max(cell.width, cell.height);
    const double b = std::min(cell.width, cell.height);
    if (!(b > 0))
        return a / 3;
    const double d = std::hypot(a, b);
    const double p = a / b;
    const double q = b / a;
    return (a * p * p + b * q * q + d * (3 - p * p - q * q)) / 15 +
           (b * q * std::log((a + d) / b) + a * p * std::log((b + d) / a)) / 6;
}

std::vector<double> logMeanDistances(const CrossSection &a, const CrossSection &b, double du,
                                     double dv, bool flipU)
{
    std::vector<double> values;
    values.reserve(a.cells.size() * b.cells.size());
    for (const SectionCell &ca : a.cells) {
        for (SectionCell cb : b.cells) {
            if (flipU)
                cb.u = -cb.u;
            values.push_back(logMeanDistance(ca, cb, du, dv));
        }
    }
    return values;
}

} // namespace torvane
