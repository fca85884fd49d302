#pragma once
// One polynomial space curve of a chosen degree fitted by least squares to the whole cloud in
// file order. Point k (1-based) gets the parameter s_k = (k − 1) / (N − 1), uniform in the point
// index, from 0 at the first point to 1 at the last. Coefficient arrays hold the coefficient
// of s^p at index p (the algorithms' coefficient i of s^(i−1) is at index i − 1).

#include <array>
#include <cstddef>
#include <span>
#include <vector>

#include "geometry/numeric_core.h"
#include "spline/bspline_basis.h"

namespace tengun {

struct SingleSpline {
    std::vector<double> x, y, z; ///< m = degree + 1 coefficients each
    Vec3 middle{};               ///< the curve point at s = 0.5
    Vec3 tangent{}; ///< unit tangent at s = 0.5; (0, 0, 0) where the curve stands still
    double line_deviation = 0.0; ///< degree 1 only: RMS distance of the points from the line
};

/// Normal matrix of the fit with m coefficients over n points: M(i, j) = Σ_k s_k^(i+j−2)
/// (1-based i, j; 0^0 = 1). Requires n >= 2.
Matrix single_spline_normal_matrix(std::size_t m, std::size_t n);

/// Right-hand sides per coordinate: b_c(i) = Σ_k s_k^(i−1)·P_k,c for i = 1..m. Requires
/// at least 2 points.
std::array<std::vector<double>, 3> single_spline_right_side(std::size_t m,
                                                            std::span<const Vec3> points);

/// Least-squares fit of m = degree + 1 coefficients per coordinate, with the middle point, the
/// unit tangent there and, for m = 2, the line deviation. Status::error when m < 1, m > N
/// (degree >= N: the normal matrix is singular), N < 2 (no parameter step) or the solver meets
/// a singular matrix; `out` is then unchanged.
[[nodiscard]] Status fit_single_spline(std::size_t m, std::span<const Vec3> points,
                                       SingleSpline& out);

/// Σ_p c[p]·s^p.
double polynomial_value(std::span<const double> coefficients, double s);

/// intervals + 1 curve points at s = j / intervals, j = 0..intervals; none when intervals = 0.
std::vector<Vec3> sample_single_spline(std::span<const double> x, std::span<const double> y,
                                       std::span<const double> z, std::size_t intervals);

/// The second derivative at s = k / 100, k = 0..100: always 101 samples, zero for degree < 2.
AccelerationSamples single_spline_acceleration_samples(std::span<const double> x,
                                                       std::span<const double> y,
                                                       std::span<const double> z);

} // namespace tengun
