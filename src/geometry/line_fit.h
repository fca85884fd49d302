#pragma once
// Straight line through a point cloud: through the centroid, its direction from two successive
// two-dimensional principal-axis rotations (about X, then about the new Y) instead of an
// eigenvalue routine. The angles build the frame rotation_matrix(alpha, beta', 0) that turns the
// line onto the Z axis.

#include <span>

#include "geometry/numeric_core.h"

namespace tengun {

/// Line fit of `points`. On Status::ok: `u` = unit direction (cos b, sin a sin b, -cos a sin b)
/// from the angles `alpha` (about X) and `beta` (about the new Y, radians); `point` = the
/// centroid; `frame` = rotation_matrix(alpha, beta -+ pi/2, 0), whose third row is u (beta < 0)
/// or -u (beta >= 0); `sd` = RMS distance of the points from the line (divided by N). An exact
/// tie between the two spreads of a rotation (a single point, all points equal) gives pi/4.
/// Status::error when there are no points: every output is then unchanged.
[[nodiscard]] Status fit_line(std::span<const Vec3> points, Vec3& u, Vec3& point, Mat3& frame,
                              double& alpha, double& beta, double& sd);

/// Perpendicular distance of x from the line through `point` along the unit vector `u`.
double point_line_distance(const Vec3& x, const Vec3& u, const Vec3& point);

/// sqrt(sum of the squared point_line_distance / N); 0 for no points.
double line_deviation(std::span<const Vec3> points, const Vec3& u, const Vec3& point);

}  // namespace tengun
