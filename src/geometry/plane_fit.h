#pragma once
// Least-squares plane n . x = d through a point cloud.
//
// The fit solves the normal equations of sum (a . x - 1)^2 over a, with moments about the origin,
// and takes n = a / |a|, d = 1 / |a|. That algebraic plane is not the least-squares plane of the
// distances on noisy data, cannot hold a plane through the origin and turns inaccurate near it.
// So both it and the orthogonal least-squares plane (through the centroid, normal along the
// smallest principal axis, d >= 0) are measured by the RMS of their residuals, and the orthogonal
// plane is the result unless the algebraic one is as good within 1e-9 relative (plus rounding of
// the cloud's size): on exact data the algebraic plane and its digits stay.

#include <array>
#include <span>

#include "geometry/exact_sum.h"
#include "geometry/numeric_core.h"

namespace tengun {

/// Plane through the first m (2 or 3) coordinates of `points` (m = 2: the line n . x = d in the
/// XY plane, n[2] = 0). On Status::ok `n` is a unit normal, `d` the offset and `sd` the RMS
/// signed distance (dividing by N), summed from the residuals n . x - d of the points. Status::error when the points fix no plane (fewer than m
/// distinct points, or all on one line for m = 3): `n`, `d`, `sd` are then unchanged.
[[nodiscard]] Status fit_plane(std::span<const Vec3> points, int m, Vec3& n, double& d,
                               double& sd);

/// The plane fit_plane gives (of three coordinates) for a point set that grows, from sums kept
/// exactly: the digits depend on the set alone, not on the order its points came in, so a
/// growing region is refitted from its new points without a pass over the old ones. The sums
/// about `origin` (any point, kept for the set's life) give the centroid's scatter, as fit_plane's
/// sums about the first point do; the residual RMS that chooses between the two planes is exact.
class ExactPlaneSums {
public:
    explicit ExactPlaneSums(const Vec3& origin);
    void add(const Vec3& x);
    [[nodiscard]] std::size_t count() const { return count_; }
    /// As fit_plane: Status::error when the points fix no plane (n, d then unchanged).
    [[nodiscard]] Status fit(Vec3& n, double& d) const;

private:
    Vec3 shift_;
    std::size_t count_ = 0;
    std::array<ExactSum, 3> sum_;         // of x
    std::array<ExactSum, 3> shifted_sum_; // of x - origin
    std::array<ExactSum, 6> raw_;         // of x x^T, the upper triangle row by row
    std::array<ExactSum, 6> shifted_;     // of (x - origin)(x - origin)^T
};

/// The same fit over the points whose label equals `label` (labels[i] belongs to points[i]).
[[nodiscard]] Status fit_plane_labelled(std::span<const Vec3> points,
                                        std::span<const double> labels, double label, int m,
                                        Vec3& n, double& d);

/// The same fit over points[indices[0]], points[indices[1]], ... (0-based, in that order): with
/// the indices of the labelled points in ascending order it gives exactly fit_plane_labelled.
[[nodiscard]] Status fit_plane_indexed(std::span<const Vec3> points, std::span<const int> indices,
                                       int m, Vec3& n, double& d);

/// fit_plane of all three coordinates, then the plane's frame: `frame` = rotation_matrix of the
/// direction angles of n (its third row is n) and `foot` = d n, the plane point nearest the
/// origin. On Status::error every output is unchanged.
[[nodiscard]] Status plane_analysis(std::span<const Vec3> points, Vec3& n, double& d, Vec3& foot,
                                    Mat3& frame, double& sd);

}  // namespace tengun
