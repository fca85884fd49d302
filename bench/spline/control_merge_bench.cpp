// The control-point merge of a scanned-looking closed profile: jerks, chained grouping and the
// merged polygon, checked against the curve it must describe.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "spline/bspline_curve.h"
#include "spline/control_merge.h"
#include "spline/inverse_bspline.h"

namespace {

using tengun::Vec3;

/// A wavy ring with a little noise: most neighbouring segments differ, so K is close to N.
std::vector<Vec3> noisy_profile(std::size_t n)
{
    std::mt19937 rng(5);
    std::normal_distribution<double> g(0.0, 0.05);
    std::vector<Vec3> pts(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double a = 2.0 * tengun::pi * static_cast<double>(k) / static_cast<double>(n);
        const double r = 50.0 + 5.0 * std::sin(7.0 * a);
        pts[k] = {r * std::cos(a) + g(rng), r * std::sin(a) + g(rng), 3.0 * std::cos(a) + g(rng)};
    }
    return pts;
}

double distance(const Vec3& a, const Vec3& b)
{
    return tengun::vec_length(tengun::vec_sub(a, b));
}

void BM_merge_closed_after_inverse_bspline(benchmark::State& state)
{
    const auto pts = noisy_profile(static_cast<std::size_t>(state.range(0)));
    tengun::ControlPoints c;
    if (tengun::inverse_bspline_closed(pts, c) != tengun::Status::ok) {
        state.SkipWithError("no inverse B-spline");
        return;
    }
    std::size_t groups = 0;
    for (auto _ : state) {
        const tengun::SegmentJerks j = tengun::segment_jerks(pts.size(), c.polygon());
        const tengun::JerkGroups g = tengun::group_jerks(j.jerk, j.max);
        std::vector<Vec3> merged;
        if (tengun::merge_closed(true, g.value, pts.front(), merged) != tengun::Status::ok) {
            state.SkipWithError("no merged polygon");
            break;
        }
        // The merged curve starts at the first point and has the middle group's jerk, within
        // the rounding of its coordinates: the jerk of the last group is not imposed, and with
        // nearly as many groups as segments the loop drifts far from the profile.
        const tengun::ControlPoints m = tengun::control_points_with_ends(merged, true);
        double scale = 1.0;
        for (const Vec3& p : merged) {
            scale = std::max(scale, tengun::vec_length(p));
        }
        const std::size_t mid = merged.size() / 2;
        const Vec3 jerk = tengun::bspline_third_derivative(static_cast<int>(mid), m.polygon());
        if (distance(tengun::bspline_point(1, 0.0, m.polygon()), pts.front()) > 1e-12 * scale ||
            distance(jerk, g.value[mid - 1]) > 1e-12 * scale) {
            state.SkipWithError("the merged polygon misses its rows");
            break;
        }
        groups = merged.size();
        benchmark::DoNotOptimize(merged.data());
    }
    state.counters["groups"] = static_cast<double>(groups);
}
BENCHMARK(BM_merge_closed_after_inverse_bspline)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

} // namespace
