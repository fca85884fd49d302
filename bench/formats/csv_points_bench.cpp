#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

#include "formats/csv_points.h"

namespace {

std::string cloud_csv(std::size_t n)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-1000.0, 1000.0);
    // Three decimals, as scanners export millimetres: about 30 bytes a point.
    std::string text;
    char line[96];
    for (std::size_t i = 0; i < n; ++i) {
        const int len = std::snprintf(line, sizeof line, "%.3f,%.3f,%.3f\r\n", u(rng), u(rng), u(rng));
        text.append(line, static_cast<std::size_t>(len));
    }
    return text;
}

// A scanner export of n points, about 30 bytes a value as the writer produces them.
void BM_read_csv_points(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string text = cloud_csv(n);
    for (auto _ : state) {
        tengun::PointCloud cloud;
        tengun::ReadError error;
        if (tengun::read_csv_points(text, cloud, error) != tengun::Status::ok || cloud.size() != n) {
            state.SkipWithError("wrong point count");
            break;
        }
        benchmark::DoNotOptimize(cloud.xyz.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_read_csv_points)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_write_csv_points(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    tengun::PointCloud cloud;
    tengun::ReadError error;
    (void)tengun::read_csv_points(cloud_csv(n), cloud, error);
    for (auto _ : state) {
        const std::string text = tengun::write_csv_points(cloud.xyz);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_write_csv_points)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
