#include "bench/core/inductance/plainimagesum.h"

#include "core/inductance/gausslegendre.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace torvane;

namespace {
// A current element: position, current times length along each axis, and the list it is in.
struct Point
{
    Vec3 at;
    Vec3 weight;
    bool first = false;
};

// `along` Gauss points along each piece, and `across` across a tape's width.
std::vector<Point> pointsOf(const std::vector<CurrentPiece> &first,
                            const std::vector<CurrentPiece> &second, int along, int across)
{
    const GaussRule &rule = gaussLegendre(along);
    const GaussRule &wide = gaussLegendre(across);
    std::vector<Point> points;
    for (int list = 0; list < 2; ++list) {
        for (const CurrentPiece &piece : list == 0 ? first : second) {
            const Vec3 span = piece.end - piece.start;
            const double flat = std::hypot(span.x, span.y);
            const Vec3 side = flat > 0 ? Vec3{-span.y / flat, span.x / flat, 0} : Vec3{0, 0, 0};
            for (int k = 0; k < rule.count; ++k) {
                for (int m = 0; m < wide.count; ++m) {
                    const Vec3 at = piece.start + (0.5 + 0.5 * rule.nodes[k]) * span +
                                    (0.5 * piece.width * wide.nodes[m]) * side;
                    const double weight = 0.25 * rule.weights[k] * wide.weights[m];
                    points.push_back({at, (weight * piece.current) * span, list == 0});
                }
            }
        }
    }
    return points;
}

// Image index i along an axis with conductors at `lower` and `upper` (both at one plane when
// there is one only): even indices shift by i periods, odd ones mirror.
double mirrored(int i, double v, double lower, double upper)
{
    const double period = upper - lower;
    if (i % 2 == 0)
        return v + i * period;
    const int k = i > 0 ? (i - 1) / 2 : (i + 1) / 2;
    return (i > 0 ? 2 * upper : 2 * lower) - v + 2 * k * period;
}

// Whole periods: indices 2m and 2m + 1 form period m; the cube n holds periods -n - 1 .. n.
int periodOf(int i)
{
    return std::abs(i + (i < 0 ? 1 : 0)) / 2;
}
} // namespace

PlainImageSums plainImageSums(const std::vector<CurrentPiece> &first,
                              const std::vector<CurrentPiece> &second, const ConductingBox &box,
                              double scale, double tolerance)
{
    const std::vector<Point> nearPoints = pointsOf(first, second, 4, 3);
    const std::vector<Point> midPoints = pointsOf(first, second, 2, 1);
    const std::vector<Point> farPoints = pointsOf(first, second, 1, 1);
    const bool both = box.cover && box.ground;
    const double lower = box.ground.value_or(box.cover.value_or(0));
    const double upper = box.cover.value_or(lower);
    PlainImageSums sums;
    bool smallBefore = false;
    for (int n = 0; n < 200; ++n) {
        double shellFirst = 0;
        double shellAll = 0;
        const std::vector<Point> &points = n == 0 ? nearPoints : n == 1 ? midPoints : farPoints;
        const int zLow = both ? -2 * n - 2 : (box.ground ? -1 : 0);
        const int zHigh = both ? 2 * n + 1 : (box.cover ? 1 : 0);
        for (int i = -2 * n - 2; i <= 2 * n + 1; ++i) {
            for (int j = -2 * n - 2; j <= 2 * n + 1; ++j) {
                for (int k = zLow; k <= zHigh; ++k) {
                    if (std::max({periodOf(i), periodOf(j), periodOf(k)}) != n ||
                        (i == 0 && j == 0 && k == 0))
                        continue;
                    ++sums.images;
                    const double sign = (std::abs(i) + std::abs(j) + std::abs(k)) % 2 ? -1 : 1;
                    const Vec3 flip{i % 2 ? -sign : sign, j % 2 ? -sign : sign,
                                    k % 2 ? -sign : sign};
                    for (const Point &q : points) {
                        const Vec3 at{mirrored(i, q.at.x, 0, box.xWidth),
                                      mirrored(j, q.at.y, 0, box.yWidth),
                                      mirrored(k, q.at.z, lower, upper)};
                        const Vec3 w{flip.x * q.weight.x, flip.y * q.weight.y, flip.z * q.weight.z};
                        double all = 0;
                        double firstOnly = 0;
                        for (const Point &p : points) {
                            const double term = dot(p.weight, w) / norm(p.at - at);
                            all += term;
                            if (p.first)
                                firstOnly += term;
                        }
                        shellAll += all;
                        if (q.first)
                            shellFirst += firstOnly;
                    }
                }
            }
        }
        sums.first += shellFirst;
        sums.all += shellAll;
        const bool small = std::max(std::fabs(shellFirst), std::fabs(shellAll)) < tolerance * scale;
        if (n > 1 && small && smallBefore)
            break;
        smallBefore = small;
    }
    return sums;
}
