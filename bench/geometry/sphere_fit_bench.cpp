#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/sphere_fit.h"

namespace {

/// The upper half of the sphere of centre (1, 2, 3) and radius 10, 0.01 noise along the radius.
std::vector<tengun::Vec3> half_sphere(std::size_t n)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::normal_distribution<double> g(0.0, 0.01);
    std::vector<tengun::Vec3> pts(n);
    for (auto& p : pts) {
        const double phi = 2.0 * tengun::pi * u(rng);
        const double z = u(rng);
        const double r = std::sqrt(1.0 - z * z);
        const double radius = 10.0 + g(rng);
        p = {1.0 + radius * r * std::cos(phi), 2.0 + radius * r * std::sin(phi),
             3.0 + radius * z};
    }
    return pts;
}

void BM_fit_sphere(benchmark::State& state)
{
    const auto pts = half_sphere(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        tengun::Vec3 centre{};
        double radius = 0.0;
        double sd = 0.0;
        if (tengun::fit_sphere(pts, 3, centre, radius, sd) != tengun::Status::ok ||
            std::abs(centre[0] - 1.0) > 0.01 || std::abs(centre[1] - 2.0) > 0.01 ||
            std::abs(centre[2] - 3.0) > 0.01 || std::abs(radius - 10.0) > 0.01 ||
            std::abs(sd - 0.01) > 0.002) {
            state.SkipWithError("wrong sphere");
            break;
        }
        benchmark::DoNotOptimize(centre);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_fit_sphere)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

void BM_sphere_objective(benchmark::State& state)
{
    const auto pts = half_sphere(static_cast<std::size_t>(state.range(0)));
    const tengun::Vec3 near{1.1, 2.05, 2.9};
    for (auto _ : state) {
        tengun::SphereEvaluation e;
        if (tengun::sphere_objective(pts, 3, near, e) != tengun::Status::ok ||
            !(e.gradient_length > 0.0) || std::abs(e.radius - 10.0) > 0.2) {
            state.SkipWithError("wrong evaluation");
            break;
        }
        benchmark::DoNotOptimize(e);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_sphere_objective)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
