#pragma once
// Extents and centroids of point clouds, as the view and the graphs scale themselves.

#include <span>

#include "geometry/numeric_core.h"

namespace tengun {

/// x itself when it is a whole number, otherwise the next whole number above (the ceiling).
double round_up(double x);

struct RoundedExtent {
    double extent = 0.0;
    double unit = 0.0;
};

/// A largest magnitude rounded up to one significant digit: below 0.0001 it is 0.0001 (and so is
/// the unit); otherwise unit = 10^floor(log10 m), extent = unit * round_up(m / unit).
/// 37.2 gives (40, 10), 0.0042 gives (0.005, 0.001), 500 gives (500, 100).
RoundedExtent round_extent(double largest);

/// The largest |coordinate| over the first `dims` coordinates of the points, rounded up.
RoundedExtent fit_view_extent(std::span<const Vec3> points, int dims);

/// The largest |coordinate - centre| over the first `dims` coordinates, rounded up.
RoundedExtent centre_extent(std::span<const Vec3> points, int dims, const Vec3& centre);

/// Mean of the points; (0, 0, 0) for none.
Vec3 cloud_centroid(std::span<const Vec3> points);

}  // namespace tengun
