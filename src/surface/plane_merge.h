#pragma once
// Tidying the planes of a multi-plane extraction: pieces of one face joined into one plane, and
// splinters along the edges given to the face they belong to.
// Planes are numbered 1..P as labels of the points (0 = in no plane, -1 = discarded); point k
// (1-based, as the user counts) is xyz[k - 1] with label labels[k - 1].

#include <span>
#include <vector>

#include "geometry/numeric_core.h"
#include "geometry/progress.h"

namespace tengun {

/// Merges the planes of an extraction in place:
/// 1. Neighbouring planes (a point of one among the 16 nearest labelled points of a point of the
///    other) whose normals differ by less than 3 degrees and whose offsets differ by less than
///    3 times their deviations (each plane's centroid from the other's plane, against 3 times the
///    sum of their RMS distances) become one, the closest pair in angle first, refitted each time.
/// 2. Every plane with fewer than 1 % of all points, or fewer than 30, smallest first, goes to
///    the larger neighbouring plane it fits best: the one its points lie nearest (RMS) to, when
///    that is within 3 times the neighbour's deviation. When it fits none as a whole, each of
///    its points goes to the neighbouring plane it lies nearest, within 3 times that plane's
///    deviation; when more than half of them (and at least 3) lie farther than 10 deviations
///    from every neighbouring plane, the points that fit none stay a plane of their own (a small
///    feature), otherwise they go to no plane (label 0). A small plane that fits no neighbour
///    is tried again after the others, when its neighbours may have joined larger planes. The
///    points of small planes look for neighbours among their 64 nearest labelled points.
/// 3. A point among whose 16 nearest labelled points is one of another plane goes to that plane
///    when it lies nearer to it: the points of a face meet their edges in their own plane.
/// 4. The planes are renumbered by size, largest first (of equal sizes the lower old number).
/// `labels` get the new numbers (0 and -1 stay), `tri_tag` (the plane number of each triangle)
/// follows its plane (a triangle of a plane given away point by point takes the new label of
/// its corner tri_a), `plane_count` the new count. Planes are least-squares planes through their
/// centroids. Status::error only when `progress` stopped it (cancelled_reason); the outputs are
/// then unchanged.
[[nodiscard]] Status merge_planes(std::span<const Vec3> xyz, std::span<double> labels,
                                  int& plane_count, std::span<const int> tri_a,
                                  std::vector<double>& tri_tag, const Progress& progress = {});

} // namespace tengun
