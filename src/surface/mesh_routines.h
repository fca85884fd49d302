#pragma once
// Routines that the advancing-front mesh and the plane extraction share: the plane of three
// points, distances, label counts, nearest free points, the far-side test of a front edge and the
// angle under which a point sees an edge.
//
// Points are numbered 1..N as the user counts them: point k is xyz[k - 1] with label
// labels[k - 1]; the number 0 stands for "no point". A point is free when its label is 0.

#include <cmath>
#include <cstddef>
#include <span>

#include "geometry/numeric_core.h"

namespace tengun {

struct TrianglePlane {
    Vec3 normal{};       ///< unit normal, turned so that normal . A >= 0
    Vec3 centroid{};     ///< (A + B + C) / 3
    double offset = 0.0; ///< normal . A, never negative
};

/// Plane through points a, b, c. The normal is (B - A) x (C - A) made unit length, so planes
/// through the origin are as well defined as any other. Status::error when the three points are
/// collinear (the cross product is not above 1e-12 of |B - A| |C - A|, or a point is repeated);
/// `plane` is then unchanged.
[[nodiscard]] Status triangle_plane(std::span<const Vec3> xyz, int a, int b, int c,
                                    TrianglePlane& plane);

/// Euclidean distance of points a and b.
double point_distance(std::span<const Vec3> xyz, int a, int b);

/// Number of points whose label equals `value`.
std::size_t count_label(double value, std::span<const double> labels);

struct Nearest {
    int index = 0;         ///< point number; 0 when no point qualified
    double distance = 0.0; ///< sqrt(huge_value), about 1.34E+154, when no point qualified
};

/// The free point nearest to `at`, other than skip1 and skip2; of equal distances the lower
/// point number.
Nearest nearest_free_point(std::span<const Vec3> xyz, std::span<const double> labels,
                           const Vec3& at, int skip1, int skip2);

/// nearest_free_point at point p, skipping p. p = 0 (a seed position of a cloud too small to
/// have one) searches from the origin and skips nothing.
Nearest nearest_to_point(std::span<const Vec3> xyz, std::span<const double> labels, int p);

/// nearest_free_point at the midpoint of points a and b, skipping both.
Nearest nearest_to_midpoint(std::span<const Vec3> xyz, std::span<const double> labels, int a,
                            int b);

/// The first triangle of a mesh or a region, grown from seed position s (a point number, or 0
/// for the origin): a = the free point nearest s, b = the one nearest a, c = the one nearest their
/// midpoint; limit = its perimeter, the farthest a later vertex may lie from its edge's midpoint.
/// Needs at least 3 free points besides s.
struct SeedTriangle {
    int a = 0;
    int b = 0;
    int c = 0;
    double limit = 0.0;
};
SeedTriangle seed_triangle(std::span<const Vec3> xyz, std::span<const double> labels, int s);

/// The angle between two planes with unit normals n1 and n2, 0..pi/2 whichever way they point.
double fold_angle(const Vec3& n1, const Vec3& n2);

/// An angle limit with the cosines between which arc_cos must be asked: a cosine clearly beyond
/// them (by far more than the rounding of arc_cos and cos) gives the comparison's answer at once.
struct AngleLimit {
    explicit AngleLimit(double angle);
    /// arc_cos(x) > angle.
    [[nodiscard]] bool exceeded_by(double x) const
    {
        if (x < cos_low) {
            return true;
        }
        if (x > cos_high) {
            return false;
        }
        return arc_cos(x) > angle;
    }
    /// False when fold_angle(n1, n2) is clearly within the angle: only otherwise need it be
    /// computed.
    [[nodiscard]] bool may_fold_beyond(const Vec3& n1, const Vec3& n2) const
    {
        return !(std::abs(vec_dot(n1, n2)) > cos_high);
    }
    /// fold_angle(n1, n2) > angle.
    [[nodiscard]] bool folded_beyond(const Vec3& n1, const Vec3& n2) const
    {
        return may_fold_beyond(n1, n2) && fold_angle(n1, n2) > angle;
    }
    double angle;
    double cos_low;
    double cos_high;
};

/// Is point k on the far side of the edge a-b from point o? In the plane of a, b, o (turned onto
/// XY by the rotation of its normal's direction angles) solves A + t1 (B - A) = O + t2 (K - O)
/// for the crossing of the edge line with the line from O to K; 0 < t2 < 1 means the far side.
/// Status::error when a, b, o are collinear or the two lines are parallel (t1, t2 unchanged).
[[nodiscard]] Status crosses_edge(std::span<const Vec3> xyz, int a, int b, int o, int k, double& t1,
                                  double& t2);

/// The angle at k in the triangle a, b, k, in radians; 0 when k coincides with a or b.
double vertex_angle(std::span<const Vec3> xyz, int a, int b, int k);

/// The two tests a new vertex of the front edge a -> b (inner third vertex o) must pass, prepared
/// once per edge for the many points a candidate search tries. Gives the same answers as
/// crosses_edge and vertex_angle.
class EdgeTest {
public:
    EdgeTest(std::span<const Vec3> xyz, int a, int b, int o);
    /// crosses_edge for point k.
    [[nodiscard]] Status crossing(int k, double& t1, double& t2) const;
    /// On the far side (0 < t2 < 1) and seeing the edge under more than 20 degrees.
    [[nodiscard]] bool qualifies(int k) const;
    [[nodiscard]] const Vec3& midpoint() const { return midpoint_; }

private:
    /// The in-plane frame and the edge's coordinates in it, at the first crossing: many searches
    /// find no point to test.
    void prepare() const;

    std::span<const Vec3> xyz_;
    int a_ = 0;
    int b_ = 0;
    int o_ = 0;
    bool plane_ok_ = false;
    mutable bool prepared_ = false;
    mutable Vec3 normal_{};
    mutable Mat3 turn_{}; // rows 1 and 2 give the in-plane coordinates
    mutable double xa_ = 0.0, ya_ = 0.0, xb_ = 0.0, yb_ = 0.0, xo_ = 0.0, yo_ = 0.0;
    Vec3 midpoint_{};
    AngleLimit min_angle_;
};

/// The 2 x 2 system (a11 a12; a21 a22) x = (b1, b2) by the steps of solve_linear (largest
/// pivot; Status::error on an exactly zero pivot, x1 and x2 then unchanged), without allocating.
[[nodiscard]] Status solve_2x2(double a11, double a12, double a21, double a22, double b1, double b2,
                               double& x1, double& x2);

/// |m - P|^2 summed in one fixed order, so every search compares the same numbers.
inline double squared_distance(const Vec3& m, const Vec3& p)
{
    const double dx = m[0] - p[0];
    const double dy = m[1] - p[1];
    const double dz = m[2] - p[2];
    return dx * dx + dy * dy + dz * dz;
}

} // namespace tengun
