#include "geometry/sphere_fit.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <vector>

#include "geometry/refine_fit.h"

namespace tengun {

namespace {

constexpr int max_newton_steps = 10;

/// Sums of one evaluation over the points, J_i = (c - x_i) / d_i being the unit direction of
/// point i. Distances enter as t_i = d_i - d0, relative to the first point's distance, so that
/// the centred sums of the spread lose little to cancellation near a fit.
template <int M> struct ObjectiveSums {
    double t = 0.0;                     // sum t_i
    double tt = 0.0;                    // sum t_i^2
    double inv = 0.0;                   // sum 1 / d_i
    std::array<double, M> j{};          // sum J_i
    std::array<double, M> jt{};         // sum J_i t_i
    std::array<double, M * M> jj{};     // sum J_i J_i^T (upper triangle)
    std::array<double, M * M> jj_inv{}; // sum J_i J_i^T / d_i (upper triangle)
};

/// One pass over the points; false when a point lies exactly at the centre.
bool gather(std::span<const Vec3> points, const Vec3& c, double d0, ObjectiveSums<3>& out)
{
    double t_sum = 0.0, tt = 0.0, inv_sum = 0.0;
    double j0 = 0.0, j1 = 0.0, j2 = 0.0;
    double jt0 = 0.0, jt1 = 0.0, jt2 = 0.0;
    double a00 = 0.0, a01 = 0.0, a02 = 0.0, a11 = 0.0, a12 = 0.0, a22 = 0.0;
    double b00 = 0.0, b01 = 0.0, b02 = 0.0, b11 = 0.0, b12 = 0.0, b22 = 0.0;
    for (const Vec3& x : points) {
        const double e0 = c[0] - x[0];
        const double e1 = c[1] - x[1];
        const double e2 = c[2] - x[2];
        const double sq = e0 * e0 + e1 * e1 + e2 * e2;
        if (sq == 0.0) {
            return false;
        }
        const double d = std::sqrt(sq);
        const double inv = 1.0 / d;
        const double t = d - d0;
        const double u0 = e0 * inv;
        const double u1 = e1 * inv;
        const double u2 = e2 * inv;
        t_sum += t;
        tt += t * t;
        inv_sum += inv;
        j0 += u0;
        j1 += u1;
        j2 += u2;
        jt0 += u0 * t;
        jt1 += u1 * t;
        jt2 += u2 * t;
        const double p00 = u0 * u0, p01 = u0 * u1, p02 = u0 * u2;
        const double p11 = u1 * u1, p12 = u1 * u2, p22 = u2 * u2;
        a00 += p00;
        a01 += p01;
        a02 += p02;
        a11 += p11;
        a12 += p12;
        a22 += p22;
        b00 += p00 * inv;
        b01 += p01 * inv;
        b02 += p02 * inv;
        b11 += p11 * inv;
        b12 += p12 * inv;
        b22 += p22 * inv;
    }
    out.t = t_sum;
    out.tt = tt;
    out.inv = inv_sum;
    out.j = {j0, j1, j2};
    out.jt = {jt0, jt1, jt2};
    out.jj = {a00, a01, a02, 0.0, a11, a12, 0.0, 0.0, a22};
    out.jj_inv = {b00, b01, b02, 0.0, b11, b12, 0.0, 0.0, b22};
    return true;
}

bool gather(std::span<const Vec3> points, const Vec3& c, double d0, ObjectiveSums<2>& out)
{
    double t_sum = 0.0, tt = 0.0, inv_sum = 0.0;
    double j0 = 0.0, j1 = 0.0, jt0 = 0.0, jt1 = 0.0;
    double a00 = 0.0, a01 = 0.0, a11 = 0.0, b00 = 0.0, b01 = 0.0, b11 = 0.0;
    for (const Vec3& x : points) {
        const double e0 = c[0] - x[0];
        const double e1 = c[1] - x[1];
        const double sq = e0 * e0 + e1 * e1;
        if (sq == 0.0) {
            return false;
        }
        const double d = std::sqrt(sq);
        const double inv = 1.0 / d;
        const double t = d - d0;
        const double u0 = e0 * inv;
        const double u1 = e1 * inv;
        t_sum += t;
        tt += t * t;
        inv_sum += inv;
        j0 += u0;
        j1 += u1;
        jt0 += u0 * t;
        jt1 += u1 * t;
        const double p00 = u0 * u0, p01 = u0 * u1, p11 = u1 * u1;
        a00 += p00;
        a01 += p01;
        a11 += p11;
        b00 += p00 * inv;
        b01 += p01 * inv;
        b11 += p11 * inv;
    }
    out.t = t_sum;
    out.tt = tt;
    out.inv = inv_sum;
    out.j = {j0, j1};
    out.jt = {jt0, jt1};
    out.jj = {a00, a01, 0.0, a11};
    out.jj_inv = {b00, b01, 0.0, b11};
    return true;
}

template <int M> Status evaluate(std::span<const Vec3> points, const Vec3& c, SphereEvaluation& out)
{
    const std::size_t n = points.size();
    if (n == 0) {
        return Status::error;
    }
    double sq0 = 0.0;
    for (int j = 0; j < M; ++j) {
        sq0 += (c[j] - points[0][j]) * (c[j] - points[0][j]);
    }
    const double d0 = std::sqrt(sq0);
    ObjectiveSums<M> s;
    if (!gather(points, c, d0, s) || !std::isfinite(s.tt) || !std::isfinite(s.inv)) {
        return Status::error; // a point at the centre, or one too close to invert its distance
    }
    const auto count = static_cast<double>(n);
    const double mean_t = s.t / count;
    SphereEvaluation e;
    e.radius = d0 + mean_t;
    e.sd = std::sqrt(std::max(0.0, s.tt / count - mean_t * mean_t));
    // With D_i = (I - J_i J_i^T) / d_i the second derivatives of d_i, bars the means and
    // d_i - r = t_i - mean_t:
    //   g = 2 sum (J_i - Jbar)(d_i - r)                  = 2 (sum J_i t_i - mean_t sum J_i)
    //   H = 2 sum [(J_i - Jbar)(J_i - Jbar)^T + (d_i - r)(D_i - Dbar)]
    //     = 2 [sum J J^T - (sum J)(sum J)^T / N + sum t_i D_i - mean_t sum D_i]
    // where t_i / d_i = 1 - d0 / d_i gives sum t_i D_i = sum (I - J J^T) - d0 sum D_i.
    for (int j = 0; j < M; ++j) {
        e.gradient[j] = 2.0 * (s.jt[j] - s.j[j] * mean_t);
        for (int l = j; l < M; ++l) {
            const double delta = j == l ? 1.0 : 0.0;
            const double spread = s.jj[j * M + l] - s.j[j] * s.j[l] / count;
            const double sum_d = delta * s.inv - s.jj_inv[j * M + l];
            const double sum_t_d = delta * count - s.jj[j * M + l] - d0 * sum_d;
            e.hessian[j][l] = 2.0 * (spread + sum_t_d - mean_t * sum_d);
            e.hessian[l][j] = e.hessian[j][l];
        }
    }
    double g2 = 0.0;
    for (int j = 0; j < M; ++j) {
        g2 += e.gradient[j] * e.gradient[j];
    }
    e.gradient_length = std::sqrt(g2);
    out = e;
    return Status::ok;
}

template <int M>
void radius_at(std::span<const Vec3> points, const Vec3& c, double& radius, double& sd)
{
    if (points.empty()) {
        return;
    }
    auto distance = [&c](const Vec3& x) {
        double sq = 0.0;
        for (int j = 0; j < M; ++j) {
            sq += (c[j] - x[j]) * (c[j] - x[j]);
        }
        return std::sqrt(sq);
    };
    const double d0 = distance(points[0]);
    double sum = 0.0;
    double sum_sq = 0.0;
    for (const Vec3& x : points) {
        const double t = distance(x) - d0;
        sum += t;
        sum_sq += t * t;
    }
    const auto count = static_cast<double>(points.size());
    const double mean_t = sum / count;
    radius = d0 + mean_t;
    sd = std::sqrt(std::max(0.0, sum_sq / count - mean_t * mean_t));
}

} // namespace

Status sphere_start(std::span<const Vec3> points, int m, Vec3& centre, double& radius, double& sd)
{
    assert((m == 2 || m == 3) && "a circle or a sphere");
    const std::size_t n = points.size();
    if (n < 4) {
        return Status::ok;
    }
    const std::size_t h = n / 2;
    const auto dims = static_cast<std::size_t>(m);
    std::vector<double> a((h + 1) * dims);
    std::vector<double> b(h + 1);
    // Row k (0-based) pairs points[k] with points[k + h]; the last row points[n - 1] with
    // points[0].
    for (std::size_t k = 0; k <= h; ++k) {
        const Vec3& p = k < h ? points[k] : points[n - 1];
        const Vec3& q = k < h ? points[k + h] : points[0];
        double length_sq = 0.0;
        for (std::size_t j = 0; j < dims; ++j) {
            length_sq += (q[j] - p[j]) * (q[j] - p[j]);
        }
        if (length_sq == 0.0) {
            return Status::error;
        }
        const double length = std::sqrt(length_sq);
        double mid_u = 0.0;
        for (std::size_t j = 0; j < dims; ++j) {
            const double u = q[j] - p[j];
            a[k * dims + j] = u / length;
            mid_u += 0.5 * (p[j] + q[j]) * u;
        }
        b[k] = mid_u / length;
    }
    std::vector<double> x;
    double rms = 0.0;
    if (least_squares(a, dims, b, x, rms) == Status::error) {
        return Status::ok; // the bisectors fix no point: the iteration starts from `centre`
    }
    Vec3 start = centre;
    for (std::size_t j = 0; j < dims; ++j) {
        start[j] = x[j];
    }
    centre = start;
    sphere_radius(points, m, centre, radius, sd);
    return Status::ok;
}

Status sphere_objective(std::span<const Vec3> points, int m, const Vec3& centre,
                        SphereEvaluation& out)
{
    assert((m == 2 || m == 3) && "a circle or a sphere");
    return m == 3 ? evaluate<3>(points, centre, out) : evaluate<2>(points, centre, out);
}

Status newton_step(int m, Vec3& g, const Mat3& h, Vec3& centre)
{
    assert((m == 2 || m == 3) && "a circle or a sphere");
    const auto dims = static_cast<std::size_t>(m);
    Matrix hm(dims);
    std::vector<double> delta(dims);
    for (std::size_t j = 0; j < dims; ++j) {
        delta[j] = g[j];
        for (std::size_t k = 0; k < dims; ++k) {
            hm(j, k) = h[j][k];
        }
    }
    Matrix inverse;
    const Status status = solve_linear(std::move(hm), delta, inverse);
    for (std::size_t j = 0; j < dims; ++j) {
        g[j] = delta[j];
    }
    if (status == Status::error) {
        return status;
    }
    for (std::size_t j = 0; j < dims; ++j) {
        centre[j] -= delta[j];
    }
    return status;
}

void sphere_radius(std::span<const Vec3> points, int m, const Vec3& centre, double& radius,
                   double& sd)
{
    assert((m == 2 || m == 3) && "a circle or a sphere");
    if (m == 3) {
        radius_at<3>(points, centre, radius, sd);
    } else {
        radius_at<2>(points, centre, radius, sd);
    }
}

namespace {

/// Points on a line (circle) or in a plane (sphere) fix no finite centre: the iteration then runs
/// off to radii many orders of magnitude larger than the cloud. Such a result is no fit.
bool plausible(std::span<const Vec3> points, int m, const Vec3& centre, double radius)
{
    Vec3 mean{};
    for (const Vec3& p : points) {
        for (int k = 0; k < m; ++k) {
            mean[k] += p[k];
        }
    }
    double spread = 0.0;
    for (const Vec3& p : points) {
        double d2 = 0.0;
        for (int k = 0; k < m; ++k) {
            const double d = p[k] - mean[k] / static_cast<double>(points.size());
            d2 += d * d;
        }
        spread = std::max(spread, d2);
    }
    spread = std::sqrt(spread);
    const bool finite = std::isfinite(radius) && std::isfinite(centre[0]) &&
                        std::isfinite(centre[1]) && std::isfinite(centre[2]);
    return finite && radius <= 1e6 * spread;
}

} // namespace

Status sphere_newton(std::span<const Vec3> points, int m, Vec3& centre, double& radius, double& sd)
{
    assert((m == 2 || m == 3) && "a circle or a sphere");
    if (points.empty()) {
        return Status::error;
    }
    // Work on copies: the caller's values change only when the whole fit succeeds.
    Vec3 c = centre;
    double r = radius;
    double s = sd;
    if (sphere_start(points, m, c, r, s) == Status::error) {
        return Status::error;
    }
    SphereEvaluation eval;
    if (sphere_objective(points, m, c, eval) == Status::error) {
        return Status::error;
    }
    if (eval.gradient_length == 0.0) {
        if (!plausible(points, m, c, eval.radius)) {
            return Status::error;
        }
        centre = c;
        radius = eval.radius;
        sd = eval.sd;
        return Status::ok;
    }
    double e = eval.gradient_length;
    Vec3 previous = c;
    for (int step = 0; step < max_newton_steps; ++step) {
        previous = c;
        newton_step(m, eval.gradient, eval.hessian, c);
        if (c == previous) {
            // A step below the centre's last digit (or a singular Hessian) leaves the centre
            // where it was: every further step would repeat this evaluation exactly, so the
            // remaining ones are skipped with the same outcome.
            break;
        }
        if (sphere_objective(points, m, c, eval) == Status::error) {
            return Status::error;
        }
        if (eval.gradient_length > e) {
            break; // the gradient grew: taken as converged
        }
        e = eval.gradient_length;
    }
    sphere_radius(points, m, previous, r, s);
    if (!plausible(points, m, c, r)) {
        return Status::error;
    }
    centre = c;
    radius = r;
    sd = s;
    return Status::ok;
}

Status fit_sphere(std::span<const Vec3> points, int m, Vec3& centre, double& radius, double& sd)
{
    assert((m == 2 || m == 3) && "a circle or a sphere");
    // Points in one plane (on one line for a circle) fix no centre: every centre on the normal
    // through their circle fits equally well, and the iteration only wanders along it.
    if (points.empty() || flat_to_rounding(points, m)) {
        return Status::error;
    }
    Vec3 c = centre;
    double r = radius;
    double s = sd;
    const bool newton_ok = sphere_newton(points, m, c, r, s) == Status::ok;
    // The Newton iteration from the bisector start may stop short of the minimum, or not start
    // at all (coinciding pairs, a point at a centre it reaches): refine from its result and from
    // the algebraic fit, and take the refined feature where it is really lower.
    SphereSolution present{c, r, s};
    SphereSolution refined;
    const bool refined_ok =
        least_squares_sphere(points, m, newton_ok ? &present : nullptr, refined) == Status::ok &&
        plausible(points, m, refined.centre, refined.radius);
    const double size = r + std::max({std::abs(c[0]), std::abs(c[1]), std::abs(c[2])});
    if (refined_ok && (!newton_ok || clearly_lower(refined.sd, present.sd, size))) {
        if (!newton_ok) {
            for (int k = m; k < 3; ++k) {
                refined.centre[k] = centre[k];
            }
        }
        centre = refined.centre;
        radius = refined.radius;
        sd = refined.sd;
        return Status::ok;
    }
    if (!newton_ok) {
        return Status::error;
    }
    centre = c;
    radius = r;
    sd = s;
    return Status::ok;
}

} // namespace tengun
