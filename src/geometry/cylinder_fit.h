#pragma once
// Least-squares circular cylinder. A first estimate takes the axis along the line fit (the cloud's
// principal direction) and the circle of the points seen along it; it is then refined to the
// cylinder that minimises the squared distances of the points from its surface (refine_fit.h),
// started from that estimate, the other principal directions and the surface normals, so that
// short and partial scans get their true axis too.

#include <span>

#include "geometry/numeric_core.h"

namespace tengun {

/// Cylinder through `points`. On Status::ok: `axis` the unit axis direction and `frame` a
/// rotation whose third row is the axis (turns it onto +Z); `centre` = the axis point level with
/// the cloud's centroid (world coordinates); `radius` = mean distance of the points from the axis,
/// `sd` = RMS of (distance - radius). The refined cylinder is reported when its sd is lower than
/// the first estimate's by more than 1e-9 relative; otherwise the estimate stays exactly as the
/// line fit leaves it (its frame from fit_line, axis sign included).
/// Status::error when there are no points, the points lie in one plane (to rounding: a cylinder
/// of unbounded radius along the plane would fit them), no cylinder converges within 1e6 times the cloud's
/// spread, or seen along the axis the points lie on one line: every output is then unchanged.
[[nodiscard]] Status fit_cylinder(std::span<const Vec3> points, Vec3& axis, Vec3& centre,
                                  Mat3& frame, double& radius, double& sd);

}  // namespace tengun
