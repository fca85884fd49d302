// Point numbers are 1-based here as in the header: point k is xyz[k - 1].
#include "surface/mesh_routines.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "geometry/rotation.h"

namespace tengun {

namespace {

const Vec3& at(std::span<const Vec3> xyz, int k)
{
    assert(k >= 1 && static_cast<std::size_t>(k) <= xyz.size() && "a point number of the cloud");
    return xyz[static_cast<std::size_t>(k) - 1];
}

} // namespace

// Runs once per tried candidate, so without the allocations of solve_linear.
Status solve_2x2(double a11, double a12, double a21, double a22, double b1, double b2, double& x1,
                 double& x2)
{
    if (std::abs(a21) > std::abs(a11)) {
        std::swap(a11, a21);
        std::swap(a12, a22);
        std::swap(b1, b2);
    }
    if (a11 == 0.0) {
        return Status::error;
    }
    a12 /= a11;
    b1 /= a11;
    a22 -= a21 * a12;
    b2 -= a21 * b1;
    if (a22 == 0.0) {
        return Status::error;
    }
    b2 /= a22;
    b1 -= a12 * b2;
    x1 = b1;
    x2 = b2;
    return Status::ok;
}

Status triangle_plane(std::span<const Vec3> xyz, int a, int b, int c, TrianglePlane& plane)
{
    const Vec3& pa = at(xyz, a);
    const Vec3& pb = at(xyz, b);
    const Vec3& pc = at(xyz, c);
    const Vec3 e1 = pb - pa;
    const Vec3 e2 = pc - pa;
    const Vec3 cross = vec_cross(e1, e2);
    const double length = vec_length(cross);
    // |e1 x e2| = |e1| |e2| sin(angle): a relative test, so the scale of the cloud plays no part.
    if (!(length > 1e-12 * vec_length(e1) * vec_length(e2))) {
        return Status::error;
    }
    Vec3 n = vec_scale(cross, 1.0 / length);
    double offset = vec_dot(n, pa);
    if (offset < 0.0) {
        n = vec_scale(n, -1.0);
        offset = -offset;
    }
    plane.normal = n;
    plane.offset = offset;
    plane.centroid = vec_scale(pa + pb + pc, 1.0 / 3.0);
    return Status::ok;
}

double point_distance(std::span<const Vec3> xyz, int a, int b)
{
    return std::sqrt(squared_distance(at(xyz, a), at(xyz, b)));
}

std::size_t count_label(double value, std::span<const double> labels)
{
    return static_cast<std::size_t>(std::count(labels.begin(), labels.end(), value));
}

Nearest nearest_free_point(std::span<const Vec3> xyz, std::span<const double> labels,
                           const Vec3& at_point, int skip1, int skip2)
{
    assert(labels.size() == xyz.size() && "one label per point");
    double best = huge_value;
    int index = 0;
    const int n = static_cast<int>(xyz.size());
    for (int k = 1; k <= n; ++k) {
        if (k == skip1 || k == skip2 || labels[static_cast<std::size_t>(k) - 1] != 0.0) {
            continue;
        }
        const double d2 = squared_distance(at_point, xyz[static_cast<std::size_t>(k) - 1]);
        if (d2 < best) {
            best = d2;
            index = k;
        }
    }
    return {index, std::sqrt(best)};
}

Nearest nearest_to_point(std::span<const Vec3> xyz, std::span<const double> labels, int p)
{
    const Vec3 origin{};
    return nearest_free_point(xyz, labels, p == 0 ? origin : at(xyz, p), p, p);
}

Nearest nearest_to_midpoint(std::span<const Vec3> xyz, std::span<const double> labels, int a, int b)
{
    const Vec3 m = vec_scale(at(xyz, a) + at(xyz, b), 0.5);
    return nearest_free_point(xyz, labels, m, a, b);
}

SeedTriangle seed_triangle(std::span<const Vec3> xyz, std::span<const double> labels, int s)
{
    SeedTriangle t;
    t.a = nearest_to_point(xyz, labels, s).index;
    t.b = nearest_to_point(xyz, labels, t.a).index;
    t.c = nearest_to_midpoint(xyz, labels, t.a, t.b).index;
    assert(t.a != 0 && t.b != 0 && t.c != 0 && "three free points to seed from");
    t.limit = point_distance(xyz, t.a, t.b) + point_distance(xyz, t.b, t.c) +
              point_distance(xyz, t.c, t.a);
    return t;
}

double fold_angle(const Vec3& n1, const Vec3& n2)
{
    const double fold = arc_cos(vec_dot(n1, n2));
    return fold > half_pi ? pi - fold : fold;
}

AngleLimit::AngleLimit(double limit)
    : angle(limit), cos_low(std::cos(limit) - 1e-9), cos_high(std::cos(limit) + 1e-9)
{
}

double vertex_angle(std::span<const Vec3> xyz, int a, int b, int k)
{
    const Vec3 u = at(xyz, k) - at(xyz, a);
    const Vec3 v = at(xyz, k) - at(xyz, b);
    const double lengths = vec_length(u) * vec_length(v);
    if (lengths == 0.0) {
        return 0.0;
    }
    return arc_cos(std::clamp(vec_dot(u, v) / lengths, -1.0, 1.0));
}

EdgeTest::EdgeTest(std::span<const Vec3> xyz, int a, int b, int o)
    : xyz_(xyz), a_(a), b_(b), o_(o), min_angle_(deg_to_rad(20.0))
{
    midpoint_ = vec_scale(at(xyz, a) + at(xyz, b), 0.5);
    TrianglePlane plane;
    plane_ok_ = triangle_plane(xyz, a, b, o, plane) == Status::ok;
    normal_ = plane.normal;
}

void EdgeTest::prepare() const
{
    prepared_ = true;
    const Angles angles = direction_angles(normal_);
    turn_ = rotation_matrix(angles.alpha, angles.beta, 0.0);
    // The same products for every point, so a candidate equal to o gives exactly parallel lines.
    xa_ = vec_dot(turn_[0], at(xyz_, a_));
    ya_ = vec_dot(turn_[1], at(xyz_, a_));
    xb_ = vec_dot(turn_[0], at(xyz_, b_));
    yb_ = vec_dot(turn_[1], at(xyz_, b_));
    xo_ = vec_dot(turn_[0], at(xyz_, o_));
    yo_ = vec_dot(turn_[1], at(xyz_, o_));
}

Status EdgeTest::crossing(int k, double& t1, double& t2) const
{
    if (!plane_ok_) {
        return Status::error;
    }
    if (!prepared_) {
        prepare();
    }
    const Vec3& p = at(xyz_, k);
    const double xk = vec_dot(turn_[0], p);
    const double yk = vec_dot(turn_[1], p);
    return solve_2x2(xb_ - xa_, xo_ - xk, yb_ - ya_, yo_ - yk, xo_ - xa_, yo_ - ya_, t1, t2);
}

bool EdgeTest::qualifies(int k) const
{
    double t1 = 0.0;
    double t2 = 0.0;
    if (crossing(k, t1, t2) == Status::error || !(t2 > 0.0 && t2 < 1.0)) {
        return false;
    }
    // vertex_angle(xyz_, a_, b_, k) > min_angle_, its arc cosine only where it is close.
    const Vec3 u = at(xyz_, k) - at(xyz_, a_);
    const Vec3 v = at(xyz_, k) - at(xyz_, b_);
    const double lengths = vec_length(u) * vec_length(v);
    if (lengths == 0.0) {
        return 0.0 > min_angle_.angle;
    }
    return min_angle_.exceeded_by(std::clamp(vec_dot(u, v) / lengths, -1.0, 1.0));
}

Status crosses_edge(std::span<const Vec3> xyz, int a, int b, int o, int k, double& t1, double& t2)
{
    return EdgeTest(xyz, a, b, o).crossing(k, t1, t2);
}

} // namespace tengun
