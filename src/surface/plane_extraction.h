#pragma once
// Splitting a point cloud into planar regions by growing one advancing-front mesh per region.

#include <span>
#include <vector>

#include "geometry/progress.h"
#include "surface/front_candidate.h"

namespace tengun {

/// Grows regions one at a time, the first seeded at point Int(N / 4) (the origin when N < 4),
/// each later one at the middle of the previous region's final front. A region grows like
/// mesh_point_cloud but accepts a triangle only within 10 degrees of the region's plane: the
/// seed triangle's plane, refitted to the region's points whenever the walk comes round to the
/// start of the front (fit_plane_labelled's plane, from exact sums about the seed point: the
/// region's new points are added and the digits do not depend on their order). A finished region is kept when it has more than 3
/// points; otherwise its points get label -1 (never used again) and its triangles are dropped,
/// and extraction stops after more than 9 such regions in a row. It also stops when fewer than
/// 3 unlabelled points remain to seed a region (that region is not counted), or when the cloud is
/// used up while a region grows (that region counts).
/// `labels`: overwritten; plane number m >= 1, 0 for points never reached, -1 discarded.
/// Triangle arrays: replaced by the triangles of the kept regions (1-based point numbers),
/// tri_tag the plane number of each; `plane_count` the number of planes. `progress` hears the
/// share of points placed; when it asks to stop, the result is Status::error (cancelled_reason)
/// and every output is left as it was.
[[nodiscard]] Status extract_planes(std::span<const Vec3> xyz, std::span<double> labels,
                                    std::vector<int>& tri_a, std::vector<int>& tri_b,
                                    std::vector<int>& tri_c, std::vector<double>& tri_tag,
                                    int& plane_count, const Progress& progress,
                                    CandidateSearch search = CandidateSearch::indexed);

/// The same, never stopped; returns the number of planes.
int extract_planes(std::span<const Vec3> xyz, std::span<double> labels, std::vector<int>& tri_a,
                   std::vector<int>& tri_b, std::vector<int>& tri_c, std::vector<double>& tri_tag,
                   CandidateSearch search = CandidateSearch::indexed);

} // namespace tengun
