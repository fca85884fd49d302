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

void add(Moments& mo, const Vec3& x, int m)
{
    if (mo.count == 0) {
        mo.shift = x;
    }
    ++mo.count;
    Vec3 y{};
    for (int j = 0; j < m; ++j) {
        mo.sum[j] += x[j];
        y[j] = x[j] - mo.shift[j];
        mo.shifted_sum[j] += y[j];
    }
    for (int j = 0; j < m; ++j) {
        for (int k = 0; k < m; ++k) {
            mo.raw[j][k] += x[k] * x[j];
            mo.shifted[j][k] += y[k] * y[j];
        }
    }
}

Moments moments(std::span<const Vec3> points, std::span<const double> labels, double label,
                int m)
{
    Moments mo;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (labels.empty() || labels[i] == label) {
            add(mo, points[i], m);
        }
    }
    return mo;
}

struct Plane {
    Vec3 n{};
    double d = 0.0;
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
    const double rms_algebraic = std::sqrt(mean_square(algebraic, scatter, centroid, count));
    const double rms_orthogonal = std::sqrt(mean_square(orthogonal, scatter, centroid, count));
    // Rounding alone must not switch an exact plane over: allow a hair of the cloud's size.
    const double hair = 1e-12 * (std::sqrt(trace / count) + vec_length(centroid));
    result = rms_algebraic > 1.5 * rms_orthogonal + hair ? orthogonal : algebraic;
    return Status::ok;
}

}  // namespace

Status fit_plane(std::span<const Vec3> points, int m, Vec3& n, double& d, double& sd)
{
    Plane p;
    if (solve_plane(moments(points, {}, 0.0, m), m, p) == Status::error) {
        return Status::error;
    }
    double sum = 0.0;
    for (const Vec3& x : points) {
        double e = -p.d;
        for (int j = 0; j < m; ++j) {
            e += p.n[j] * x[j];
        }
        sum += e * e;
    }
    n = p.n;
    d = p.d;
    sd = std::sqrt(sum / static_cast<double>(points.size()));
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
