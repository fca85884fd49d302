#pragma once
// The uniform cubic B-spline whose control polygon is the point cloud itself, in file order,
// open or closed; and the pass points of any such curve for writing out.
// Control-point arrays start at index 0 like the segment formulas: no index shift.

#include <cstddef>
#include <span>
#include <vector>

#include "geometry/numeric_core.h"
#include "spline/bspline_basis.h"

namespace tengun {

/// Control points of a curve, one array per coordinate from index 0, as the form state keeps
/// them: indices 1..N are the main points, 0 and N+1 (closed also N+2) the end or wrap points.
struct ControlPoints {
    std::vector<double> x, y, z;
    [[nodiscard]] ControlPolygon polygon() const { return {x, y, z}; }
};

/// Fewest points a curve needs: 2 for an open curve (one segment), 3 for a closed one.
std::size_t bspline_min_points(bool closed);

/// Control polygon with `main` at indices 1..N. Open: C0 = 2·C1 − C2 and C(N+1) = 2·C(N) − C(N−1),
/// so the curve starts at C1 and ends at C(N). Closed: C0 = C(N), C(N+1) = C1, C(N+2) = C2.
/// Requires at least bspline_min_points(closed) main points.
ControlPoints control_points_with_ends(std::span<const Vec3> main, bool closed);

/// The B-spline of the points themselves: control_points_with_ends(points, closed).
/// Status::error with fewer than bspline_min_points(closed) points; `out` is then unchanged.
[[nodiscard]] Status bspline_curve_points(std::span<const Vec3> points, bool closed,
                                          ControlPoints& out);

/// Points along a curve of `segments` segments: t = j / divisions for j = 0..divisions−1 of
/// every segment, then for an open curve the end of the last segment. segments·divisions
/// points (+1 when open); none when segments or divisions is 0. Requires control points up to
/// index segments + 2.
std::vector<Vec3> sample_bspline_curve(const ControlPolygon& control, std::size_t segments,
                                       std::size_t divisions, bool closed);

} // namespace tengun
