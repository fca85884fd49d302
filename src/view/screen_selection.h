#pragma once
// Which points the user has drawn a rectangle or a polygon around on the view. Each point is
// placed exactly where draw_points draws it (surface_position) and tested against a closed
// polygon given in surface millimetres (x to the right, y downwards).
//
// Inside is the even-odd rule over half-open edges, decided exactly: every coordinate is taken
// to a grid of 1/256 mm (clamped to +-65536 mm) and compared in integers. An edge holds its end
// of smaller y but not the other, and a point exactly on an edge counts as lying to its right.
// So a rectangle holds min x <= x < max x, min y <= y < max y, and of polygons that share edges
// (a tiling) every point lies in exactly one. Self-crossing polygons select by the even-odd rule.

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/numeric_core.h"
#include "view/view_transform.h"

namespace tengun {

/// How the view lays model points onto a surface of `width` x `height` millimetres.
struct ViewPlacement {
    Mat3 view{};
    Vec3 centre{};
    double scale = 0.0;
    double width = 0.0;
    double height = 0.0;
};

/// Surface position of model point p: the view point (s u1, s u2) of u = V (p - C) at
/// (W/2 + x, H/2 - y), computed as draw_points computes it, to the last bit.
SurfacePoint surface_position(const Vec3& p, const ViewPlacement& placement);

class ScreenPolygon {
public:
    /// Vertices in order, either orientation; the last is joined to the first. Fewer than three
    /// vertices (or vertices that are not finite) enclose nothing.
    explicit ScreenPolygon(std::span<const SurfacePoint> vertices);
    /// The rectangle with opposite corners a and b.
    static ScreenPolygon rectangle(SurfacePoint a, SurfacePoint b);

    [[nodiscard]] bool contains(SurfacePoint p) const;

private:
    struct Edge {
        std::int64_t ax, ay, bx, by; // grid coordinates, ay < by
    };
    struct GridPoint {
        std::int64_t x, y;
    };
    static GridPoint to_grid(SurfacePoint p);
    [[nodiscard]] bool contains_grid(GridPoint p) const;

    std::vector<Edge> edges_;
    // Edges by horizontal band of the bounding box, so a point meets only the edges at its height.
    std::int64_t xmin_ = 0, xmax_ = -1, ymin_ = 0, ymax_ = -1;
    std::int64_t band_height_ = 1;
    std::vector<std::uint32_t> band_start_; // band k holds band_edges_[start[k] .. start[k+1])
    std::vector<std::uint32_t> band_edges_;
};

/// Sets flags[i] = value for every point whose surface position lies inside `polygon`; the
/// other flags are left as they are. One flag per point. Returns how many points lie inside.
std::size_t mark_points_inside(std::span<const Vec3> points, const ViewPlacement& placement,
                               const ScreenPolygon& polygon, std::span<std::uint8_t> flags,
                               std::uint8_t value);

} // namespace tengun
