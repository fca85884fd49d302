#include "spline/single_spline.h"

#include "geometry/line_fit.h"

#include <cassert>
#include <cmath>

namespace tengun {

namespace {

double parameter(std::size_t k, std::size_t n) // k is 0-based here
{
    return static_cast<double>(k) / static_cast<double>(n - 1);
}

/// Coefficients of the derivative of order `order`: c'[p] = c[p + order]·(p+1)···(p+order).
std::vector<double> derivative(std::span<const double> c, std::size_t order)
{
    std::vector<double> d;
    for (std::size_t p = order; p < c.size(); ++p) {
        double factor = 1.0;
        for (std::size_t q = p - order + 1; q <= p; ++q) {
            factor *= static_cast<double>(q);
        }
        d.push_back(factor * c[p]);
    }
    return d;
}

} // namespace

Matrix single_spline_normal_matrix(std::size_t m, std::size_t n)
{
    assert(n >= 2 && "the parameter needs two points");
    // Power sums S_p = Σ_k s_k^p for p = 0..2m−2; M(i, j) = S_(i+j−2).
    std::vector<double> sums(m == 0 ? 0 : 2 * m - 1, 0.0);
    for (std::size_t k = 0; k < n; ++k) {
        const double s = parameter(k, n);
        double power = 1.0;
        for (double& sum : sums) {
            sum += power;
            power *= s;
        }
    }
    Matrix a(m);
    for (std::size_t i = 0; i < m; ++i) {
        for (std::size_t j = 0; j < m; ++j) {
            a(i, j) = sums[i + j];
        }
    }
    return a;
}

std::array<std::vector<double>, 3> single_spline_right_side(std::size_t m,
                                                            std::span<const Vec3> points)
{
    const std::size_t n = points.size();
    assert(n >= 2 && "the parameter needs two points");
    std::array<std::vector<double>, 3> b{std::vector<double>(m, 0.0), std::vector<double>(m, 0.0),
                                         std::vector<double>(m, 0.0)};
    for (std::size_t k = 0; k < n; ++k) {
        const double s = parameter(k, n);
        double power = 1.0;
        for (std::size_t i = 0; i < m; ++i) {
            for (int c = 0; c < 3; ++c) {
                b[c][i] += power * points[k][c];
            }
            power *= s;
        }
    }
    return b;
}

Status fit_single_spline(std::size_t m, std::span<const Vec3> points, SingleSpline& out)
{
    const std::size_t n = points.size();
    if (n < 2 || m < 1 || m > n) {
        return Status::error;
    }
    // The inverse of the normal matrix serves all three coordinates.
    std::vector<double> zero(m, 0.0);
    Matrix inverse;
    if (solve_linear(single_spline_normal_matrix(m, n), zero, inverse) == Status::error) {
        return Status::error;
    }
    const std::array<std::vector<double>, 3> b = single_spline_right_side(m, points);
    SingleSpline fit;
    fit.x = mat_vec(inverse, b[0]);
    fit.y = mat_vec(inverse, b[1]);
    fit.z = mat_vec(inverse, b[2]);
    const std::array<const std::vector<double>*, 3> coefficients{&fit.x, &fit.y, &fit.z};
    Vec3 tangent{};
    for (int c = 0; c < 3; ++c) {
        fit.middle[c] = polynomial_value(*coefficients[c], 0.5);
        tangent[c] = polynomial_value(derivative(*coefficients[c], 1), 0.5);
    }
    const double length = vec_length(tangent);
    if (length > 0.0 && std::isfinite(length)) {
        fit.tangent = vec_scale(tangent, 1.0 / length);
    }
    if (m == 2) {
        fit.line_deviation = line_deviation(points, fit.tangent, fit.middle);
    }
    out = std::move(fit);
    return Status::ok;
}

double polynomial_value(std::span<const double> coefficients, double s)
{
    double sum = 0.0;
    double power = 1.0;
    for (const double c : coefficients) {
        sum += c * power;
        power *= s;
    }
    return sum;
}

std::vector<Vec3> sample_single_spline(std::span<const double> x, std::span<const double> y,
                                       std::span<const double> z, std::size_t intervals)
{
    std::vector<Vec3> out;
    if (intervals == 0) {
        return out;
    }
    out.reserve(intervals + 1);
    for (std::size_t j = 0; j <= intervals; ++j) {
        const double s = static_cast<double>(j) / static_cast<double>(intervals);
        out.push_back({polynomial_value(x, s), polynomial_value(y, s), polynomial_value(z, s)});
    }
    return out;
}

AccelerationSamples single_spline_acceleration_samples(std::span<const double> x,
                                                       std::span<const double> y,
                                                       std::span<const double> z)
{
    constexpr std::size_t intervals = 100;
    const std::vector<double> ax = derivative(x, 2);
    const std::vector<double> ay = derivative(y, 2);
    const std::vector<double> az = derivative(z, 2);
    AccelerationSamples a;
    a.x.resize(intervals + 1);
    a.y.resize(intervals + 1);
    a.z.resize(intervals + 1);
    for (std::size_t k = 0; k <= intervals; ++k) {
        const double s = static_cast<double>(k) / static_cast<double>(intervals);
        a.x[k] = polynomial_value(ax, s);
        a.y[k] = polynomial_value(ay, s);
        a.z[k] = polynomial_value(az, s);
    }
    return a;
}

} // namespace tengun
