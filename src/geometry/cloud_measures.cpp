#include "geometry/cloud_measures.h"

#include <cmath>

namespace tengun {

double round_up(double x)
{
    const double whole = std::floor(x);
    return whole == x ? x : whole + 1.0;
}

RoundedExtent round_extent(double largest)
{
    if (!(largest >= 0.0001)) {
        return {0.0001, 0.0001};
    }
    const double unit = std::pow(10.0, std::floor(std::log(largest) / std::log(10.0)));
    return {unit * round_up(largest / unit), unit};
}

RoundedExtent fit_view_extent(std::span<const Vec3> points, int dims)
{
    return centre_extent(points, dims, Vec3{});
}

RoundedExtent centre_extent(std::span<const Vec3> points, int dims, const Vec3& centre)
{
    double largest = 0.0;
    for (const Vec3& p : points) {
        for (int k = 0; k < dims; ++k) {
            const double d = std::abs(p[k] - centre[k]);
            if (d > largest) {
                largest = d;
            }
        }
    }
    return round_extent(largest);
}

Vec3 cloud_centroid(std::span<const Vec3> points)
{
    Vec3 sum{};
    for (const Vec3& p : points) {
        sum = vec_add(sum, p);
    }
    if (points.empty()) {
        return sum;
    }
    return vec_scale(sum, 1.0 / static_cast<double>(points.size()));
}

}  // namespace tengun
