#include "geometry/cylinder_fit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/line_fit.h"
#include "geometry/refine_fit.h"
#include "geometry/rotation.h"
#include "geometry/sphere_fit.h"

namespace tengun {

namespace {

struct Cylinder {
    Vec3 axis{};
    Vec3 centre{};
    Mat3 frame{};
    double radius = 0.0;
    double sd = 0.0;
};

/// The first estimate: the axis along the cloud's principal direction (the line fit), then the
/// circle of the points seen along it.
Status principal_cylinder(std::span<const Vec3> points, Cylinder& out)
{
    Vec3 u{};
    Vec3 p{};
    Mat3 m{};
    double alpha = 0.0;
    double beta = 0.0;
    double line_sd = 0.0;
    if (fit_line(points, u, p, m, alpha, beta, line_sd) == Status::error) {
        return Status::error;
    }
    const Vec3 f = mat_vec(m, p); // f[2]: the centroid's position along the axis
    std::vector<Vec3> across(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vec3 q = mat_vec(m, points[i]);
        across[i] = {q[0], q[1], 0.0};
    }
    // The circle fit starts from p itself, so a cloud too small for a start estimate begins at
    // the centroid's world x and y.
    double r = 0.0;
    double s = 0.0;
    if (fit_sphere(across, 2, p, r, s) == Status::error) {
        return Status::error;
    }
    p[2] = f[2];
    out = {u, mat_t_vec(p, m), m, r, s};
    return Status::ok;
}

/// Largest distance of a point from the centroid.
double spread_of(std::span<const Vec3> points)
{
    double m0 = 0.0, m1 = 0.0, m2 = 0.0;
    for (const Vec3& p : points) {
        m0 += p[0];
        m1 += p[1];
        m2 += p[2];
    }
    const auto n = static_cast<double>(points.size());
    m0 /= n;
    m1 /= n;
    m2 /= n;
    double spread = 0.0;
    for (const Vec3& p : points) {
        const double d0 = p[0] - m0;
        const double d1 = p[1] - m1;
        const double d2 = p[2] - m2;
        spread = std::max(spread, d0 * d0 + d1 * d1 + d2 * d2);
    }
    return std::sqrt(spread);
}

/// The points seen along the third row of `frame` (in the plane across it) lie on one line to
/// rounding.
bool flat_across(std::span<const Vec3> points, const Mat3& frame)
{
    std::vector<Vec3> across(points.size());
    const Vec3& r0 = frame[0];
    const Vec3& r1 = frame[1];
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vec3& p = points[i];
        across[i] = {r0[0] * p[0] + r0[1] * p[1] + r0[2] * p[2],
                     r1[0] * p[0] + r1[1] * p[1] + r1[2] * p[2], 0.0};
    }
    return flat_to_rounding(across, 2);
}

} // namespace

Status fit_cylinder(std::span<const Vec3> points, Vec3& axis, Vec3& centre, Mat3& frame,
                    double& radius, double& sd)
{
    // Points in one plane fix no cylinder: a cylinder of ever larger radius lying along the
    // plane fits them ever better.
    if (points.empty() || flat_to_rounding(points, 3)) {
        return Status::error;
    }
    Cylinder present;
    const bool present_ok = principal_cylinder(points, present) == Status::ok;
    // The principal direction is the axis only of a long, complete cylinder; a short or partial
    // scan needs the least-squares axis, started also from the surface normals.
    CylinderSolution start{present.axis, present.centre, present.radius, present.sd};
    CylinderSolution refined;
    bool refined_ok =
        least_squares_cylinder(points, present_ok ? &start : nullptr, refined) == Status::ok &&
        refined.radius <= 1e6 * spread_of(points);
    Cylinder chosen = present;
    const Vec3& c = present.centre;
    const double size = present.radius + std::max({std::abs(c[0]), std::abs(c[1]), std::abs(c[2])});
    if (refined_ok && (!present_ok || clearly_lower(refined.sd, present.sd, size))) {
        Vec3 a = refined.axis;
        if (present_ok
                ? vec_dot(a, present.axis) < 0.0
                : a[2] < 0.0 || (a[2] == 0.0 && (a[1] < 0.0 || (a[1] == 0.0 && a[0] < 0.0)))) {
            a = vec_scale(a, -1.0);
        }
        // The axis point level with the centroid: the mean height along the axis.
        double along = 0.0;
        const Vec3& q = refined.point;
        for (const Vec3& p : points) {
            along += (p[0] - q[0]) * a[0] + (p[1] - q[1]) * a[1] + (p[2] - q[2]) * a[2];
        }
        along /= static_cast<double>(points.size());
        const Angles angles = direction_angles(a);
        chosen.axis = a;
        chosen.frame = rotation_matrix(angles.alpha, angles.beta, 0.0);
        chosen.centre = vec_add(refined.point, vec_scale(a, along));
        chosen.radius = refined.radius;
        chosen.sd = refined.sd;
    } else if (!present_ok) {
        return Status::error;
    }
    if (flat_across(points, chosen.frame)) {
        return Status::error; // seen along the axis the points lie on a line: no circle
    }
    axis = chosen.axis;
    centre = chosen.centre;
    frame = chosen.frame;
    radius = chosen.radius;
    sd = chosen.sd;
    return Status::ok;
}

} // namespace tengun
