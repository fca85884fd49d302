#pragma once
// Planes of a labelled cloud and where they meet: the fitted plane of each label, the line two
// planes share, the corner three planes share, and the ring of neighbouring planes around one.
//
// Planes are numbered 1..P as the extraction numbered them: plane m has the unit normal
// uu[m - 1] and the offset LL[m - 1] (the points x with uu . x = LL). Ring entries are counted
// 1..t_suu: entry e is tree[e - 1]. Points carry their plane number as label.

#include <span>
#include <vector>

#include "geometry/numeric_core.h"
#include "geometry/point_cloud.h"

namespace tengun {

/// Fits plane m = 1..plane_count to the points labelled m (fit_plane_labelled) into uu and LL,
/// both resized to plane_count. Each normal points away from the centroid g of the whole cloud
/// (uu . g <= LL). A plane whose points fix no plane gets the zero normal and offset 0, which
/// no other plane meets.
void plane_parameters(std::span<const Vec3> xyz, std::span<const double> labels, int plane_count,
                      std::vector<Vec3>& uu, std::vector<double>& LL);

/// Mean of the points labelled men. Status::error with c = (0, 0, 0) when there are none.
[[nodiscard]] Status plane_centroid(int men, std::span<const Vec3> xyz,
                                    std::span<const double> labels, Vec3& c);

/// The line the planes n1 . x = l1 and n2 . x = l2 share: `direction` the unit vector along
/// n1 x n2, `point` the line's point nearest the origin. Status::error when the planes are
/// parallel (or a normal is zero); the outputs are then unchanged.
[[nodiscard]] Status plane_intersection_line(const Vec3& n1, const Vec3& n2, double l1, double l2,
                                             Vec3& point, Vec3& direction);

/// How far the plane (n, l) with centroid c reaches in direction phi (radians, in the plane's
/// own frame: rotation_matrix of n's direction angles) towards the line (point, direction) of a
/// neighbour with centroid cj: the ray length t to the line, or, when the line lies ahead
/// (t >= 0) and the hit point is farther from cj than t, that distance. Negative when the line
/// lies behind. Status::error when the ray runs parallel to the line (d unchanged).
[[nodiscard]] Status ray_hit_distance(const Vec3& c, const Vec3& cj, const Vec3& n, double l,
                                      double phi, const Vec3& point, const Vec3& direction,
                                      double& d);

/// The ring of planes that bound plane `men`: in 361 whole-degree directions from men's centroid
/// the neighbour with the smallest positive ray_hit_distance (ties to the lower number; parallel
/// planes and rays are passed over), each change of neighbour a new entry. A closed ring ends
/// with its first entry again. When some direction met no neighbour, the ring is an open chain
/// that starts after the last such gap, without a repeated entry. `kazu` is the number of
/// points of `tengun` to use, labelled with plane numbers; uu, LL as from plane_parameters.
void tree_search(int men, std::span<const Vec3> uu, std::span<const double> LL, std::size_t kazu,
                 const PointCloud& tengun, int& t_suu, std::vector<int>& tree);

/// The point common to planes i, j and k. Status::error when they share no single point (p is
/// then unchanged).
[[nodiscard]] Status sanmen_p(int i, int j, int k, std::span<const Vec3> uu,
                              std::span<const double> LL, Vec3& p);

/// The point common to planes i and j and to plane k moved to offset LL(k) - h (by h towards
/// the cloud when normals point outwards). Status::error as for sanmen_p.
[[nodiscard]] Status sanmen_zure_p(int i, int j, int k, double h, std::span<const Vec3> uu,
                                   std::span<const double> LL, Vec3& p);

} // namespace tengun
