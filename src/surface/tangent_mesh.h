#pragma once
// A triangle mesh over an unordered cloud from the Delaunay neighbours of each point in its own
// tangent plane. Every point proposes the triangles around it that the Delaunay triangulation of
// its projected neighbourhood makes; a triangle proposed by all three of its corners is taken
// first, then those proposed by two and by one, each only when the mesh stays valid (see
// MeshBuilder); small holes left where the proposals disagree are closed, with the points they
// hold. Points are 0-based.

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/numeric_core.h"
#include "geometry/rotation.h"
#include "geometry/progress.h"
#include "surface/mesh_builder.h"

namespace tengun {

/// The nearest points of every point (`k` per row, the point itself first) and its unit normal,
/// the direction of least spread of its nearest `normal_k` points (sign arbitrary). Spread over
/// the worker threads with the same answer for any number of them.
struct Neighbourhoods {
    std::size_t k = 0;
    std::vector<std::uint32_t> near;
    std::vector<Vec3> normals;
};
Neighbourhoods neighbourhoods(std::span<const Vec3> xyz, std::size_t k, std::size_t normal_k);

/// A triangle some points proposed: corners a < b < c, how many of them proposed it (1-3) and
/// its smallest angle in radians.
struct ProposedTriangle {
    int a = 0;
    int b = 0;
    int c = 0;
    int votes = 0;
    double smallest_angle = 0.0;
};
/// Every proposed triangle once, in the order they are to be tried (most votes, widest smallest
/// angle, lowest corners first). Spread over the worker threads; the same for any number.
std::vector<ProposedTriangle> proposed_triangles(std::span<const Vec3> xyz,
                                                 const Neighbourhoods& hood);

/// Builds the mesh into `mesh` (empty at the start, over the same points and normals).
/// Status::error when `progress` asks to stop.
[[nodiscard]] Status tangent_mesh(std::span<const Vec3> xyz, const Neighbourhoods& hood,
                                  MeshBuilder& mesh, const Progress& progress);

/// The hole filling and the separation of fans meeting at a point, as tangent_mesh ends with
/// them, for a mesh built otherwise.
void close_small_holes(std::span<const Vec3> xyz, const Neighbourhoods& hood, MeshBuilder& mesh);

} // namespace tengun
