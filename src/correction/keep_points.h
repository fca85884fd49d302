#pragma once
// Deleting points while keeping everything that refers to them in step: the cloud keeps the
// chosen points in their order, per-point flags follow their points, and the mesh keeps the
// triangles whose corners all stay, renumbered. `keep` has one flag per point (not 0: kept).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "geometry/point_cloud.h"

namespace tengun {

/// Keeps, in their order, the points whose flag is set, and shows them all (label 0), as the
/// removal of the shown points does. Returns the number kept.
std::size_t keep_points(PointCloud& points, std::span<const std::uint8_t> keep);

/// Keeps the flags of the kept points, in order. Flags of another size are left as they are.
void keep_flags(std::vector<std::uint8_t>& flags, std::span<const std::uint8_t> keep);

/// How many of the first `count` points are kept.
std::size_t count_kept(std::span<const std::uint8_t> keep, std::size_t count);

/// The mesh after keep_points: the triangles whose three corners are kept, in order, with their
/// tags and the corners renumbered; the others are dropped. Corners are 1-based point numbers; a
/// triangle with a corner outside 1..keep.size() (a mesh of an earlier cloud) is dropped too.
void keep_triangles(std::span<const std::uint8_t> keep, std::vector<int>& a, std::vector<int>& b,
                    std::vector<int>& c, std::vector<double>& tags);

} // namespace tengun
