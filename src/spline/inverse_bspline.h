#pragma once
// Control points of the uniform cubic B-spline that passes through every point in file order,
// one segment between consecutive points: segment i starts at point i, since
// (C(i−1) + 4·C(i) + C(i+1)) / 6 = P(i). The interpolation system is tridiagonal (open) or
// cyclic tridiagonal (closed) and is solved in O(N).

#include <span>

#include "geometry/numeric_core.h"
#include "spline/bspline_curve.h"

namespace tengun {

/// Open curve: rows 2..N−1 are (C(i−1) + 4·C(i) + C(i+1)) / 6 = P(i), rows 1 and N fix C1 = P1
/// and C(N) = P(N) (with the mirrored end points the curve then starts at P1 and ends at P(N)).
/// End points as control_points_with_ends. Status::error with fewer than 2 points or a
/// singular system; `out` is then unchanged.
[[nodiscard]] Status inverse_bspline_open(std::span<const Vec3> points, ControlPoints& out);

/// Closed curve: every row i is (C(i−1) + 4·C(i) + C(i+1)) / 6 = P(i) with C0 = C(N) and
/// C(N+1) = C1; end points wrap as control_points_with_ends. Status::error with fewer than 3
/// points or a singular system; `out` is then unchanged.
[[nodiscard]] Status inverse_bspline_closed(std::span<const Vec3> points, ControlPoints& out);

} // namespace tengun
