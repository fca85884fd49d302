#pragma once
// Control polygons whose curve is known to come from a coarser one, for the merge tests.

#include <vector>

#include "geometry/numeric_core.h"
#include "spline/bspline_curve.h"

namespace tengun::testing {

/// The polygon of the same uniform cubic B-spline with every segment halved (knot insertion):
/// twice the segments, each with an eighth of its coarse segment's jerk. An open polygon keeps
/// its first and last point and its mirrored end points stay consistent.
inline std::vector<Vec3> halve_segments(const std::vector<Vec3>& q, bool closed)
{
    const std::size_t n = q.size();
    const ControlPoints c = control_points_with_ends(q, closed);
    const auto at = [&c](std::size_t i) { return Vec3{c.x[i], c.y[i], c.z[i]}; };
    std::vector<Vec3> r;
    for (std::size_t i = 1; i <= n; ++i) {
        r.push_back((1.0 / 8.0) * (at(i - 1) + 6.0 * at(i) + at(i + 1)));
        if (closed || i < n) {
            r.push_back(0.5 * (at(i) + at(i + 1)));
        }
    }
    return r;
}

/// Coarse polygons whose consecutive segment jerks differ well beyond a tenth of the largest.
inline std::vector<Vec3> coarse_open_polygon()
{
    return {{0, 0, 0}, {4, 1, 0}, {7, 5, 2}, {6, 9, 1}, {2, 11, -1}, {-1, 8, 3}};
}

inline std::vector<Vec3> coarse_closed_polygon()
{
    return {{0, 0, 0}, {8, -1, 1}, {11, 4, -2}, {9, 10, 0}, {3, 12, 2}, {-2, 6, -1}};
}

} // namespace tengun::testing
