#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/line_fit.h"

namespace {

/// Through (1, 2, 3) along (2, 1, 2) / 3, t in [-30, 30], 0.05 noise on every coordinate.
std::vector<tengun::Vec3> noisy_line(std::size_t n)
{
    std::mt19937 rng(6);
    std::uniform_real_distribution<double> u(-30.0, 30.0);
    std::normal_distribution<double> g(0.0, 0.05);
    std::vector<tengun::Vec3> pts(n);
    for (auto& p : pts) {
        const double t = u(rng);
        p = {1.0 + t * 2.0 / 3.0 + g(rng), 2.0 + t / 3.0 + g(rng), 3.0 + t * 2.0 / 3.0 + g(rng)};
    }
    return pts;
}

void BM_fit_line(benchmark::State& state)
{
    const auto pts = noisy_line(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        tengun::Vec3 u{};
        tengun::Vec3 point{};
        tengun::Mat3 frame{};
        double alpha = 0.0;
        double beta = 0.0;
        double sd = 0.0;
        if (tengun::fit_line(pts, u, point, frame, alpha, beta, sd) != tengun::Status::ok ||
            std::abs(std::abs(u[0] * 2.0 + u[1] + u[2] * 2.0) / 3.0 - 1.0) > 1e-3 ||
            std::abs(sd - 0.05 * std::sqrt(2.0)) > 0.01) {
            state.SkipWithError("wrong line");
            break;
        }
        benchmark::DoNotOptimize(u);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_fit_line)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
