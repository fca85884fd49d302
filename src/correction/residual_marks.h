#pragma once
// Which points agree worst with the fitted shape: residuals per analysis kind and the marks that
// show the worst point, or every point beyond the standard deviation. Marks are the point labels:
// 0 shown, 1 hidden.

#include <cmath>
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

/// fit_residual of one fit, bit for bit, with the work that depends only on the shape done
/// once: the fast form for colouring big clouds. Kinds other than 1..5 give 0.
class Residual {
public:
    Residual(int kind, const FittedShape& shape);

    [[nodiscard]] double operator()(const Vec3& p) const
    {
        switch (kind_) {
        case 1:
            return plane(p);
        case 2:
            return sphere(p);
        case 3:
        case 4:
            return across_axis(p) - radius_;
        case 5:
            return across_axis(p);
        default:
            return 0.0;
        }
    }

    /// The residuals of many points into `out` (one per point), the kind decided once.
    void operator()(std::span<const Vec3> points, std::span<double> out) const;

private:
    // The operations of fit_residual (vec_dot, vec_length, mat_vec) in their order.
    [[nodiscard]] double plane(const Vec3& p) const
    {
        double s = 0.0;
        s += a_[0] * p[0];
        s += a_[1] * p[1];
        s += a_[2] * p[2];
        return s - offset_;
    }
    [[nodiscard]] double sphere(const Vec3& p) const
    {
        const double d0 = p[0] - c_[0];
        const double d1 = p[1] - c_[1];
        const double d2 = p[2] - c_[2];
        double s = 0.0;
        s += d0 * d0;
        s += d1 * d1;
        s += d2 * d2;
        return std::sqrt(s) - radius_;
    }
    [[nodiscard]] double across_axis(const Vec3& p) const
    {
        const double q0 = a_[0] * p[0] + a_[1] * p[1] + a_[2] * p[2];
        const double q1 = b_[0] * p[0] + b_[1] * p[1] + b_[2] * p[2];
        return std::sqrt((q0 - c_[0]) * (q0 - c_[0]) + (q1 - c_[1]) * (q1 - c_[1]));
    }

    int kind_ = 0;
    Vec3 a_{}; // plane normal, or first row of the frame
    Vec3 b_{}; // second row of the frame
    Vec3 c_{}; // sphere centre, or the axis point turned by the frame
    double offset_ = 0.0;
    double radius_ = 0.0;
};

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
