#include "view/screen_selection.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>

namespace tengun {

namespace {

// 1/256 mm is far below a pixel; with coordinates clamped to +-2^16 mm every grid value lies in
// [2^24, 3 * 2^24], so differences and their products stay exact in 64-bit integers.
constexpr double grid_per_mm = 256.0;
constexpr double clamp_mm = 65536.0;
constexpr double grid_offset = 33554432.0; // 2^25: grid values positive, truncation is floor
constexpr std::size_t max_bands = 4096;

} // namespace

SurfacePoint surface_position(const Vec3& p, const ViewPlacement& placement)
{
    // The same operations in the same order as draw_points' view point and to_surface.
    const Vec3 u = project_point(p, placement.centre, placement.view);
    const double x = placement.scale * u[0];
    const double y = placement.scale * u[1];
    return {placement.width / 2.0 + x, placement.height / 2.0 - y};
}

ScreenPolygon::GridPoint ScreenPolygon::to_grid(SurfacePoint p)
{
    const auto grid = [](double v) {
        return static_cast<std::int64_t>(std::clamp(v, -clamp_mm, clamp_mm) * grid_per_mm +
                                         grid_offset);
    };
    return {grid(p.x), grid(p.y)};
}

ScreenPolygon::ScreenPolygon(std::span<const SurfacePoint> vertices)
{
    const bool finite = std::all_of(vertices.begin(), vertices.end(), [](SurfacePoint v) {
        return std::isfinite(v.x) && std::isfinite(v.y);
    });
    if (vertices.size() < 3 || !finite) {
        return; // encloses nothing: the empty bounding box rejects every point
    }
    std::vector<GridPoint> grid;
    grid.reserve(vertices.size());
    for (const SurfacePoint v : vertices) {
        grid.push_back(to_grid(v));
    }
    xmin_ = xmax_ = grid.front().x;
    ymin_ = ymax_ = grid.front().y;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const GridPoint a = grid[i];
        const GridPoint b = grid[(i + 1) % grid.size()];
        xmin_ = std::min(xmin_, a.x);
        xmax_ = std::max(xmax_, a.x);
        ymin_ = std::min(ymin_, a.y);
        ymax_ = std::max(ymax_, a.y);
        if (a.y == b.y) {
            continue; // a horizontal edge is never crossed by a horizontal ray
        }
        // Stored from its end of smaller y: an edge shared by two polygons is decided alike.
        edges_.push_back(a.y < b.y ? Edge{a.x, a.y, b.x, b.y} : Edge{b.x, b.y, a.x, a.y});
    }
    const std::size_t bands = std::clamp<std::size_t>(2 * edges_.size(), 1, max_bands);
    const std::int64_t span = ymax_ - ymin_ + 1;
    band_height_ = (span + static_cast<std::int64_t>(bands) - 1) / static_cast<std::int64_t>(bands);
    const auto band_of = [this](std::int64_t y) {
        return static_cast<std::size_t>((y - ymin_) / band_height_);
    };
    std::vector<std::uint32_t> count(bands + 1, 0);
    for (const Edge& e : edges_) {
        for (std::size_t k = band_of(e.ay); k <= band_of(e.by - 1); ++k) {
            ++count[k + 1];
        }
    }
    band_start_.assign(bands + 1, 0);
    for (std::size_t k = 0; k < bands; ++k) {
        band_start_[k + 1] = band_start_[k] + count[k + 1];
    }
    band_edges_.resize(band_start_.back());
    std::vector<std::uint32_t> fill(band_start_.begin(), band_start_.end() - 1);
    for (std::size_t i = 0; i < edges_.size(); ++i) {
        for (std::size_t k = band_of(edges_[i].ay); k <= band_of(edges_[i].by - 1); ++k) {
            band_edges_[fill[k]++] = static_cast<std::uint32_t>(i);
        }
    }
}

ScreenPolygon ScreenPolygon::rectangle(SurfacePoint a, SurfacePoint b)
{
    const std::array<SurfacePoint, 4> corners{a, SurfacePoint{b.x, a.y}, b, SurfacePoint{a.x, b.y}};
    return ScreenPolygon(corners);
}

bool ScreenPolygon::contains(SurfacePoint p) const
{
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
        return false;
    }
    return contains_grid(to_grid(p));
}

bool ScreenPolygon::contains_grid(GridPoint p) const
{
    // Outside the bounding box a horizontal ray crosses no edge, or all of them at its height
    // (an even number): either way outside.
    if (p.x < xmin_ || p.x > xmax_ || p.y < ymin_ || p.y > ymax_) {
        return false;
    }
    const auto band = static_cast<std::size_t>((p.y - ymin_) / band_height_);
    bool inside = false;
    for (std::uint32_t k = band_start_[band]; k < band_start_[band + 1]; ++k) {
        const Edge& e = edges_[band_edges_[k]];
        if (p.y < e.ay || p.y >= e.by) {
            continue;
        }
        // Positive: the edge passes to the right of p at p's height, so the ray crosses it.
        const std::int64_t cross = (e.bx - e.ax) * (p.y - e.ay) - (e.by - e.ay) * (p.x - e.ax);
        if (cross > 0) {
            inside = !inside;
        }
    }
    return inside;
}

std::size_t mark_points_inside(std::span<const Vec3> points, const ViewPlacement& placement,
                               const ScreenPolygon& polygon, std::span<std::uint8_t> flags,
                               std::uint8_t value)
{
    assert(points.size() == flags.size() && "one flag per point");
    std::size_t inside = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (polygon.contains(surface_position(points[i], placement))) {
            flags[i] = value;
            ++inside;
        }
    }
    return inside;
}

} // namespace tengun
