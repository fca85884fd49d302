// The spline solvers on large clouds: inverse B-spline (tridiagonal solves), B-spline and single
// spline with their acceleration samples. Each run checks its answer.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "spline/bspline_curve.h"
#include "spline/inverse_bspline.h"
#include "spline/single_spline.h"

namespace {

using tengun::Vec3;

/// A scanned-looking closed profile: a wavy ring with a little noise.
std::vector<Vec3> profile(std::size_t n)
{
    std::mt19937 rng(3);
    std::normal_distribution<double> g(0.0, 0.01);
    std::vector<Vec3> pts(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double a = 2.0 * tengun::pi * static_cast<double>(k) / static_cast<double>(n);
        const double r = 50.0 + 5.0 * std::sin(7.0 * a);
        pts[k] = {r * std::cos(a) + g(rng), r * std::sin(a) + g(rng), 3.0 * std::cos(a)};
    }
    return pts;
}

/// Largest distance between a segment start of the curve and its data point, over a spread.
double worst_pass(const tengun::ControlPoints& c, const std::vector<Vec3>& pts)
{
    double worst = 0.0;
    const std::size_t step = pts.size() / 97 + 1;
    for (std::size_t i = 1; i < pts.size(); i += step) {
        const Vec3 p = tengun::bspline_point(static_cast<int>(i), 0.0, c.polygon());
        worst = std::max(worst, tengun::vec_length(tengun::vec_sub(p, pts[i - 1])));
    }
    return worst;
}

void BM_inverse_bspline(benchmark::State& state, bool closed)
{
    const auto pts = profile(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        tengun::ControlPoints c;
        const tengun::Status status =
            closed ? tengun::inverse_bspline_closed(pts, c) : tengun::inverse_bspline_open(pts, c);
        if (status != tengun::Status::ok || worst_pass(c, pts) > 1e-9) {
            state.SkipWithError("the curve misses its points");
            break;
        }
        benchmark::DoNotOptimize(c.x.data());
    }
}
BENCHMARK_CAPTURE(BM_inverse_bspline, open, false)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_inverse_bspline, closed, true)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

void BM_bspline_with_acceleration(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto pts = profile(n);
    for (auto _ : state) {
        tengun::ControlPoints c;
        if (tengun::bspline_curve_points(pts, false, c) != tengun::Status::ok) {
            state.SkipWithError("no curve");
            break;
        }
        const tengun::AccelerationSamples a =
            tengun::bspline_acceleration_samples(n, c.polygon(), false);
        // Sample 10·k is C(k) − 2·C(k+1) + C(k+2) of the control polygon, i.e. of the points.
        const std::size_t k = n / 2;
        const double expected = pts[k - 1][0] - 2.0 * pts[k][0] + pts[k + 1][0];
        if (a.size() != 10 * (n - 1) + 1 || std::abs(a.x[10 * k] - expected) > 1e-9) {
            state.SkipWithError("wrong acceleration samples");
            break;
        }
        benchmark::DoNotOptimize(a.x.data());
    }
}
BENCHMARK(BM_bspline_with_acceleration)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_single_spline_degree_5(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    // Points on a quintic in s: the fit must give its coefficients back.
    const std::vector<double> cx{1, -2, 3, 0.5, -4, 2};
    std::vector<Vec3> pts(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double s = static_cast<double>(k) / static_cast<double>(n - 1);
        pts[k] = {tengun::polynomial_value(cx, s), 2.0 * s, 10.0 * s * s};
    }
    for (auto _ : state) {
        tengun::SingleSpline fit;
        if (tengun::fit_single_spline(6, pts, fit) != tengun::Status::ok) {
            state.SkipWithError("no fit");
            break;
        }
        const tengun::AccelerationSamples a =
            tengun::single_spline_acceleration_samples(fit.x, fit.y, fit.z);
        bool right = a.size() == 101 && std::abs(a.z[50] - 20.0) < 1e-6;
        for (std::size_t p = 0; p < cx.size(); ++p) {
            right = right && std::abs(fit.x[p] - cx[p]) < 1e-6;
        }
        if (!right) {
            state.SkipWithError("wrong coefficients");
            break;
        }
        benchmark::DoNotOptimize(a.x.data());
    }
}
BENCHMARK(BM_single_spline_degree_5)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
