#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "geometry/plane_fit.h"

namespace {

void BM_fit_plane(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> u(-50.0, 50.0);
    std::normal_distribution<double> g(0.0, 0.01);
    std::vector<tengun::Vec3> pts(n);
    for (auto& p : pts) {
        const double x = u(rng);
        const double y = u(rng);
        p = {x, y, 10.0 + 0.1 * x - 0.2 * y + g(rng)};
    }
    for (auto _ : state) {
        tengun::Vec3 normal{};
        double d = 0.0;
        double sd = 0.0;
        if (tengun::fit_plane(pts, 3, normal, d, sd) != tengun::Status::ok ||
            std::abs(sd - 0.01 * std::sqrt(1.0 / (1.0 + 0.01 + 0.04)) ) > 0.002) {
            state.SkipWithError("wrong plane");
            break;
        }
        benchmark::DoNotOptimize(normal);
    }
}
BENCHMARK(BM_fit_plane)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
