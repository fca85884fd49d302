#include "correction/marks.h"

#include <algorithm>

namespace tengun {

void clear_marks(PointCloud& points) { std::fill(points.label.begin(), points.label.end(), 0.0); }

}  // namespace tengun
