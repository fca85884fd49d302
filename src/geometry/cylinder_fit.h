#pragma once
// Circular cylinder in two stages: the axis direction from the line fit (the cloud's principal
// direction, so the cloud must be longer along the axis than across it), then the circle fit of
// the points' coordinates across that direction for the axis position and the radius.

#include <span>

#include "geometry/numeric_core.h"

namespace tengun {

/// Cylinder through `points`. On Status::ok: `axis` and `frame` as fit_line leaves them
/// (frame turns the axis onto +-Z); `centre` = the axis point level with the cloud's centroid
/// (world coordinates); `radius` = mean distance of the points from the axis, `sd` = RMS of
/// (distance - radius). With fewer than 4 points the cross-axis circle fit starts from the
/// centroid's world x and y.
/// Status::error when there are no points or the circle fit fails (see fit_sphere): every
/// output is then unchanged.
[[nodiscard]] Status fit_cylinder(std::span<const Vec3> points, Vec3& axis, Vec3& centre,
                                  Mat3& frame, double& radius, double& sd);

}  // namespace tengun
