#pragma once
// Circles, spheres and cylinders in the least-squares sense of the distances: the feature that
// minimises the sum of (d_i - r)^2, d_i the distance of point i from the centre (circle, sphere)
// or from the axis (cylinder) and r the radius. Levenberg-Marquardt over those residuals, run
// from several starts (a given result, an algebraic fit, for the cylinder also the principal
// directions and the direction most perpendicular to the local surface normals), keeping the
// lowest that converges. On clouds of more than 4096 points the starts run on an evenly spread
// subset and the best of them is then polished on every point.
//
// These refine what the fits of sphere_fit.h and cylinder_fit.h find; those decide which result
// they report.

#include <span>

#include "geometry/numeric_core.h"

namespace tengun {

/// True when the first m coordinates of the points (m = 2: x, y; m = 3: space) lie on one line
/// (m = 2) or in one plane (m = 3) to rounding: the smallest principal spread is below 1e-10 of
/// the largest, or below a few units of the last place of the coordinates' size. Fewer than
/// m + 1 points are always flat. Such points fix no circle or sphere.
[[nodiscard]] bool flat_to_rounding(std::span<const Vec3> points, int m);

/// True when a refined deviation is lower than the present one by more than 1e-9 relative and
/// by more than rounding of a feature of `size` (radius plus the largest coordinate of the
/// centre): a present result that is already the optimum is then kept with all its digits.
[[nodiscard]] bool clearly_lower(double refined_sd, double present_sd, double size);

struct SphereSolution {
    Vec3 centre{};       ///< for a circle (m = 2) only the first two components are fitted
    double radius = 0.0; ///< mean distance of the points from the centre
    double sd = 0.0;     ///< RMS of (distance - radius)
};

/// The least-squares circle (m = 2) or sphere (m = 3) of the first m coordinates, started from
/// `start` (when not null) and from the algebraic fit. The third component of a circle's centre
/// is copied from `start` (0 without one). Status::error, `out` unchanged, when no start
/// converges to a finite centre (too few points, every start singular).
[[nodiscard]] Status least_squares_sphere(std::span<const Vec3> points, int m,
                                          const SphereSolution* start, SphereSolution& out);

struct CylinderSolution {
    Vec3 axis{};         ///< unit direction
    Vec3 point{};        ///< the axis point nearest the centroid of the points
    double radius = 0.0; ///< mean distance of the points from the axis
    double sd = 0.0;     ///< RMS of (distance - radius)
};

/// The least-squares cylinder of the points, started from `start` (when not null), from the
/// three principal directions of the cloud and from axis_from_normals. Status::error, `out`
/// unchanged, with fewer than 5 points or when no start converges.
[[nodiscard]] Status least_squares_cylinder(std::span<const Vec3> points,
                                            const CylinderSolution* start, CylinderSolution& out);

/// The direction most perpendicular to the surface normals of the points (each from the
/// principal axes of its 12 nearest neighbours, weighted by how flat they lie): the axis of a
/// cylindrical patch, however little of the cylinder it shows. Unit length; (0, 0, 0) when
/// fewer than 6 points are given. At most 1024 evenly spread points are used.
[[nodiscard]] Vec3 axis_from_normals(std::span<const Vec3> points);

} // namespace tengun
