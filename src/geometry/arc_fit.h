#pragma once
// Circle in space through points on an arc: the plane of the points, then the circle fit of
// their coordinates in the plane's frame.

#include <span>

#include "geometry/numeric_core.h"

namespace tengun {

/// Arc (circle in space) through `points`. On Status::ok: `normal`, `d`, `foot`, `frame` are the
/// plane of the points as plane_analysis leaves them (frame row 3 = normal); `centre` is the
/// circle centre in world coordinates, on the plane; `radius` the mean in-plane distance of the
/// points from it and `sd` the RMS of (in-plane distance - radius), the points' heights above
/// the plane left out. The in-plane circle fit starts from the frame's origin (0, 0) when fewer
/// than 4 points give no start estimate.
/// Status::error when the points fix no plane or the circle fit fails (see fit_sphere): every
/// output is then unchanged.
[[nodiscard]] Status fit_arc(std::span<const Vec3> points, Vec3& normal, double& d, Vec3& foot,
                             Vec3& centre, Mat3& frame, double& radius, double& sd);

}  // namespace tengun
