#include <benchmark/benchmark.h>

#include <random>

#include "geometry/numeric_core.h"

namespace {

// The dense solver is O(n^3); the spline solvers call it with n = number of points.
void BM_solve_linear(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    tengun::Matrix a(n);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            a(i, j) = u(rng) + (i == j ? 4.0 : 0.0);
        }
    }
    std::vector<double> x(n, 1.0);
    const std::vector<double> b = tengun::mat_vec(a, x);
    tengun::Matrix inverse;
    for (auto _ : state) {
        std::vector<double> rhs = b;
        if (tengun::solve_linear(a, rhs, inverse) != tengun::Status::ok ||
            std::abs(rhs[n / 2] - 1.0) > 1e-9) {
            state.SkipWithError("wrong solution");
            break;
        }
        benchmark::DoNotOptimize(rhs.data());
    }
}
BENCHMARK(BM_solve_linear)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
