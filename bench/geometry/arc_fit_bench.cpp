#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/arc_fit.h"

namespace {

/// A 120 degree arc of radius 25 around (5, -5, 20) in a plane tilted by 0.5 rad about X,
/// 0.01 noise on every coordinate.
std::vector<tengun::Vec3> tilted_arc(std::size_t n)
{
    std::mt19937 rng(4);
    std::normal_distribution<double> g(0.0, 0.01);
    std::vector<tengun::Vec3> pts(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = 2.0 * tengun::pi / 3.0 * static_cast<double>(i) / static_cast<double>(n);
        const double x = 25.0 * std::cos(t);
        const double y = 25.0 * std::sin(t);
        pts[i] = {5.0 + x + g(rng), -5.0 + y * std::cos(0.5) + g(rng),
                  20.0 + y * std::sin(0.5) + g(rng)};
    }
    return pts;
}

void BM_fit_arc(benchmark::State& state)
{
    const auto pts = tilted_arc(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        tengun::Vec3 normal{};
        tengun::Vec3 foot{};
        tengun::Vec3 centre{};
        tengun::Mat3 frame{};
        double d = 0.0;
        double radius = 0.0;
        double sd = 0.0;
        if (tengun::fit_arc(pts, normal, d, foot, centre, frame, radius, sd) !=
                tengun::Status::ok ||
            std::abs(centre[0] - 5.0) > 0.02 || std::abs(centre[1] + 5.0) > 0.02 ||
            std::abs(centre[2] - 20.0) > 0.02 || std::abs(radius - 25.0) > 0.02) {
            state.SkipWithError("wrong arc");
            break;
        }
        benchmark::DoNotOptimize(centre);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_fit_arc)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
