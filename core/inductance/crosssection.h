#pragma once

#include <vector>

namespace torvane {

// One cell of a conductor's cross-section: its centre across the conductor (u, in the plane of
// the level, to the left of the current) and through it (v, upwards), and its size.
struct SectionCell
{
    double u = 0;
    double v = 0;
    double width = 0;
    double height = 0;

    double area() const { return width * height; }
};

// A rectangular cross-section cut into cells that double in size from each edge towards the
// middle, so that the thin layers where skin and proximity effects crowd the current are
// resolved with few cells.
struct CrossSection
{
    double width = 0;
    double height = 0;
    std::vector<SectionCell> cells; // across-major: all heights of the first column first
};

// Cells per side: halvings from the middle to the edge, so a side has 2 * halvings + 1 cells.
CrossSection gradedCrossSection(double width, double height, int halvingsAcross,
                                int halvingsThrough);

// The fewest halvings (at least `least`, at most `most`) that make the edge cells of a side of
// this size no larger than `edge`.
int halvingsFor(double size, double edge, int least, int most);

// ln of the geometric mean distance between the points of cell a and those of cell b moved by
// (du, dv): the kernel of parallel currents per unit length is -2 ln GMD. Exact corner sums of
// the log kernel (Maxwell) when the cells are close, a second-order expansion when far.
double logMeanDistance(const SectionCell &a, const SectionCell &b, double du, double dv);

// The same for two strips of zero thickness, widths wa and wb, centres (du, dv) apart.
double stripLogMeanDistance(double wa, double wb, double du, double dv);

// Mean distance between two points of one cell (the arithmetic mean, not the geometric).
double cellMeanDistance(const SectionCell &cell);

// Matrix of ln GMD between every cell of a and every cell of b moved by (du, dv), row-major by
// the cells of a; flipU mirrors b across its centre line first (a current flowing the other way).
std::vector<double> logMeanDistances(const CrossSection &a, const CrossSection &b, double du,
                                     double dv, bool flipU);

} // namespace torvane
