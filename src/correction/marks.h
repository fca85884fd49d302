#pragma once

#include "geometry/point_cloud.h"

namespace tengun {

/// Shows every point again: every label 0.
void clear_marks(PointCloud& points);

}  // namespace tengun
