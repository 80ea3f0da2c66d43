#include "core/inductance/boximages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace torvane {

namespace {
// The conductors along one axis: the lower and upper ones, and the distance of one image to
// the next but one (zero with a conductor on one side only).
struct Axis
{
    double lower = 0;
    double upper = 0;
    double period = 0;
    bool periodic = false; // conductors on both sides
    int mirror = 0;        // with one conductor: +1 above, -1 below; 0 for none
};

Axis axisOf(const ConductingBox &box, int axis)
{
    if (axis == 0)
        return {0, box.xWidth, box.xWidth, true, 0};
    if (axis == 1)
        return {0, box.yWidth, box.yWidth, true, 0};
    if (box.cover && box.ground)
        return {*box.ground, *box.cover, *box.cover - *box.ground, true, 0};
    if (box.cover)
        return {*box.cover, *box.cover, 0, false, 1};
    if (box.ground)
        return {*box.ground, *box.ground, 0, false, -1};
    return {};
}

double imageCoordinate(const Axis &axis, int index, double value)
{
    if (index % 2 == 0)
        return value + index * axis.period;
    return 2 * axis.upper - value + (index - 1) * axis.period;
}

// Periods summed along each axis in a shell: all of them within the extent.
std::array<int, 3> shellExtent(const std::array<Axis, 3> &axes, int shell)
{
    double shortest = std::numeric_limits<double>::infinity();
    for (const Axis &axis : axes) {
        if (axis.periodic)
            shortest = std::min(shortest, axis.period);
    }
    std::array<int, 3> extent{};
    for (int k = 0; k < 3; ++k) {
        if (!axes[k].periodic)
            continue;
        const double ratio = shortest / axes[k].period;
        extent[k] = 1 + static_cast<int>(std::floor(shell * ratio * (1 + 1e-12)));
    }
    return extent;
}

// The image indices of one period along an axis.
std::vector<int> periodMembers(const Axis &axis, int period)
{
    if (axis.periodic)
        return {2 * period, 2 * period + 1};
    if (axis.mirror != 0)
        return {0, axis.mirror};
    return {0};
}

double gapToWalls(double low, double high, double width)
{
    return std::min(low, width - high);
}
} // namespace

double BoxImage::sign() const
{
    return (std::abs(index[0]) + std::abs(index[1]) + std::abs(index[2])) % 2 == 0 ? 1.0 : -1.0;
}

ImageMap imageMap(const ConductingBox &box, const BoxImage &image)
{
    ImageMap map;
    const auto axis = [&](int k, double &factor, double &shift) {
        factor = image.mirrored(k) ? -1.0 : 1.0;
        shift = imageCoordinate(axisOf(box, k), image.index[k], 0);
    };
    axis(0, map.factor.x, map.shift.x);
    axis(1, map.factor.y, map.shift.y);
    axis(2, map.factor.z, map.shift.z);
    return map;
}

Vec3 imagePoint(const ConductingBox &box, const BoxImage &image, Vec3 point)
{
    return imageMap(box, image)(point);
}

CurrentPiece imagePiece(const ConductingBox &box, const BoxImage &image, const CurrentPiece &piece)
{
    return {imagePoint(box, image, piece.start), imagePoint(box, image, piece.end), piece.width,
            piece.current * image.sign()};
}

std::vector<BoxImage> boxImageShell(const ConductingBox &box, int shell)
{
    const std::array<Axis, 3> axes{axisOf(box, 0), axisOf(box, 1), axisOf(box, 2)};
    const std::array<int, 3> outer = shellExtent(axes, shell);
    std::array<int, 3> inner{-1, -1, -1};
    if (shell > 0)
        inner = shellExtent(axes, shell - 1);
    std::vector<BoxImage> images;
    for (int i = -outer[0]; i <= outer[0]; ++i) {
        for (int j = -outer[1]; j <= outer[1]; ++j) {
            for (int k = -outer[2]; k <= outer[2]; ++k) {
                const bool old =
                    std::abs(i) <= inner[0] && std::abs(j) <= inner[1] && std::abs(k) <= inner[2];
                if (old)
                    continue;
                for (const int x : periodMembers(axes[0], i)) {
                    for (const int y : periodMembers(axes[1], j)) {
                        for (const int z : periodMembers(axes[2], k)) {
                            const BoxImage image{{x, y, z}};
                            if (!image.isOriginal())
                                images.push_back(image);
                        }
                    }
                }
            }
        }
    }
    return images;
}

std::vector<CurrentPiece> imagePieces(const ConductingBox &box, const CurrentPiece &piece,
                                      int shells)
{
    std::vector<CurrentPiece> pieces;
    for (int shell = 0; shell <= shells; ++shell) {
        for (const BoxImage &image : boxImageShell(box, shell))
            pieces.push_back(imagePiece(box, image, piece));
    }
    return pieces;
}

QString boxProblem(const ConductingBox &box, const std::vector<CurrentPiece> &pieces)
{
    if (!(box.xWidth > 0) || !(box.yWidth > 0) || !std::isfinite(box.xWidth) ||
        !std::isfinite(box.yWidth))
        return QStringLiteral("The box has no size.");
    if ((box.cover && !std::isfinite(*box.cover)) || (box.ground && !std::isfinite(*box.ground)))
        return QStringLiteral("The box has no finite height.");
    if (box.cover && box.ground && !(*box.cover > *box.ground))
        return QStringLiteral("The dielectric stack has no thickness.");
    const double slack = 1e-9 * std::max(box.xWidth, box.yWidth);
    for (const CurrentPiece &piece : pieces) {
        const Vec3 span = piece.end - piece.start;
        const bool vertical = span.x == 0 && span.y == 0;
        if (!vertical && span.z != 0)
            return QStringLiteral("A piece of the path is neither horizontal nor vertical.");
        // The conductor's reach: a tape's half width across it, a via's half side.
        const double length = std::hypot(span.x, span.y);
        const double reachX = vertical || length == 0
                                  ? piece.width / 2
                                  : piece.width / 2 * std::fabs(span.y) / length;
        const double reachY = vertical || length == 0
                                  ? piece.width / 2
                                  : piece.width / 2 * std::fabs(span.x) / length;
        const double gapX = gapToWalls(std::min(piece.start.x, piece.end.x) - reachX,
                                       std::max(piece.start.x, piece.end.x) + reachX, box.xWidth);
        const double gapY = gapToWalls(std::min(piece.start.y, piece.end.y) - reachY,
                                       std::max(piece.start.y, piece.end.y) + reachY, box.yWidth);
        if (!(gapX > slack) || !(gapY > slack))
            return QStringLiteral("The spiral touches or crosses a side wall of the box.");
        const double low = std::min(piece.start.z, piece.end.z);
        const double high = std::max(piece.start.z, piece.end.z);
        if (box.cover && !(high < *box.cover)) {
            return high == *box.cover
                       ? QStringLiteral("The cover lies on a metal level of the spiral.")
                       : QStringLiteral("A metal level of the spiral lies above the cover.");
        }
        if (box.ground && !(low > *box.ground)) {
            return low == *box.ground
                       ? QStringLiteral("The ground plane lies on a metal level of the spiral.")
                       : QStringLiteral("A metal level of the spiral lies below the ground plane.");
        }
        if (!std::isfinite(low) || !std::isfinite(high))
            return QStringLiteral("A piece of the path has no finite height.");
    }
    return QString();
}

} // namespace torvane
