#pragma once
// Triangle mesh of an unordered point cloud by an advancing front.

#include <span>
#include <vector>

#include "geometry/progress.h"
#include "surface/front_candidate.h"

namespace tengun {

/// Covers the cloud with triangles, patch by patch. The first patch starts with a seed triangle
/// at point Int(N / 2) and grows edge by edge: each front edge takes best_front_candidate as its
/// new vertex when that point lies within the seed triangle's perimeter of the edge's midpoint and
/// the new triangle folds by at most 45 degrees against the triangle inside the edge (collinear
/// triangles fold "too far"). A patch ends when more edges in a row than its front has found no
/// vertex; while at least 3 points are free, the next patch is seeded the same way at the
/// lowest-numbered free point whose seed triangle has a plane and a perimeter of at most 3 times
/// that of the seed triangle the same point gives in the whole cloud (every point counted free:
/// a longer one only bridges leftovers far apart across meshed surface, and its points stay
/// free); its limit is its own seed triangle's perimeter. A cloud that the first patch covers
/// completely gets exactly the first patch's triangles.
/// `labels` (one per point) are all overwritten: 1 for mesh vertices, 0 for points never reached.
/// Triangle t (1-based) is (tri_a[t-1], tri_b[t-1], tri_c[t-1]), point numbers counted from 1, in
/// the order the mesh built them; every tri_tag is 0. With fewer than 3 points the triangle
/// arrays are left as they were. `search` chooses how candidates are found; the mesh is the same.
/// `progress` hears the share of points meshed; when it asks to stop, the result is
/// Status::error (cancelled_reason) and labels and triangle arrays are left as they were.
[[nodiscard]] Status mesh_point_cloud(std::span<const Vec3> xyz, std::span<double> labels,
                                      std::vector<int>& tri_a, std::vector<int>& tri_b,
                                      std::vector<int>& tri_c, std::vector<double>& tri_tag,
                                      const Progress& progress,
                                      CandidateSearch search = CandidateSearch::indexed);

/// The same, never stopped.
void mesh_point_cloud(std::span<const Vec3> xyz, std::span<double> labels, std::vector<int>& tri_a,
                      std::vector<int>& tri_b, std::vector<int>& tri_c,
                      std::vector<double>& tri_tag,
                      CandidateSearch search = CandidateSearch::indexed);

} // namespace tengun
