#pragma once
// Point in polygon written the textbook way, as the reference for ScreenPolygon: every edge as
// given (no normalising, no bands), the crossing decided by comparing fractions exactly. Exact
// for coordinates that are whole multiples of 1/256 mm of moderate size, which is what the tests
// feed it.

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "view/view_transform.h"

namespace tengun::testing {

/// Even-odd rule with a ray towards +x: edge (i, j) counts when exactly one end lies above p
/// (y > p.y) and p lies strictly left of the edge at p's height.
inline bool reference_inside(std::span<const SurfacePoint> polygon, SurfacePoint p)
{
    const auto grid = [](double v) { return static_cast<std::int64_t>(std::floor(v * 256.0)); };
    bool inside = false;
    const std::size_t n = polygon.size();
    if (n < 3) {
        return false;
    }
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const std::int64_t xi = grid(polygon[i].x), yi = grid(polygon[i].y);
        const std::int64_t xj = grid(polygon[j].x), yj = grid(polygon[j].y);
        const std::int64_t px = grid(p.x), py = grid(p.y);
        if ((yi > py) == (yj > py)) {
            continue;
        }
        // px < xi + (xj - xi) (py - yi) / (yj - yi), multiplied out by (yj - yi) with its sign.
        const std::int64_t lhs = (px - xi) * (yj - yi);
        const std::int64_t rhs = (xj - xi) * (py - yi);
        if (yj > yi ? lhs < rhs : lhs > rhs) {
            inside = !inside;
        }
    }
    return inside;
}

} // namespace tengun::testing
