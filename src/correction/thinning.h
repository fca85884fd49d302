#pragma once
// Data thinning: reduce runs of points to the points where the run changes direction by more
// than a threshold angle.

#include <string_view>

#include "formats/file_io.h"
#include "geometry/progress.h"
#include "geometry/point_cloud.h"

namespace tengun {

/// Thins the cloud taken as one polyline in point order. Each run fits a line to its first four
/// points (the fifth is skipped); from the sixth point on, a step that turns more than
/// `angle_deg` away from that line ends the run, keeping the point before the step; the point
/// at which the turn was found starts no run, the next one does. The first and the last point are
/// always kept (a single point once). The result has labels 0.
PointCloud thin_by_direction(std::span<const Vec3> points, double angle_deg);
/// The same into `thinned`, telling `progress` the share of points passed ("データ間引き");
/// when it asks to stop, Status::error and `thinned` is left as it was.
[[nodiscard]] Status thin_by_direction(std::span<const Vec3> points, double angle_deg,
                                       PointCloud& thinned, const Progress& progress);

/// Every fifth pixel row of a 24-bit range image (rows 0, 5, 10, ... as stored), keeping in
/// each row the first pixel of every run, the pixel in the last column, and no other. Black
/// pixels belong to no run. A run fits a line to its first five (x, height) profile points and
/// ends where a step deviates from it by more than `angle_deg`. Status::error with a reason for
/// a file that is not an uncompressed 24-bit bitmap, or that gives no point; `cloud` is then
/// unchanged.
[[nodiscard]] Status thin_bitmap_rows(std::string_view bytes, double angle_deg, PointCloud& cloud,
                                      ReadError& error);

}  // namespace tengun
