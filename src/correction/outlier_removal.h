#pragma once

#include <cstddef>

#include "geometry/point_cloud.h"

namespace tengun {

/// Deletes the points the last residual display showed: keeps, in their order, the points whose
/// mark is exactly 1 and shows them all (mark 0). When no point is kept nothing changes.
/// Returns the number of points kept.
std::size_t remove_shown_points(PointCloud& points);

}  // namespace tengun
