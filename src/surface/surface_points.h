#pragma once
// The one preparation step of the surface commands (点群面張り, 多平面抽出): the points they work
// on, moved to the middle of the cloud and scaled by a power of two to a unit extent, so that the
// answer does not depend on where the cloud lies or on its unit; and points that coincide
// (exactly, or within a hair of the point spacing) taken once. Labels and triangles found on the
// prepared points are given back in the cloud's own point numbers.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun {

struct SurfacePoints {
    /// The distinct points, in the order of their first occurrence in the cloud, as
    /// (p - centre) * 2^-exponent: every coordinate within [-2, 2].
    std::vector<Vec3> xyz;
    std::vector<std::size_t> first;       ///< per distinct point: the cloud's index (0-based) of it
    std::vector<std::size_t> distinct_of; ///< per cloud point: its distinct point (0-based)
    std::size_t merged = 0;               ///< cloud points that coincide with an earlier one
    Vec3 centre{};
    int exponent = 0;
    double hair = 0.0; ///< prepared points closer than this were taken as one
};

/// Prepares `xyz` for a surface command. Status::error, with `reason` (a Japanese sentence for the
/// user) and `out` unchanged, when a coordinate is not a finite number or fewer than three
/// distinct points remain; this is decided before any other work.
[[nodiscard]] Status prepare_surface_points(std::span<const Vec3> xyz, SurfacePoints& out,
                                            std::string& reason);

/// Per cloud point the label its distinct point got (`labels` has one per distinct point).
std::vector<double> labels_of_cloud(const SurfacePoints& prepared, std::span<const double> labels);

/// Triangle corners given as distinct point numbers (1-based) turned into the cloud's point
/// numbers (1-based) of the first occurrences, in place.
void corners_of_cloud(const SurfacePoints& prepared, std::vector<int>& corners);

} // namespace tengun
