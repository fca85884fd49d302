#pragma once
// Which points agree worst with the fitted shape: residuals per analysis kind and the marks that
// show the worst point, or every point beyond the standard deviation. Marks are the point labels:
// 0 shown, 1 hidden.

#include <span>

#include "geometry/numeric_core.h"

namespace tengun {

/// The stored result of the last fit, as the residuals need it.
struct FittedShape {
    Vec3 normal{};       ///< plane unit normal
    double offset = 0;   ///< plane offset d of n . x = d
    Vec3 centre{};       ///< sphere or circle centre, point on the cylinder axis
    double radius = 0;
    Vec3 line_point{};   ///< point of the fitted line
    Mat3 frame{};        ///< turns the plane normal, cylinder or line axis onto Z
    double sd = 0;       ///< standard deviation of the fit
};

/// Residual of p for analysis kind 1 (plane: signed distance), 2 (sphere: distance to the centre
/// minus the radius), 3 and 4 (arc, cylinder: distance across the axis minus the radius) or
/// 5 (line: distance across the axis, never negative).
double fit_residual(int kind, const Vec3& p, const FittedShape& shape);

/// fit_residual of every point into `out` (one value per point), bit for bit, with the work that
/// depends only on the shape done once: the fast form for drawing big clouds. Kinds other than
/// 1..5 give 0.
void fit_residuals(int kind, std::span<const Vec3> points, const FittedShape& shape,
                   std::span<double> out);

/// Shows only the point that fits worst (squared residual; for arc and cylinder the largest
/// positive residual, so only points outside can be worst); ties go to the lower point. When no
/// residual exceeds 0 every point is hidden. Kinds other than 1..5: nothing changes, false.
bool mark_worst_point(int kind, std::span<const Vec3> points, std::span<double> marks,
                      const FittedShape& shape);

/// Shows only the points whose residual lies beyond +-sd (for the line: beyond sd); a residual
/// exactly at sd is hidden. Kinds other than 1..5: nothing changes, false.
bool mark_beyond_deviation(int kind, std::span<const Vec3> points, std::span<double> marks,
                           const FittedShape& shape);

}  // namespace tengun
