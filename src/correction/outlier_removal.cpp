#include "correction/outlier_removal.h"

namespace tengun {

std::size_t remove_shown_points(PointCloud& points)
{
    std::size_t kept = 0;
    for (const double mark : points.label) {
        kept += mark == 1.0 ? 1 : 0;
    }
    if (kept == 0) {
        return 0;
    }
    std::size_t j = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (points.label[i] == 1.0) {
            points.xyz[j] = points.xyz[i];
            points.label[j] = 0.0;
            ++j;
        }
    }
    points.resize(kept);
    return kept;
}

}  // namespace tengun
