#pragma once
// Merging the segments of a uniform cubic B-spline whose third derivatives (jerks) are alike
// into longer segments, and the shorter control polygon that has the merged jerks.
// Segment s and group g are counted from 1 as in the curve formulas; their values are stored
// 0-based: the jerk of segment s is jerk[s - 1], group g is value[g - 1], new point i is
// merged[i - 1]. Control-point arrays keep their own index 0 (no shift).

#include <cstddef>
#include <span>
#include <vector>

#include "geometry/numeric_core.h"
#include "spline/bspline_basis.h"

namespace tengun {

/// Jerk of every segment and the largest absolute jerk per coordinate (0 when all are 0).
struct SegmentJerks {
    std::vector<Vec3> jerk;
    Vec3 max{};
};

/// Jerks of segments 1..`segments`: −C(s−1) + 3·C(s) − 3·C(s+1) + C(s+2) per coordinate.
/// Requires control points up to index segments + 2.
SegmentJerks segment_jerks(std::size_t segments, const ControlPolygon& control);

/// Runs of consecutive segments with alike jerks, K = value.size() of them.
struct JerkGroups {
    std::vector<Vec3> value;       ///< mean jerk of the run times size³: the jerk of one
                                   ///< segment spanning the run with its parameter in 0..1
    std::vector<std::size_t> size; ///< segments in each run
};

/// Chained grouping: segment s starts a new run when, in at least one coordinate c,
/// |jerk(s) − jerk(s−1)| > max_c / 10; a change of exactly max_c / 10 stays in the run. Each
/// segment is compared with the one before it, so a slow drift stays one run. No jerks: K = 0.
JerkGroups group_jerks(std::span<const Vec3> jerks, const Vec3& max);

/// Open polygon x(1..K+1) for K = groups.size() group jerks: x(1) = first, x(K+1) = last; with
/// the mirrored start point 2·x(1) − x(2), segment 1 has jerk x(1) − 2·x(2) + x(3) = group 1,
/// and segments 2..K−1 have jerks groups 2..K−1 (the last group's jerk is not imposed).
/// Solved in O(K) through the second differences. Status::error when K < 2 (the rows then
/// contradict or run past x(K+1)) or a value overflows; `merged` is then unchanged.
[[nodiscard]] Status merge_open(std::span<const Vec3> groups, const Vec3& first, const Vec3& last,
                                std::vector<Vec3>& merged);

/// Closed polygon x(1..K), indices cyclic: segments 1..K−1 have jerks groups 1..K−1 (the wrap
/// entries add up where they meet, K = 3), and the last row anchors the loop: the curve's start
/// (x(K) + 4·x(1) + x(2)) / 6 = first when `through_first` (the polygon of an inverse
/// B-spline), else x(1) = first. Solved in O(K). Status::error when K < 3 (no closed curve) or
/// a value overflows; `merged` is then unchanged.
[[nodiscard]] Status merge_closed(bool through_first, std::span<const Vec3> groups,
                                  const Vec3& first, std::vector<Vec3>& merged);

} // namespace tengun
