#pragma once

#include "core/inductance/currentpath.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace torvane {

// The perfect conductors around a spiral, in the length unit of its current paths: side walls
// at x = 0, x = xWidth, y = 0 and y = yWidth, and the cover and ground planes at their heights
// (the z of the pieces), each absent where that side of the box is free space.
struct ConductingBox
{
    double xWidth = 0;
    double yWidth = 0;
    std::optional<double> cover;
    std::optional<double> ground;
};

// Why there is no meaningful value of these pieces in this box (a box of no size, a piece on
// or beyond a wall or plane, a piece neither horizontal nor vertical), or empty.
QString boxProblem(const ConductingBox &box, const std::vector<CurrentPiece> &pieces);

// One image of the box: per axis the index of the image along that axis, 0 for the original,
// +-1 for the mirror in the upper or lower wall (cover or ground), and so on outwards: along
// an axis with conductors on both sides the images repeat with twice their distance.
struct BoxImage
{
    std::array<int, 3> index{};

    bool mirrored(int axis) const { return index[axis] % 2 != 0; }
    // (-1)^(number of reflections).
    double sign() const;
    bool isOriginal() const { return index == std::array<int, 3>{}; }
};

// Where a point of the original lands in the image: along each axis a reflection (factor -1)
// or none, and a shift.
struct ImageMap
{
    Vec3 factor{1, 1, 1};
    Vec3 shift;

    Vec3 operator()(Vec3 p) const
    {
        return {factor.x * p.x + shift.x, factor.y * p.y + shift.y, factor.z * p.z + shift.z};
    }
};
ImageMap imageMap(const ConductingBox &box, const BoxImage &image);
Vec3 imagePoint(const ConductingBox &box, const BoxImage &image, Vec3 point);
// The image of a piece: its end points mirrored and translated, its current times the sign.
// (A mirrored horizontal piece thus keeps the current component normal to the mirror and
// reverses the tangential one.)
CurrentPiece imagePiece(const ConductingBox &box, const BoxImage &image, const CurrentPiece &piece);

// The images are summed in shells of whole periods: along an axis with conductors on both
// sides, the images 2k and 2k + 1 belong together, since only such pairs carry no net current;
// shell 0 holds the periods -1, 0 and 1 of every such axis, and each further shell widens
// the axis with the shortest period by one and the others in proportion to their length.
// A plane on one side only gives one mirror, a free-space side none.
std::vector<BoxImage> boxImageShell(const ConductingBox &box, int shell);

// A piece's images within the first `shells` shells (0 gives shell 0 only), the original left
// out. Slowly converging on its own; for sums over whole paths use boxImageSums.
std::vector<CurrentPiece> imagePieces(const ConductingBox &box, const CurrentPiece &piece,
                                      int shells);

} // namespace torvane
