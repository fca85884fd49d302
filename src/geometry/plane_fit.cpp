#include "geometry/plane_fit.h"

#include <cassert>
#include <cmath>
#include <limits>

#include "geometry/exact_sum.h"
#include "geometry/rotation.h"

namespace tengun {

namespace {

struct Moments {
    std::size_t count = 0;
    Mat3 raw{};     // sum of x x^T about the origin
    Vec3 sum{};     // sum of x
    Vec3 shift{};   // the first point: centred sums are taken about it for accuracy
    Mat3 shifted{}; // sum of (x - shift)(x - shift)^T
    Vec3 shifted_sum{};
};

// A point set is visited through `visit(f)`, which calls f(point) for each point of the set in
// order: all points, the labelled ones, or the ones at given indices.

/// Two doubles side by side: each lane takes exactly the operations a scalar would, in the same
/// order, so sums kept in pairs round exactly as the same sums kept one by one.
using Pair = double __attribute__((vector_size(16)));

Pair pair_at(const double* p)
{
    Pair v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

/// The sums of one pass, kept in locals: accumulating straight into a Moments through a
/// reference would make the compiler store and reload every sum per point (it cannot rule out
/// that the sums alias the coordinates it reads).
template <int m, class Visit> Moments gather_moments(Visit visit)
{
    Vec3 shift{};
    std::size_t count = 0;
    double s0 = 0, s1 = 0, s2 = 0, t0 = 0, t1 = 0, t2 = 0;
    double r00 = 0, r01 = 0, r02 = 0, r11 = 0, r12 = 0, r22 = 0;
    double h00 = 0, h01 = 0, h02 = 0, h11 = 0, h12 = 0, h22 = 0;
    if constexpr (m == 3) {
        // The same sums as below, two at a time: (s0, s1), (s2, t2), (t0, t1), (r00, r11),
        // (r01, r12), (r02, r22) and the same pairs of h. The products are the same products
        // (x1 x0 = x0 x1 exactly).
        Pair s01{}, st2{}, t01{}, r0011{}, r0112{}, r0222{}, h0011{}, h0112{}, h0222{};
        Pair shift01{}, shift12{};
        visit([&](const Vec3& x) {
            const Pair x01 = pair_at(&x[0]);
            const Pair x12 = pair_at(&x[1]);
            if (count == 0) {
                shift = x;
                shift01 = x01;
                shift12 = x12;
            }
            ++count;
            const Pair y01 = x01 - shift01;
            const Pair y12 = x12 - shift12;
            const Pair x22 = {x[2], x[2]};
            const Pair y22 = {y12[1], y12[1]};
            s01 += x01;
            st2 += Pair{x[2], y12[1]};
            t01 += y01;
            r0011 += x01 * x01;
            r0112 += x12 * x01;
            r0222 += x22 * Pair{x01[0], x12[1]};
            h0011 += y01 * y01;
            h0112 += y12 * y01;
            h0222 += y22 * Pair{y01[0], y12[1]};
        });
        s0 = s01[0];
        s1 = s01[1];
        s2 = st2[0];
        t2 = st2[1];
        t0 = t01[0];
        t1 = t01[1];
        r00 = r0011[0];
        r11 = r0011[1];
        r01 = r0112[0];
        r12 = r0112[1];
        r02 = r0222[0];
        r22 = r0222[1];
        h00 = h0011[0];
        h11 = h0011[1];
        h01 = h0112[0];
        h12 = h0112[1];
        h02 = h0222[0];
        h22 = h0222[1];
    } else {
        visit([&](const Vec3& x) {
            if (count == 0) {
                shift = x;
            }
            ++count;
            const double y0 = x[0] - shift[0];
            const double y1 = x[1] - shift[1];
            const double y2 = m == 3 ? x[2] - shift[2] : 0.0;
            const double z = m == 3 ? x[2] : 0.0;
            s0 += x[0];
            s1 += x[1];
            s2 += z;
            t0 += y0;
            t1 += y1;
            t2 += y2;
            // Symmetric: the upper triangle is summed, the lower filled in at the end.
            r00 += x[0] * x[0];
            r01 += x[1] * x[0];
            r02 += z * x[0];
            r11 += x[1] * x[1];
            r12 += z * x[1];
            r22 += z * z;
            h00 += y0 * y0;
            h01 += y1 * y0;
            h02 += y2 * y0;
            h11 += y1 * y1;
            h12 += y2 * y1;
            h22 += y2 * y2;
        });
    }
    Moments mo;
    mo.count = count;
    mo.shift = shift;
    mo.sum = {s0, s1, s2};
    mo.shifted_sum = {t0, t1, t2};
    mo.raw = {{{r00, r01, r02}, {r01, r11, r12}, {r02, r12, r22}}};
    mo.shifted = {{{h00, h01, h02}, {h01, h11, h12}, {h02, h12, h22}}};
    if (m == 2) {
        mo.shift[2] = 0.0;
    }
    return mo;
}

struct Plane {
    Vec3 n{};
    double d = 0.0;
    double rms = 0.0; // RMS signed distance of the points
};

/// Scatter about the centroid, and the centroid.
void centred(const Moments& mo, int m, Mat3& scatter, Vec3& centroid)
{
    const auto count = static_cast<double>(mo.count);
    Vec3 mean_shift{};
    for (int j = 0; j < m; ++j) {
        mean_shift[j] = mo.shifted_sum[j] / count;
        centroid[j] = mo.shift[j] + mean_shift[j];
    }
    scatter = Mat3{};
    for (int j = 0; j < m; ++j) {
        for (int k = 0; k < m; ++k) {
            scatter[j][k] = mo.shifted[j][k] - count * mean_shift[j] * mean_shift[k];
        }
    }
}

/// RMS distances of the points from two planes, from the residuals themselves in one more pass.
/// The moments would give them too (n^T S n / N + offset^2), but that difference of large sums
/// keeps only half the digits: an exact plane would show 1e-8 instead of 1e-16. Residuals are
/// taken about the centroid, so a cloud far from the origin keeps its digits as well.
template <class Visit> void residual_rms(Visit visit, const Vec3& centroid, Plane& p, Plane& q)
{
    const double kp = p.d - vec_dot(p.n, centroid);
    const double kq = q.d - vec_dot(q.n, centroid);
    // Both planes at once, p in the first lane and q in the second.
    const Pair n0{p.n[0], q.n[0]};
    const Pair n1{p.n[1], q.n[1]};
    const Pair n2{p.n[2], q.n[2]};
    const Pair k{kp, kq};
    const Pair c01 = pair_at(&centroid[0]);
    const Pair c12 = pair_at(&centroid[1]);
    Pair s{};
    std::size_t count = 0;
    visit([&](const Vec3& x) {
        const Pair d01 = pair_at(&x[0]) - c01;
        const Pair d12 = pair_at(&x[1]) - c12;
        const Pair x0{d01[0], d01[0]};
        const Pair x1{d01[1], d01[1]};
        const Pair x2{d12[1], d12[1]};
        const Pair e = n0 * x0 + n1 * x1 + n2 * x2 - k;
        s += e * e;
        ++count;
    });
    p.rms = std::sqrt(s[0] / static_cast<double>(count));
    q.rms = std::sqrt(s[1] / static_cast<double>(count));
}

/// The plane of a point set from its sums `mo`; `rms(centroid, p, q)` sets the RMS residuals of
/// the two candidate planes p and q.
template <class ResidualRms>
Status plane_from_moments(const Moments& mo, int m, ResidualRms rms, Plane& result)
{
    assert((m == 2 || m == 3) && "planes of two or three coordinates");
    if (mo.count < static_cast<std::size_t>(m)) {
        return Status::error;
    }
    const auto count = static_cast<double>(mo.count);
    Mat3 scatter{};
    Vec3 centroid{};
    centred(mo, m, scatter, centroid);
    if (m == 2) {
        // Keep the unused axis out of the way of the smallest principal axis.
        scatter[2][2] = (scatter[0][0] + scatter[1][1]) * 10.0 + 1.0;
    }
    const SymmetricEigen eigen = symmetric_eigen(scatter);
    const double trace = scatter[0][0] + scatter[1][1] + (m == 3 ? scatter[2][2] : 0.0);
    // The plane needs m - 1 independent directions in the cloud.
    if (!(trace > 0.0) || !(eigen.values[1] > 1e-14 * trace)) {
        return Status::error;
    }
    Plane orthogonal{eigen.vectors[0], vec_dot(eigen.vectors[0], centroid)};
    if (orthogonal.d < 0.0) {
        orthogonal = {vec_scale(orthogonal.n, -1.0), -orthogonal.d};
    }

    Matrix s(static_cast<std::size_t>(m));
    std::vector<double> a(static_cast<std::size_t>(m));
    for (int j = 0; j < m; ++j) {
        a[static_cast<std::size_t>(j)] = mo.sum[j];
        for (int k = 0; k < m; ++k) {
            s(static_cast<std::size_t>(j), static_cast<std::size_t>(k)) = mo.raw[j][k];
        }
    }
    Matrix inverse;
    const Status solved = solve_linear(s, a, inverse);
    const double length = vec_length(std::span<const double>(a));
    Plane algebraic{orthogonal};
    if (solved == Status::ok && length > 0.0 && std::isfinite(length)) {
        algebraic = {{}, 1.0 / length};
        for (int j = 0; j < m; ++j) {
            algebraic.n[j] = a[static_cast<std::size_t>(j)] * algebraic.d;
        }
    }
    rms(centroid, algebraic, orthogonal);
    // The orthogonal plane is the least-squares one; the algebraic plane stays only where it is
    // as good to rounding (exact data near the origin), so that such results keep their digits.
    // Rounding of the residuals themselves is a few units of the last place of the cloud's size.
    const double size = std::sqrt(trace / count) + vec_length(centroid);
    const double hair = 8.0 * std::numeric_limits<double>::epsilon() * size;
    result = algebraic.rms > orthogonal.rms * (1.0 + 1e-9) + hair ? orthogonal : algebraic;
    return Status::ok;
}

template <class Visit> Status solve_plane(Visit visit, int m, Plane& result)
{
    const Moments mo = m == 3 ? gather_moments<3>(visit) : gather_moments<2>(visit);
    const auto rms = [&](const Vec3& centroid, Plane& p, Plane& q) {
        residual_rms(visit, centroid, p, q);
    };
    return plane_from_moments(mo, m, rms, result);
}

/// Index of entry (j, k), j <= k, in the upper triangles of ExactPlaneSums.
constexpr int upper(int j, int k) { return j == 0 ? k : (j == 1 ? 2 + k : 5); }

} // namespace

ExactPlaneSums::ExactPlaneSums(const Vec3& origin) : shift_(origin) {}

void ExactPlaneSums::add(const Vec3& x)
{
    ++count_;
    const Vec3 y = x - shift_;
    for (int j = 0; j < 3; ++j) {
        sum_[static_cast<std::size_t>(j)].add(x[j]);
        shifted_sum_[static_cast<std::size_t>(j)].add(y[j]);
        for (int k = j; k < 3; ++k) {
            raw_[static_cast<std::size_t>(upper(j, k))].add_product(x[j], x[k]);
            shifted_[static_cast<std::size_t>(upper(j, k))].add_product(y[j], y[k]);
        }
    }
}

Status ExactPlaneSums::fit(Vec3& n, double& d) const
{
    Moments mo;
    mo.count = count_;
    mo.shift = shift_;
    for (int j = 0; j < 3; ++j) {
        mo.sum[j] = sum_[static_cast<std::size_t>(j)].rounded();
        mo.shifted_sum[j] = shifted_sum_[static_cast<std::size_t>(j)].rounded();
        for (int k = j; k < 3; ++k) {
            mo.raw[j][k] = mo.raw[k][j] = raw_[static_cast<std::size_t>(upper(j, k))].rounded();
            mo.shifted[j][k] = mo.shifted[k][j] =
                shifted_[static_cast<std::size_t>(upper(j, k))].rounded();
        }
    }
    // sum (n . x - d)^2 = n^T (sum x x^T) n - 2 d n . (sum x) + N d^2, exactly.
    ExactSum points;
    points.add(static_cast<double>(count_));
    const auto rms = [&](const Vec3&, Plane& p, Plane& q) {
        for (Plane* plane : {&p, &q}) {
            ExactSum squares;
            double hi = 0.0;
            double lo = 0.0;
            for (int j = 0; j < 3; ++j) {
                for (int k = j; k < 3; ++k) {
                    const double twice = j == k ? 1.0 : 2.0;
                    two_product(plane->n[j], plane->n[k], hi, lo);
                    squares.add_scaled(raw_[static_cast<std::size_t>(upper(j, k))], twice * hi);
                    squares.add_scaled(raw_[static_cast<std::size_t>(upper(j, k))], twice * lo);
                }
                two_product(plane->d, plane->n[j], hi, lo);
                squares.add_scaled(sum_[static_cast<std::size_t>(j)], -2.0 * hi);
                squares.add_scaled(sum_[static_cast<std::size_t>(j)], -2.0 * lo);
            }
            two_product(plane->d, plane->d, hi, lo);
            squares.add_scaled(points, hi);
            squares.add_scaled(points, lo);
            plane->rms = std::sqrt(squares.rounded() / static_cast<double>(count_));
        }
    };
    Plane p;
    if (plane_from_moments(mo, 3, rms, p) == Status::error) {
        return Status::error;
    }
    n = p.n;
    d = p.d;
    return Status::ok;
}

Status fit_plane(std::span<const Vec3> points, int m, Vec3& n, double& d, double& sd)
{
    Plane p;
    const auto all = [points](auto&& f) {
        for (const Vec3& x : points) {
            f(x);
        }
    };
    if (points.empty() || solve_plane(all, m, p) == Status::error) {
        return Status::error;
    }
    n = p.n;
    d = p.d;
    sd = p.rms;
    return Status::ok;
}

Status fit_plane_labelled(std::span<const Vec3> points, std::span<const double> labels,
                          double label, int m, Vec3& n, double& d)
{
    assert(labels.size() == points.size() && "one label per point");
    if (points.empty()) {
        return Status::error;
    }
    Plane p;
    const auto labelled = [points, labels, label](auto&& f) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (labels[i] == label) {
                f(points[i]);
            }
        }
    };
    if (solve_plane(labelled, m, p) == Status::error) {
        return Status::error;
    }
    n = p.n;
    d = p.d;
    return Status::ok;
}

Status fit_plane_indexed(std::span<const Vec3> points, std::span<const int> indices, int m, Vec3& n,
                         double& d)
{
    Plane p;
    const auto indexed = [points, indices](auto&& f) {
        for (const int i : indices) {
            f(points[static_cast<std::size_t>(i)]);
        }
    };
    if (indices.empty() || solve_plane(indexed, m, p) == Status::error) {
        return Status::error;
    }
    n = p.n;
    d = p.d;
    return Status::ok;
}

Status plane_analysis(std::span<const Vec3> points, Vec3& n, double& d, Vec3& foot, Mat3& frame,
                      double& sd)
{
    Vec3 normal{};
    double offset = 0.0;
    double deviation = 0.0;
    if (fit_plane(points, 3, normal, offset, deviation) == Status::error) {
        return Status::error;
    }
    const Angles a = direction_angles(normal);
    frame = rotation_matrix(a.alpha, a.beta, 0.0);
    foot = mat_t_vec({0.0, 0.0, offset}, frame);
    n = normal;
    d = offset;
    sd = deviation;
    return Status::ok;
}

} // namespace tengun
