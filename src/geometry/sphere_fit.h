#pragma once
// Least-squares sphere (m = 3) or circle (m = 2) by the spread of the point-to-centre distances.
//
// With d_i = |x_i - c| over the first m coordinates and r = mean d_i, the fit minimises
// F(c) = sum (d_i - r)^2: a start centre from the bisector planes of point pairs, then up to 10
// Newton steps on F, stopped early when the gradient length grows, then a refinement to the
// minimum of F where the Newton steps stopped short of it. Only the first m components
// of centres, gradients and Hessians are used; the others are left as they are. Pair and point
// numbers in the comments are 1-based as the user counts the points (point k is points[k - 1]).

#include <span>

#include "geometry/numeric_core.h"

namespace tengun {

/// Least-squares sphere (m = 3) or circle (m = 2) through the first m coordinates of `points`:
/// the centre that minimises the spread of the point-to-centre distances, radius = their mean,
/// sd = the RMS of (distance - radius). sphere_newton runs first; its result is then refined
/// (refine_fit.h) from itself and from the algebraic fit, and the refined feature is reported
/// when its sd is lower by more than 1e-9 relative, so where Newton already found the minimum
/// its numbers stay exactly. Only the first m components of `centre` are fitted.
/// On Status::error (no points; points in one plane, or for a circle on one line, to rounding;
/// no finite centre within 1e6 times the cloud's spread) `centre`, `radius`, `sd` are unchanged.
[[nodiscard]] Status fit_sphere(std::span<const Vec3> points, int m, Vec3& centre,
                                double& radius, double& sd);

/// The iteration of fit_sphere before its refinement: the start estimate, then up to 10 Newton
/// steps, stopped early when the gradient length grows. `centre` is the start of the iteration
/// when fewer than 4 points (or a singular pair system) give no start estimate. The centre is
/// the one after the last Newton step; radius and sd are evaluated at the centre before that
/// step. On Status::error (no points, coinciding paired points, a point exactly at a centre the
/// iteration reaches, a centre beyond 1e6 times the spread) the outputs are unchanged.
[[nodiscard]] Status sphere_newton(std::span<const Vec3> points, int m, Vec3& centre,
                                   double& radius, double& sd);

/// Start estimate: for N >= 4 points, h = N / 2 (rounded down) pairs point k with point k + h
/// (k = 1..h) and point N with point 1; the centre is the least-squares point of their
/// perpendicular bisector planes (lines for m = 2), radius and sd as sphere_radius there.
/// Fewer than 4 points, or bisectors that fix no point (an exactly singular system), write
/// nothing and return Status::ok. Status::error, writing nothing, when a pair coincides.
[[nodiscard]] Status sphere_start(std::span<const Vec3> points, int m, Vec3& centre,
                                  double& radius, double& sd);

/// The spread function at one centre, its gradient and Hessian.
struct SphereEvaluation {
    double radius = 0.0;           ///< mean distance r
    double sd = 0.0;               ///< sqrt(mean (d_i - r)^2)
    Vec3 gradient{};               ///< dF/dc_j, j < m
    Mat3 hessian{};                ///< d2F/dc_j dc_k, j, k < m
    double gradient_length = 0.0;  ///< |gradient|
};

/// F's radius, deviation, gradient and Hessian at `centre`, from sums gathered in one pass over
/// the points (memory O(1)). Status::error, `out` unchanged, when there are no points or a point
/// lies exactly at the centre (its distance has no derivative).
[[nodiscard]] Status sphere_objective(std::span<const Vec3> points, int m, const Vec3& centre,
                                      SphereEvaluation& out);

/// One Newton step: solves H delta = g (order m), stores delta in `g` and moves the centre by
/// -delta. With a singular H, Status::error and the centre unchanged (`g` partly eliminated).
Status newton_step(int m, Vec3& g, const Mat3& h, Vec3& centre);

/// radius = mean distance of the points from `centre` (first m coordinates), sd = RMS of
/// (distance - radius). No points: both unchanged.
void sphere_radius(std::span<const Vec3> points, int m, const Vec3& centre, double& radius,
                   double& sd);

}  // namespace tengun
