#include "core/inductance/farfield.h"

namespace torvane {

void FarFieldPoints::append(Vec3 mid, Vec3 along, Vec3 across, double length, double width,
                            double widthWeight, double current)
{
    nx.push_back(across.x);
    ny.push_back(across.y);
    this->widthWeight.push_back(widthWeight);
    this->length.push_back(length);
    this->width.push_back(width);
    x.push_back(mid.x);
    y.push_back(mid.y);
    z.push_back(mid.z);
    ux.push_back(along.x);
    uy.push_back(along.y);
    uz.push_back(along.z);
    length2.push_back(length * length);
    charge.push_back(current * length);
}

double farFieldNearMarked(const FarFieldPoints &points, size_t from, size_t to, Vec3 mid,
                          Vec3 along, Vec3 across, double length, double width, double widthWeight,
                          double nearWidths, double farLengths, double *near)
{
    const double *nx = points.nx.data() + from;
    const double *ny = points.ny.data() + from;
    const double *ww = points.widthWeight.data() + from;
    const double *x = points.x.data();
    const double *y = points.y.data();
    const double *z = points.z.data();
    const double *ux = points.ux.data();
    const double *uy = points.uy.data();
    const double *uz = points.uz.data();
    const double *l2 = points.length2.data();
    const double *q = points.charge.data();
    const double *lengths = points.length.data();
    const double *widths = points.width.data();
    const double length2 = length * length;
    const long count = static_cast<long>(to - from);
    x += from;
    y += from;
    z += from;
    ux += from;
    uy += from;
    uz += from;
    l2 += from;
    q += from;
    lengths += from;
    widths += from;
    double sum = 0;
    // Branch-free, so that it runs on vector instructions.
#pragma omp simd reduction(+ : sum)
    for (long k = 0; k < count; ++k) {
        const double dx = mid.x - x[k];
        const double dy = mid.y - y[k];
        const double dz = mid.z - z[k];
        const double r2 = dx * dx + dy * dy + dz * dz;
        const double longer = length > lengths[k] ? length : lengths[k];
        const double wider = width > widths[k] ? width : widths[k];
        const double byWidth = nearWidths * wider;
        const double byLength = farLengths * longer;
        const double limit =
            0.5 * (length + lengths[k]) + (byWidth > byLength ? byWidth : byLength);
        const double far = r2 > limit * limit ? 1.0 : 0.0;
        const double safe = r2 > 0 ? r2 : 1.0;
        const double inverse = 1 / std::sqrt(safe);
        const double inverse2 = inverse * inverse;
        const double du = dx * along.x + dy * along.y + dz * along.z;
        const double dv = dx * ux[k] + dy * uy[k] + dz * uz[k];
        const double cosine = along.x * ux[k] + along.y * uy[k] + along.z * uz[k];
        const double da = dx * across.x + dy * across.y;
        const double db = dx * nx[k] + dy * ny[k];
        const double correction =
            ((length2 * (3 * du * du - safe) + l2[k] * (3 * dv * dv - safe)) / 24 +
             widthWeight * (3 * da * da - safe) + ww[k] * (3 * db * db - safe)) *
            (inverse2 * inverse2);
        near[k] = 1.0 - far;
        sum += far * (q[k] * cosine * inverse * (1 + correction));
    }
    return sum;
}

} // namespace torvane
