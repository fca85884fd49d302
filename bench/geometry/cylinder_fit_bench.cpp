#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "geometry/cylinder_fit.h"

namespace {

/// Radius 8 around the axis through (10, 0, 0) along (0, 0.6, 0.8), length 40, about n points
/// in rings of evenly spaced angles (each ring turned against the one before), 0.01 noise on
/// every coordinate. The axis is the cloud's principal direction, which a uniformly random
/// sample matches only to about r^2 / (sqrt(n) (L^2 / 12 - r^2 / 2)) radians; rings make it
/// the true axis, so the answer can be checked at every size.
std::vector<tengun::Vec3> tilted_cylinder(std::size_t n)
{
    const auto per_ring = static_cast<std::size_t>(std::lround(std::sqrt(static_cast<double>(n))));
    const std::size_t rings = n / per_ring;
    std::mt19937 rng(5);
    std::normal_distribution<double> g(0.0, 0.01);
    const tengun::Vec3 axis{0.0, 0.6, 0.8};
    const tengun::Vec3 e1{1.0, 0.0, 0.0};
    const tengun::Vec3 e2{0.0, 0.8, -0.6};
    std::vector<tengun::Vec3> pts;
    pts.reserve(rings * per_ring);
    for (std::size_t i = 0; i < rings; ++i) {
        const double h = -20.0 + 40.0 * static_cast<double>(i) / static_cast<double>(rings - 1);
        for (std::size_t j = 0; j < per_ring; ++j) {
            const double phi = 2.399963 * static_cast<double>(i) +
                               2.0 * tengun::pi * static_cast<double>(j) /
                                   static_cast<double>(per_ring);
            tengun::Vec3 p{10.0, 0.0, 0.0};
            for (int k = 0; k < 3; ++k) {
                p[k] += h * axis[k] + 8.0 * std::cos(phi) * e1[k] + 8.0 * std::sin(phi) * e2[k] +
                        g(rng);
            }
            pts.push_back(p);
        }
    }
    return pts;
}

void BM_fit_cylinder(benchmark::State& state)
{
    const auto pts = tilted_cylinder(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        tengun::Vec3 axis{};
        tengun::Vec3 centre{};
        tengun::Mat3 frame{};
        double radius = 0.0;
        double sd = 0.0;
        // The axis point lies on the true axis, level with the centroid: its x is 10.
        if (tengun::fit_cylinder(pts, axis, centre, frame, radius, sd) != tengun::Status::ok ||
            std::abs(std::abs(0.6 * axis[1] + 0.8 * axis[2]) - 1.0) > 1e-4 ||
            std::abs(centre[0] - 10.0) > 0.01 ||
            std::abs(0.8 * centre[1] - 0.6 * centre[2]) > 0.01 || std::abs(radius - 8.0) > 0.01 ||
            std::abs(sd - 0.01) > 0.002) {
            state.SkipWithError("wrong cylinder");
            break;
        }
        benchmark::DoNotOptimize(centre);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(pts.size()));
}
BENCHMARK(BM_fit_cylinder)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
