#pragma once
// 点群面張り as the commands run it: the prepared points (surface_points.h) are meshed by the
// advancing front (mesh.h) when the cloud is in scan order and the front's mesh is valid, and by
// the tangent-plane mesh (tangent_mesh.h) otherwise; the triangles are oriented consistently and
// given back in the cloud's own point numbers, with the counts that say what the mesh is.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "geometry/numeric_core.h"
#include "geometry/progress.h"
#include "surface/mesh_builder.h"

namespace tengun {

struct SurfaceMesh {
    std::vector<int> a, b, c;   ///< corners, the cloud's point numbers (1-based), oriented alike
    std::vector<double> labels; ///< per cloud point: 1 reached by the mesh, 0 not
    std::size_t reached = 0;    ///< cloud points reached (a merged point with its first)
    MeshSummary summary;        ///< boundary edges and loops, over the cloud's point numbers
    std::size_t merged = 0;     ///< cloud points that coincided with an earlier one
    bool front = false;         ///< the advancing front's triangles were kept
};

/// Meshes the cloud. The front's mesh is kept when most consecutive points of the cloud are
/// near each other (a scan), one front reaches every point, every triangle passes the checks
/// of MeshBuilder, no point lies beyond the mesh's rim; its triangles then keep the front's
/// order and corners, the few whose orientation disagrees with most of their piece turned over.
/// Status::error with `reason` when the points cannot be prepared (nothing else done) or when
/// `progress` asks to stop (reason cancelled_reason); `out` is then unchanged.
[[nodiscard]] Status mesh_surface(std::span<const Vec3> xyz, SurfaceMesh& out, std::string& reason,
                                  const Progress& progress = {});

/// The same with the choice forced: only the tangent-plane mesh (for comparisons and tests).
[[nodiscard]] Status mesh_surface_tangent(std::span<const Vec3> xyz, SurfaceMesh& out,
                                          std::string& reason, const Progress& progress = {});

} // namespace tengun
