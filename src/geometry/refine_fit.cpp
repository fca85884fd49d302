#include "geometry/refine_fit.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <limits>
#include <vector>

#include "geometry/rotation.h"

namespace tengun {

namespace {

constexpr std::size_t screen_size = 512;
constexpr std::size_t subset_size = 4096;
constexpr int subset_iterations = 200;
constexpr int polish_iterations = 100;
constexpr double eps = std::numeric_limits<double>::epsilon();

/// Every k-th point so that at most `count` points remain, spread evenly over the cloud's order.
std::vector<Vec3> even_subset(std::span<const Vec3> points, std::size_t count)
{
    std::vector<Vec3> subset;
    subset.reserve(count);
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < count; ++i) {
        subset.push_back(points[i * n / count]);
    }
    return subset;
}

/// Centroid, its sums taken about the first point so that a far-off cloud keeps its digits.
Vec3 centroid_of(std::span<const Vec3> points)
{
    const Vec3 o = points[0];
    Vec3 s{};
    for (const Vec3& p : points) {
        s[0] += p[0] - o[0];
        s[1] += p[1] - o[1];
        s[2] += p[2] - o[2];
    }
    const auto n = static_cast<double>(points.size());
    return {o[0] + s[0] / n, o[1] + s[1] / n, o[2] + s[2] / n};
}

/// Scatter about `c` over the first m coordinates.
Mat3 scatter_about(std::span<const Vec3> points, const Vec3& c, int m)
{
    Mat3 s{};
    for (const Vec3& p : points) {
        const Vec3 y{p[0] - c[0], p[1] - c[1], m == 3 ? p[2] - c[2] : 0.0};
        for (int j = 0; j < 3; ++j) {
            for (int k = j; k < 3; ++k) {
                s[j][k] += y[j] * y[k];
            }
        }
    }
    for (int j = 0; j < 3; ++j) {
        for (int k = 0; k < j; ++k) {
            s[j][k] = s[k][j];
        }
    }
    return s;
}

/// Solves the symmetric positive definite system a x = b (order P) by Cholesky; false when a is
/// not positive definite to working precision.
template <int P> bool solve_spd(std::array<double, P * P> a, std::array<double, P>& b)
{
    for (int j = 0; j < P; ++j) {
        double d = a[j * P + j];
        for (int k = 0; k < j; ++k) {
            d -= a[j * P + k] * a[j * P + k];
        }
        if (!(d > 0.0) || !std::isfinite(d)) {
            return false;
        }
        const double l = std::sqrt(d);
        a[j * P + j] = l;
        for (int i = j + 1; i < P; ++i) {
            double s = a[i * P + j];
            for (int k = 0; k < j; ++k) {
                s -= a[i * P + k] * a[j * P + k];
            }
            a[i * P + j] = s / l;
        }
    }
    for (int i = 0; i < P; ++i) {
        double s = b[i];
        for (int k = 0; k < i; ++k) {
            s -= a[i * P + k] * b[k];
        }
        b[i] = s / a[i * P + i];
    }
    for (int i = P - 1; i >= 0; --i) {
        double s = b[i];
        for (int k = i + 1; k < P; ++k) {
            s -= a[k * P + i] * b[k];
        }
        b[i] = s / a[i * P + i];
    }
    return true;
}

/// J^T J, J^T e and e^T e of one evaluation of a model's residuals.
template <int P> struct Normal {
    std::array<double, P * P> a{}; // upper triangle summed, lower filled by complete()
    std::array<double, P> g{};
    double cost = 0.0;

    // Fully unrolled, so that the sums stay in registers over a pass of the points.
    void add(const std::array<double, P>& j, double e)
    {
#pragma GCC unroll 8
        for (int r = 0; r < P; ++r) {
            g[r] += j[r] * e;
#pragma GCC unroll 8
            for (int c = r; c < P; ++c) {
                a[r * P + c] += j[r] * j[c];
            }
        }
        cost += e * e;
    }
    void complete()
    {
        for (int r = 0; r < P; ++r) {
            for (int c = 0; c < r; ++c) {
                a[r * P + c] = a[c * P + r];
            }
        }
    }
};

/// Levenberg-Marquardt from `model` over `points`. A model provides `params`,
/// `bool evaluate(points, Normal&)` (false where a residual has no derivative) and
/// `Model moved(step)`. Returns false when the start cannot be evaluated; `cost` is the sum of
/// squared residuals of the model left in `model`.
template <class Model>
bool levenberg_marquardt(std::span<const Vec3> points, Model& model, int iterations, double& cost)
{
    constexpr int P = Model::params;
    Normal<P> eq;
    if (!model.evaluate(points, eq) || !std::isfinite(eq.cost)) {
        return false;
    }
    // A sum of n squares is good to about sqrt(n) units of its last place: a smaller fall is
    // rounding, and the step that made it a last correction.
    const double resolution =
        std::min(1e-12, 16.0 * eps * std::sqrt(static_cast<double>(points.size())));
    double lambda = 1e-6;
    for (int it = 0; it < iterations; ++it) {
        std::array<double, P* P> a = eq.a;
        double largest = 0.0;
        for (int k = 0; k < P; ++k) {
            largest = std::max(largest, a[k * P + k]);
        }
        for (int k = 0; k < P; ++k) {
            a[k * P + k] += lambda * std::max(a[k * P + k], 1e-12 * largest);
        }
        std::array<double, P> step{};
        for (int k = 0; k < P; ++k) {
            step[k] = -eq.g[k];
        }
        bool accepted = false;
        if (solve_spd<P>(a, step)) {
            // What the step can gain at most, to first order: when that is below what a sum of
            // squares resolves, the model is at its minimum and no trial pass is needed.
            double gain = 0.0;
            for (int k = 0; k < P; ++k) {
                gain -= eq.g[k] * step[k];
            }
            if (lambda <= 1e-3 && gain <= resolution * eq.cost) {
                break;
            }
            const Model trial = model.moved(step);
            Normal<P> next;
            if (trial.evaluate(points, next) && next.cost < eq.cost) {
                const double drop = eq.cost - next.cost;
                model = trial;
                eq = next;
                lambda = std::max(lambda * 0.1, 1e-15);
                accepted = true;
                if (drop <= resolution * eq.cost) {
                    break;
                }
            }
        }
        if (!accepted) {
            lambda *= 10.0;
            if (lambda > 1e10) {
                break; // no step lowers the sum: a minimum to working precision
            }
        }
    }
    cost = eq.cost;
    return true;
}

// ---- circles and spheres ---------------------------------------------------------------------

/// Centre relative to `origin` and radius; residual of point x: |x - origin - c| - r.
template <int M> struct SphereModel {
    static constexpr int params = M + 1;
    Vec3 origin{};
    std::array<double, M> c{};
    double r = 0.0;

    bool evaluate(std::span<const Vec3> points, Normal<params>& out) const
    {
        Normal<params> n;
        for (const Vec3& x : points) {
            std::array<double, params> j{};
            double sq = 0.0;
#pragma GCC unroll 4
            for (int k = 0; k < M; ++k) {
                j[k] = c[k] - (x[k] - origin[k]);
                sq += j[k] * j[k];
            }
            if (sq == 0.0) {
                return false;
            }
            const double d = std::sqrt(sq);
            const double inv = 1.0 / d;
#pragma GCC unroll 4
            for (int k = 0; k < M; ++k) {
                j[k] *= inv;
            }
            j[M] = -1.0;
            n.add(j, d - r);
        }
        n.complete();
        out = n;
        return true;
    }
    SphereModel moved(const std::array<double, params>& step) const
    {
        SphereModel m = *this;
        for (int k = 0; k < M; ++k) {
            m.c[k] += step[k];
        }
        m.r += step[M];
        return m;
    }
};

/// The algebraic (Kasa) circle or sphere: |y|^2 = 2 c . y + k in least squares, y the points
/// about `origin` scaled by their RMS distance from it. False when the system is singular.
template <int M>
bool algebraic_sphere(std::span<const Vec3> points, const Vec3& origin, SphereModel<M>& out)
{
    double scale = 0.0;
    for (const Vec3& x : points) {
        for (int k = 0; k < M; ++k) {
            scale += (x[k] - origin[k]) * (x[k] - origin[k]);
        }
    }
    scale = std::sqrt(scale / static_cast<double>(points.size()));
    if (!(scale > 0.0)) {
        return false;
    }
    Normal<M + 1> n;
    for (const Vec3& x : points) {
        std::array<double, M + 1> j{};
        double sq = 0.0;
        for (int k = 0; k < M; ++k) {
            const double y = (x[k] - origin[k]) / scale;
            j[k] = 2.0 * y;
            sq += y * y;
        }
        j[M] = 1.0;
        n.add(j, sq);
    }
    n.complete();
    std::array<double, M + 1> solution = n.g;
    if (!solve_spd<M + 1>(n.a, solution)) {
        return false;
    }
    double r2 = solution[M];
    for (int k = 0; k < M; ++k) {
        r2 += solution[k] * solution[k];
    }
    if (!(r2 > 0.0) || !std::isfinite(r2)) {
        return false;
    }
    out.origin = origin;
    for (int k = 0; k < M; ++k) {
        out.c[k] = solution[k] * scale;
    }
    out.r = std::sqrt(r2) * scale;
    return true;
}

/// Mean distance and RMS deviation at a centre (first M coordinates).
template <int M> SphereSolution measure_sphere(std::span<const Vec3> points, const Vec3& centre)
{
    const auto distance = [&](const Vec3& x) {
        double sq = 0.0;
        for (int k = 0; k < M; ++k) {
            sq += (x[k] - centre[k]) * (x[k] - centre[k]);
        }
        return std::sqrt(sq);
    };
    // About the first distance, as sphere_radius does, so the spread keeps its digits.
    const double d0 = distance(points[0]);
    double sum = 0.0;
    double sum_sq = 0.0;
    for (const Vec3& x : points) {
        const double t = distance(x) - d0;
        sum += t;
        sum_sq += t * t;
    }
    const auto count = static_cast<double>(points.size());
    const double mean = sum / count;
    SphereSolution s;
    s.centre = centre;
    s.radius = d0 + mean;
    s.sd = std::sqrt(std::max(0.0, sum_sq / count - mean * mean));
    return s;
}

/// Starts of a circle or sphere fit besides the given one and the algebraic one: centres out
/// along the smallest principal direction on either side, at 1, 10, 100 and 1000 times the
/// cloud's spread. Nearly collinear (flat) points have their least-squares feature far out on
/// one side, where neither the algebraic fit nor a local iteration from it goes.
template <int M>
void far_starts(std::span<const Vec3> points, const Vec3& origin,
                std::vector<SphereModel<M>>& starts)
{
    Mat3 s = scatter_about(points, origin, M);
    if (M == 2) {
        s[2][2] = (s[0][0] + s[1][1]) * 10.0 + 1.0;
    }
    const SymmetricEigen e = symmetric_eigen(s);
    const double spread =
        std::sqrt((M == 2 ? e.values[1] : e.values[2]) / static_cast<double>(points.size()));
    if (!(spread > 0.0)) {
        return;
    }
    for (const double side : {1.0, -1.0}) {
        for (const double times : {1.0, 10.0, 100.0, 1000.0}) {
            SphereModel<M> m;
            m.origin = origin;
            const double d = side * times * spread;
            for (int k = 0; k < M; ++k) {
                m.c[k] = d * e.vectors[0][k];
            }
            m.r = std::sqrt(d * d + spread * spread);
            starts.push_back(m);
        }
    }
}

/// Runs every start on `points` and keeps the lowest; the index of its start, or -1 when none
/// can be evaluated. The first start wins ties within 1e-9: where several starts reach the same
/// minimum, the given result is continued.
template <class Model>
int best_of(std::span<const Vec3> points, const std::vector<Model>& starts, int iterations,
            Model& best)
{
    int found = -1;
    double best_cost = std::numeric_limits<double>::infinity();
    double first_cost = std::numeric_limits<double>::infinity();
    Model first;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        Model m = starts[k];
        double cost = 0.0;
        if (!levenberg_marquardt(points, m, iterations, cost)) {
            continue;
        }
        if (k == 0) {
            first = m;
            first_cost = cost;
        }
        if (cost < best_cost) {
            best = m;
            best_cost = cost;
            found = static_cast<int>(k);
        }
    }
    if (found > 0 && first_cost <= best_cost * (1.0 + 1e-9)) {
        best = first;
        found = 0;
    }
    return found;
}

/// Continues `model` on `points`; keeps it when it cannot be evaluated there.
template <class Model> void polish(std::span<const Vec3> points, Model& model, int iterations)
{
    Model polished = model;
    double cost = 0.0;
    if (levenberg_marquardt(points, polished, iterations, cost)) {
        model = polished;
    }
}

template <int M>
Status fit_least_squares_sphere(std::span<const Vec3> points, const SphereSolution* start,
                                SphereSolution& out)
{
    if (points.size() < static_cast<std::size_t>(M + 1)) {
        return Status::error;
    }
    // Starts are screened on a few hundred points, the best continued on a few thousand, then
    // finished on all of them: a million points cost a handful of passes.
    const auto sized = [&points](std::size_t count) {
        return points.size() > count ? even_subset(points, count)
                                     : std::vector<Vec3>(points.begin(), points.end());
    };
    const std::vector<Vec3> screen = sized(screen_size);
    const Vec3 origin = centroid_of(screen);
    std::vector<SphereModel<M>> starts;
    if (start != nullptr && std::isfinite(start->radius)) {
        SphereModel<M> s;
        s.origin = origin;
        for (int k = 0; k < M; ++k) {
            s.c[k] = start->centre[k] - origin[k];
        }
        s.r = start->radius;
        starts.push_back(s);
    }
    SphereModel<M> algebraic;
    if (algebraic_sphere<M>(screen, origin, algebraic)) {
        starts.push_back(algebraic);
    }
    far_starts<M>(screen, origin, starts);
    SphereModel<M> best;
    const int winner = best_of(std::span<const Vec3>(screen), starts, subset_iterations, best);
    if (winner < 0) {
        return Status::error;
    }
    if (points.size() > screen.size()) {
        if (winner == 0 && start != nullptr) {
            // The given result lies in the best basin: continue from it, which on a result
            // already at the minimum costs one pass.
            best = starts[0];
        } else {
            const std::vector<Vec3> subset = sized(subset_size);
            if (subset.size() < points.size()) {
                polish(std::span<const Vec3>(subset), best, subset_iterations);
            }
        }
        polish(points, best, polish_iterations);
    }
    Vec3 centre = start != nullptr ? start->centre : Vec3{};
    for (int k = 0; k < M; ++k) {
        centre[k] = origin[k] + best.c[k];
    }
    if (!std::isfinite(centre[0]) || !std::isfinite(centre[1]) || !std::isfinite(centre[2])) {
        return Status::error;
    }
    out = measure_sphere<M>(points, centre);
    return Status::ok;
}

// ---- cylinders -----------------------------------------------------------------------------

/// Two unit vectors completing `a` to an orthonormal frame.
void complete_frame(const Vec3& a, Vec3& e1, Vec3& e2)
{
    const Vec3 helper = std::abs(a[0]) <= std::abs(a[1]) && std::abs(a[0]) <= std::abs(a[2])
                            ? Vec3{1, 0, 0}
                            : (std::abs(a[1]) <= std::abs(a[2]) ? Vec3{0, 1, 0} : Vec3{0, 0, 1});
    e1 = vec_cross(a, helper);
    e1 = vec_scale(e1, 1.0 / vec_length(e1));
    e2 = vec_cross(a, e1);
}

/// Axis direction a, axis point p (relative to `origin`, kept nearest to it) and radius;
/// residual of point x: its distance from the axis minus r. A step turns the axis by (t1, t2)
/// towards e1, e2 about p, moves p by (s1, s2) across the axis and changes r.
struct CylinderModel {
    static constexpr int params = 5;
    Vec3 origin{};
    Vec3 a{0, 0, 1};
    Vec3 p{};
    double r = 0.0;
    Vec3 e1{1, 0, 0};
    Vec3 e2{0, 1, 0};

    bool evaluate(std::span<const Vec3> points, Normal<params>& out) const
    {
        Normal<params> n;
        for (const Vec3& x : points) {
            const double v0 = x[0] - origin[0] - p[0];
            const double v1 = x[1] - origin[1] - p[1];
            const double v2 = x[2] - origin[2] - p[2];
            const double t = v0 * a[0] + v1 * a[1] + v2 * a[2];
            const double w0 = v0 - t * a[0];
            const double w1 = v1 - t * a[1];
            const double w2 = v2 - t * a[2];
            const double sq = w0 * w0 + w1 * w1 + w2 * w2;
            if (sq == 0.0) {
                return false;
            }
            const double d = std::sqrt(sq);
            const double inv = 1.0 / d;
            const double u1 = (w0 * e1[0] + w1 * e1[1] + w2 * e1[2]) * inv;
            const double u2 = (w0 * e2[0] + w1 * e2[1] + w2 * e2[2]) * inv;
            n.add({-t * u1, -t * u2, -u1, -u2, -1.0}, d - r);
        }
        n.complete();
        out = n;
        return true;
    }
    CylinderModel moved(const std::array<double, params>& step) const
    {
        CylinderModel m = *this;
        Vec3 axis = vec_add(a, vec_add(vec_scale(e1, step[0]), vec_scale(e2, step[1])));
        axis = vec_scale(axis, 1.0 / vec_length(axis));
        Vec3 point = vec_add(p, vec_add(vec_scale(e1, step[2]), vec_scale(e2, step[3])));
        point = vec_sub(point, vec_scale(axis, vec_dot(point, axis)));
        m.a = axis;
        m.p = point;
        m.r = r + step[4];
        complete_frame(axis, m.e1, m.e2);
        return m;
    }
};

/// A cylinder start for a given axis direction: the least-squares circle of the points seen
/// along it. False when that circle cannot be found.
bool cylinder_start(std::span<const Vec3> points, const Vec3& origin, const Vec3& axis,
                    CylinderModel& out)
{
    CylinderModel m;
    m.origin = origin;
    m.a = vec_scale(axis, 1.0 / vec_length(axis));
    complete_frame(m.a, m.e1, m.e2);
    std::vector<Vec3> across(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vec3 v = vec_sub(points[i], origin);
        across[i] = {vec_dot(v, m.e1), vec_dot(v, m.e2), 0.0};
    }
    SphereModel<2> circle;
    double cost = 0.0;
    if (!algebraic_sphere<2>(across, {0, 0, 0}, circle) ||
        !levenberg_marquardt(std::span<const Vec3>(across), circle, subset_iterations, cost)) {
        return false;
    }
    m.p = vec_add(vec_scale(m.e1, circle.c[0]), vec_scale(m.e2, circle.c[1]));
    m.r = circle.r;
    out = m;
    return std::isfinite(m.r) && std::isfinite(m.p[0]) && std::isfinite(m.p[1]) &&
           std::isfinite(m.p[2]);
}

} // namespace

bool flat_to_rounding(std::span<const Vec3> points, int m)
{
    assert((m == 2 || m == 3) && "a line in the plane or a plane in space");
    if (points.size() < static_cast<std::size_t>(m + 1)) {
        return true;
    }
    const Vec3 c = centroid_of(points);
    Mat3 s = scatter_about(points, c, m);
    if (m == 2) {
        s[2][2] = (s[0][0] + s[1][1]) * 10.0 + 1.0; // keep z out of the smallest spreads
    }
    const SymmetricEigen e = symmetric_eigen(s);
    const double largest = m == 2 ? e.values[1] : e.values[2];
    const auto count = static_cast<double>(points.size());
    double size = 0.0;
    for (int k = 0; k < m; ++k) {
        size = std::max(size, std::abs(c[k]));
    }
    const double wide = std::sqrt(std::max(0.0, largest) / count);
    if (std::sqrt(std::max(0.0, e.values[0]) / count) > 1e-6 * wide) {
        return false; // plainly not flat; the eigenvalue is good to 1e-8 of the largest
    }
    // The smallest eigenvalue itself is only good to rounding of the largest; the distances
    // from the plane (line) of the smallest principal axis are good to rounding of the points.
    const Vec3& n = e.vectors[0];
    double sum = 0.0;
    for (const Vec3& p : points) {
        double t = 0.0;
        for (int k = 0; k < m; ++k) {
            t += n[k] * (p[k] - c[k]);
        }
        sum += t * t;
    }
    const double thin = std::sqrt(sum / count);
    return !(thin > 1e-10 * wide + 64.0 * eps * size);
}

bool clearly_lower(double refined_sd, double present_sd, double size)
{
    return refined_sd < present_sd * (1.0 - 1e-9) - 16.0 * eps * std::abs(size);
}

Status least_squares_sphere(std::span<const Vec3> points, int m, const SphereSolution* start,
                            SphereSolution& out)
{
    assert((m == 2 || m == 3) && "a circle or a sphere");
    return m == 3 ? fit_least_squares_sphere<3>(points, start, out)
                  : fit_least_squares_sphere<2>(points, start, out);
}

Vec3 axis_from_normals(std::span<const Vec3> points)
{
    constexpr std::size_t neighbours = 12;
    constexpr std::size_t at_most = 1024;
    if (points.size() < 6) {
        return {};
    }
    const std::vector<Vec3> sample = points.size() > at_most
                                         ? even_subset(points, at_most)
                                         : std::vector<Vec3>(points.begin(), points.end());
    const std::size_t n = sample.size();
    const std::size_t k = std::min(neighbours, n);
    std::vector<std::pair<double, std::size_t>> order(n);
    std::vector<Vec3> near(k);
    Mat3 normals{};
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            const Vec3 d = vec_sub(sample[j], sample[i]);
            order[j] = {vec_dot(d, d), j};
        }
        std::nth_element(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(k - 1),
                         order.end());
        for (std::size_t q = 0; q < k; ++q) {
            near[q] = sample[order[q].second];
        }
        const SymmetricEigen e = symmetric_eigen(scatter_about(near, centroid_of(near), 3));
        if (!(e.values[1] > 0.0)) {
            continue;
        }
        // A neighbourhood spread along a line tells no normal: weight by how flat it lies.
        const double weight = 1.0 - std::max(0.0, e.values[0]) / e.values[1];
        const Vec3& u = e.vectors[0];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                normals[r][c] += weight * u[r] * u[c];
            }
        }
    }
    const SymmetricEigen e = symmetric_eigen(normals);
    return e.vectors[0];
}

Status least_squares_cylinder(std::span<const Vec3> points, const CylinderSolution* start,
                              CylinderSolution& out)
{
    if (points.size() < 5) {
        return Status::error;
    }
    const std::vector<Vec3> subset = points.size() > subset_size
                                         ? even_subset(points, subset_size)
                                         : std::vector<Vec3>(points.begin(), points.end());
    const Vec3 origin = centroid_of(subset);
    std::vector<CylinderModel> starts;
    if (start != nullptr && vec_length(start->axis) > 0.0) {
        CylinderModel m;
        m.origin = origin;
        m.a = vec_scale(start->axis, 1.0 / vec_length(start->axis));
        complete_frame(m.a, m.e1, m.e2);
        const Vec3 p = vec_sub(start->point, origin);
        m.p = vec_sub(p, vec_scale(m.a, vec_dot(p, m.a)));
        m.r = start->radius;
        starts.push_back(m);
    }
    std::vector<Vec3> directions;
    const SymmetricEigen principal = symmetric_eigen(scatter_about(subset, origin, 3));
    for (const Vec3& d : principal.vectors) {
        directions.push_back(d);
    }
    const Vec3 normal_axis = axis_from_normals(subset);
    if (vec_length(normal_axis) > 0.0) {
        directions.push_back(normal_axis);
    }
    for (const Vec3& d : directions) {
        CylinderModel m;
        if (cylinder_start(subset, origin, d, m)) {
            starts.push_back(m);
        }
    }
    CylinderModel best;
    const int winner = best_of(std::span<const Vec3>(subset), starts, subset_iterations, best);
    if (winner < 0) {
        return Status::error;
    }
    if (points.size() > subset.size()) {
        if (winner == 0 && start != nullptr) {
            best = starts[0];
        }
        polish(points, best, polish_iterations);
    }
    // Radius and deviation at the final axis, about the first distance for their digits.
    const Vec3 point = vec_add(origin, best.p);
    const auto distance = [&](const Vec3& x) {
        const Vec3 v = vec_sub(x, point);
        return vec_length(vec_sub(v, vec_scale(best.a, vec_dot(v, best.a))));
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
    const double mean = sum / count;
    CylinderSolution s;
    s.axis = best.a;
    s.point = point;
    s.radius = d0 + mean;
    s.sd = std::sqrt(std::max(0.0, sum_sq / count - mean * mean));
    if (!std::isfinite(s.radius) || !std::isfinite(s.sd) || !std::isfinite(point[0]) ||
        !std::isfinite(point[1]) || !std::isfinite(point[2])) {
        return Status::error;
    }
    out = s;
    return Status::ok;
}

} // namespace tengun
