#pragma once
// Form errors as inspection defines them, for the five fitted features: the width of a zone of
// two bounding surfaces that holds every point. Least squares: the zone about the fitted
// feature (largest minus smallest signed orthogonal residual; a line: the diameter of the
// smallest cylinder about the fitted axis). Minimum zone: the feature moved so that the zone is
// as thin as possible, never wider than the least-squares one.
//
// Flatness and roundness are exact: the optimum of a small subset of the points (every
// hull-facet/vertex and edge/edge pair of a plane, every 3+1, 1+3 and 2+2 circle configuration)
// is checked against all points and the points outside it are added until none is; a subset
// optimum that holds every point is the optimum of all of them. Sphericity, cylindricity and
// straightness are Chebyshev fits: linear programs over the residuals linearised about the
// current feature, from the least-squares one, with a trust region; they stop when the linear
// program finds no step that narrows the zone by more than 1e-12 of its width (plus 1e-15 of
// the cloud's size), when the region shrinks below 1e-13 of the size, when a step would take
// the centre or axis farther than 10 sizes of the cloud from the fitted one (nearly flat
// points, whose thinnest shell runs off towards a plane's zone), or after 200 steps.
// Point numbers in results are 1-based as the user counts them (point k is points[k - 1]).

#include <span>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun {

enum class FormKind { none, flatness, straightness, roundness, sphericity, cylindricity };

/// One zone: two bounding surfaces of one family and the points that fix it.
struct FormZone {
    FormKind kind = FormKind::none;
    double width = 0.0; ///< the form error: the distance between the two surfaces
    /// Flatness: unit normal. Straightness, cylindricity: unit axis. Roundness: unit normal of
    /// the circle's plane. Sphericity: unused (0).
    Vec3 direction{};
    /// Straightness, cylindricity: the axis point nearest the centroid of the points.
    /// Roundness, sphericity: the centre. Flatness: the point of the mid-plane nearest the origin.
    Vec3 point{};
    /// Flatness: the planes direction . x = lower and = upper. Roundness, sphericity,
    /// cylindricity: the inner and outer radius. Straightness: 0 and the zone cylinder's radius.
    double lower = 0.0;
    double upper = 0.0;
    /// The points on the two surfaces that fix the zone (1-based, ascending): four for
    /// flatness and roundness, the active points of the last linear program for the others,
    /// the highest and lowest residual for a least-squares zone.
    std::vector<int> defining_points;
    friend bool operator==(const FormZone&, const FormZone&) = default;
};

struct FormErrors {
    FormZone least_squares; ///< the zone about the fitted feature
    FormZone minimum_zone;  ///< the thinnest zone; width <= least_squares.width always
    /// True when no thinner zone than the least-squares one exists (the widths agree within
    /// 1e-12 relative or within rounding of the coordinates, 64 units in the last place of
    /// their magnitude): the fitted feature is already minimal.
    bool least_squares_is_minimal = false;
    friend bool operator==(const FormErrors&, const FormErrors&) = default;
};

/// Flatness about the fitted plane normal . x = offset (normal a unit vector).
/// Status::error, `out` unchanged, with fewer than 3 points or all points on one line.
[[nodiscard]] Status flatness(std::span<const Vec3> points, const Vec3& normal, double offset,
                              FormErrors& out);

/// Straightness about the fitted line through `point` along the unit vector `axis`.
/// Status::error, `out` unchanged, with fewer than 2 points.
[[nodiscard]] Status straightness(std::span<const Vec3> points, const Vec3& axis, const Vec3& point,
                                  FormErrors& out);

/// Roundness of the points projected into the plane of `frame` (its rows: two in-plane axes and
/// the unit normal, as the arc fit leaves it) about the fitted circle centre `centre` (world
/// coordinates). The zone's centre stays at the height of `centre` along the normal.
/// Status::error, `out` unchanged, with fewer than 3 points or all on one line in the plane.
[[nodiscard]] Status roundness(std::span<const Vec3> points, const Mat3& frame, const Vec3& centre,
                               FormErrors& out);

/// Sphericity about the fitted centre. Status::error, `out` unchanged, with fewer than 4 points
/// or all in one plane.
[[nodiscard]] Status sphericity(std::span<const Vec3> points, const Vec3& centre, FormErrors& out);

/// Cylindricity about the fitted axis through `point` along the unit vector `axis`.
/// Status::error, `out` unchanged, with fewer than 5 points or all on one line.
[[nodiscard]] Status cylindricity(std::span<const Vec3> points, const Vec3& axis, const Vec3& point,
                                  FormErrors& out);

/// One bounding surface of a zone, as the view draws it.
struct ZoneSurface {
    enum class Shape { plane, circle, sphere, cylinder } shape = Shape::plane;
    Vec3 point{};     ///< plane: its point nearest the origin; otherwise the centre or axis point
    Vec3 direction{}; ///< plane, circle: unit normal; cylinder: unit axis; sphere: unused
    double radius = 0.0; ///< circle, sphere, cylinder; 0 for a plane
};

/// The surfaces that bound `zone`: two parallel planes (flatness), two concentric circles in one
/// plane (roundness), spheres (sphericity) or coaxial cylinders (cylindricity), inner or lower
/// first; straightness has the one cylinder about its axis. None for FormKind::none.
[[nodiscard]] std::vector<ZoneSurface> zone_surfaces(const FormZone& zone);

} // namespace tengun
