#pragma once
// fit_plane of three coordinates with every sum kept on its own, one point after another: the
// plain form of the library's paired sums, which must round exactly like it. Same steps as the
// library (moments about the origin and about the first point, the centroid scatter's smallest
// axis, the algebraic plane, the plane of the smaller residual RMS).

#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "geometry/numeric_core.h"

namespace tengun::testing {

struct PlainPlane {
    bool ok = false;
    Vec3 n{};
    double d = 0.0;
    double sd = 0.0;
};

inline PlainPlane plain_fit_plane(std::span<const Vec3> pts)
{
    const std::size_t count = pts.size();
    if (count < 3) {
        return {};
    }
    const Vec3 shift = pts[0];
    Vec3 sum{}, shifted_sum{};
    Mat3 raw{}, shifted{};
    for (const Vec3& x : pts) {
        for (int j = 0; j < 3; ++j) {
            sum[j] += x[j];
            shifted_sum[j] += x[j] - shift[j];
        }
        for (int j = 0; j < 3; ++j) {
            for (int k = j; k < 3; ++k) {
                raw[j][k] += x[k] * x[j];
                shifted[j][k] += (x[k] - shift[k]) * (x[j] - shift[j]);
            }
        }
    }
    const auto n = static_cast<double>(count);
    Vec3 mean_shift{}, centroid{};
    for (int j = 0; j < 3; ++j) {
        mean_shift[j] = shifted_sum[j] / n;
        centroid[j] = shift[j] + mean_shift[j];
    }
    Mat3 scatter{};
    for (int j = 0; j < 3; ++j) {
        for (int k = 0; k < 3; ++k) {
            const double h = k >= j ? shifted[j][k] : shifted[k][j];
            scatter[j][k] = h - n * mean_shift[j] * mean_shift[k];
        }
    }
    const SymmetricEigen eigen = symmetric_eigen(scatter);
    const double trace = scatter[0][0] + scatter[1][1] + scatter[2][2];
    if (!(trace > 0.0) || !(eigen.values[1] > 1e-14 * trace)) {
        return {};
    }
    PlainPlane orthogonal{true, eigen.vectors[0], vec_dot(eigen.vectors[0], centroid)};
    if (orthogonal.d < 0.0) {
        orthogonal = {true, vec_scale(orthogonal.n, -1.0), -orthogonal.d};
    }
    Matrix s(3);
    std::vector<double> a(3);
    for (std::size_t j = 0; j < 3; ++j) {
        a[j] = sum[static_cast<int>(j)];
        for (std::size_t k = 0; k < 3; ++k) {
            s(j, k) = k >= j ? raw[static_cast<int>(j)][static_cast<int>(k)]
                             : raw[static_cast<int>(k)][static_cast<int>(j)];
        }
    }
    Matrix inverse;
    const Status solved = solve_linear(s, a, inverse);
    const double length = vec_length(std::span<const double>(a));
    PlainPlane algebraic = orthogonal;
    if (solved == Status::ok && length > 0.0 && std::isfinite(length)) {
        algebraic = {true, {}, 1.0 / length};
        for (int j = 0; j < 3; ++j) {
            algebraic.n[j] = a[static_cast<std::size_t>(j)] * algebraic.d;
        }
    }
    for (PlainPlane* p : {&algebraic, &orthogonal}) {
        const double k = p->d - vec_dot(p->n, centroid);
        double squares = 0.0;
        for (const Vec3& x : pts) {
            const double e = p->n[0] * (x[0] - centroid[0]) + p->n[1] * (x[1] - centroid[1]) +
                             p->n[2] * (x[2] - centroid[2]) - k;
            squares += e * e;
        }
        p->sd = std::sqrt(squares / n);
    }
    const double size = std::sqrt(trace / n) + vec_length(centroid);
    const double hair = 8.0 * std::numeric_limits<double>::epsilon() * size;
    return algebraic.sd > orthogonal.sd * (1.0 + 1e-9) + hair ? orthogonal : algebraic;
}

} // namespace tengun::testing
