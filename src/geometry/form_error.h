#pragma once
// Form errors as inspection defines them for the five fitted features: the width of the zone of
// two bounding surfaces that holds every point. Least squares: about the fitted feature (largest
// minus smallest signed orthogonal residual; a line: twice the largest distance from its axis).
// Minimum zone: the thinnest such zone, never wider than the least-squares one. Flatness and
// roundness are exact (the zone fixed by four points, found on a growing subset checked against
// every point). Sphericity, cylindricity and straightness are Chebyshev fits by linear programs
// over the residuals linearised about the fitted feature; they stop when no step narrows the
// zone by more than 1e-12 of its width (plus 1e-15 of the cloud's size), when the trust region
// falls below 1e-13 of the size, when the centre or axis would move more than 10 sizes (nearly
// flat points run off towards a plane's zone), or after 200 steps. Point k is points[k - 1].

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
    /// True when the minimum zone is proven the thinnest: flatness and roundness whose subset
    /// held every point. False for the Chebyshev fits (no step narrows their zone, a local
    /// optimum) and for flatness or roundness of points so evenly round (a sphere's points for a
    /// plane) that the subset outgrew 256 points: the thinnest zone found is kept then.
    bool minimum_zone_exact = false;
    /// Where the cloud lies, for drawing the zone over it (measure_reach): the centroid of the
    /// points and their largest distance from it; for flatness the rectangle in the zone's
    /// planes that holds the points' projections, for cylindricity and straightness the
    /// stretch of the axis they span, as a middle and half-extent vectors (span_b 0 for an
    /// axis). Other kinds: middle = centroid, spans 0.
    Vec3 centroid{};
    double reach = 0.0;
    Vec3 middle{};
    Vec3 span_a{};
    Vec3 span_b{};
    friend bool operator==(const FormErrors&, const FormErrors&) = default;
};

/// Fills the extent fields of `errors` (centroid, reach, middle, spans) from the points and
/// the minimum zone (two passes).
void measure_reach(std::span<const Vec3> points, FormErrors& errors);

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
/// coordinates). The zone's centre stays at the height of `centre` along the normal. Points so
/// nearly on a line (a short flat arc) that a strip beats every annulus have no thinnest
/// annulus; they get one that four points fix and every point lies in, not proven thinnest.
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
