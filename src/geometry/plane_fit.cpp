#include "geometry/plane_fit.h"

#include <cassert>
#include <cmath>

#include "geometry/rotation.h"

namespace tengun {

namespace {

struct Moments {
    std::size_t count = 0;
    Mat3 raw{};      // sum of x x^T about the origin
    Vec3 sum{};      // sum of x
    Vec3 shift{};    // the first point: centred sums are taken about it for accuracy
    Mat3 shifted{};  // sum of (x - shift)(x - shift)^T
    Vec3 shifted_sum{};
};

template <int m>
void add(Moments& mo, const Vec3& x)
{
    if (mo.count == 0) {
        mo.shift = x;
    }
    ++mo.count;
    const Vec3 y{x[0] - mo.shift[0], x[1] - mo.shift[1], m == 3 ? x[2] - mo.shift[2] : 0.0};
    const double z = m == 3 ? x[2] : 0.0;
    mo.sum[0] += x[0];
    mo.sum[1] += x[1];
    mo.sum[2] += z;
    mo.shifted_sum[0] += y[0];
    mo.shifted_sum[1] += y[1];
    mo.shifted_sum[2] += y[2];
    // Symmetric: the upper triangle is summed, the lower filled in once at the end.
    mo.raw[0][0] += x[0] * x[0];
    mo.raw[0][1] += x[1] * x[0];
    mo.raw[0][2] += z * x[0];
    mo.raw[1][1] += x[1] * x[1];
    mo.raw[1][2] += z * x[1];
    mo.raw[2][2] += z * z;
    mo.shifted[0][0] += y[0] * y[0];
    mo.shifted[0][1] += y[1] * y[0];
    mo.shifted[0][2] += y[2] * y[0];
    mo.shifted[1][1] += y[1] * y[1];
    mo.shifted[1][2] += y[2] * y[1];
    mo.shifted[2][2] += y[2] * y[2];
}

void fill_lower(Moments& mo)
{
    for (int j = 0; j < 3; ++j) {
        for (int k = 0; k < j; ++k) {
            mo.raw[j][k] = mo.raw[k][j];
            mo.shifted[j][k] = mo.shifted[k][j];
        }
    }
}

Moments moments(std::span<const Vec3> points, std::span<const double> labels, double label,
                int m)
{
    Moments mo;
    const auto add_point = m == 3 ? add<3> : add<2>;
    if (labels.empty()) {
        if (m == 3) {
            for (const Vec3& p : points) {
                add<3>(mo, p);
            }
        } else {
            for (const Vec3& p : points) {
                add<2>(mo, p);
            }
        }
    } else {
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (labels[i] == label) {
                add_point(mo, points[i]);
            }
        }
    }
    fill_lower(mo);
    return mo;
}

Moments moments_of(std::span<const Vec3> points, std::span<const int> indices, int m)
{
    Moments mo;
    const auto add_point = m == 3 ? add<3> : add<2>;
    for (const int i : indices) {
        add_point(mo, points[static_cast<std::size_t>(i)]);
    }
    fill_lower(mo);
    return mo;
}

struct Plane {
    Vec3 n{};
    double d = 0.0;
    double rms = 0.0;  // RMS signed distance of the points
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

/// Mean squared distance of the points from the plane, from the centred moments.
double mean_square(const Plane& p, const Mat3& scatter, const Vec3& centroid, double count)
{
    const double offset = vec_dot(p.n, centroid) - p.d;
    return std::max(0.0, vec_dot(p.n, mat_vec(scatter, p.n)) / count) + offset * offset;
}

Status solve_plane(const Moments& mo, int m, Plane& result)
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
    orthogonal.rms = std::sqrt(mean_square(orthogonal, scatter, centroid, count));

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
    if (solved == Status::error || !(length > 0.0) || !std::isfinite(length)) {
        result = orthogonal;
        return Status::ok;
    }
    Plane algebraic{{}, 1.0 / length};
    for (int j = 0; j < m; ++j) {
        algebraic.n[j] = a[static_cast<std::size_t>(j)] * algebraic.d;
    }
    algebraic.rms = std::sqrt(mean_square(algebraic, scatter, centroid, count));
    // Rounding alone must not switch an exact plane over: allow a hair of the cloud's size.
    const double hair = 1e-12 * (std::sqrt(trace / count) + vec_length(centroid));
    result = algebraic.rms > 1.5 * orthogonal.rms + hair ? orthogonal : algebraic;
    return Status::ok;
}

}  // namespace

Status fit_plane(std::span<const Vec3> points, int m, Vec3& n, double& d, double& sd)
{
    Plane p;
    if (solve_plane(moments(points, {}, 0.0, m), m, p) == Status::error) {
        return Status::error;
    }
    // The mean of the squared distances, taken from the centred moments in the same pass.
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
    if (solve_plane(moments(points, labels, label, m), m, p) == Status::error) {
        return Status::error;
    }
    n = p.n;
    d = p.d;
    return Status::ok;
}

Status fit_plane_indexed(std::span<const Vec3> points, std::span<const int> indices, int m,
                         Vec3& n, double& d)
{
    Plane p;
    if (indices.empty() || solve_plane(moments_of(points, indices, m), m, p) == Status::error) {
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

}  // namespace tengun
