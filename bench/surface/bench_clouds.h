#pragma once
// The clouds of the surface benchmarks, by name and size, so that the benchmark programs and the
// files for the whole-process and peer runs (write_surface_clouds) are the same clouds.
//   smooth         a gently waving sheet on a jittered unit grid, in scan order
//   smooth_random  the same sheet sampled at random, in random order
//   box_random     the six faces of a 40 x 30 x 20 box sampled at random, noise 0.01, random order
//   box_grid       the same box scanned face by face on grids, noise 0.01

#include <cmath>
#include <random>
#include <string_view>
#include <vector>

#include "support/surface_clouds.h"

namespace tengun::bench {

inline std::vector<Vec3> smooth_surface(std::size_t n, bool random)
{
    std::mt19937 rng(11);
    std::normal_distribution<double> jitter(0.0, 0.1);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const auto side = static_cast<int>(std::lround(std::sqrt(static_cast<double>(n))));
    const double wave = 0.05 * side;
    const auto height = [&](double x, double y) {
        return 10.0 + wave * std::sin(6.0 * x / side) * std::cos(4.0 * y / side);
    };
    std::vector<Vec3> pts;
    pts.reserve(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const double x = random ? side * u(rng) : i + jitter(rng);
            const double y = random ? side * u(rng) : j + jitter(rng);
            pts.push_back({x, y, height(x, y)});
        }
    }
    return pts;
}

inline const testing::Box bench_box{{10, 10, 10}, {40, 30, 20}};

/// About n points: each face's grid has a step of sqrt(area / n).
inline std::vector<Vec3> box_grid(std::size_t n)
{
    const double area = 2.0 * (40.0 * 30.0 + 40.0 * 20.0 + 30.0 * 20.0);
    return testing::box_scan(bench_box, std::sqrt(area / static_cast<double>(n)),
                             {0, 1, 2, 3, 4, 5}, 0.01);
}

inline std::vector<Vec3> box_random(std::size_t n)
{
    return testing::random_box_scan(bench_box, n, 1, 0.01);
}

/// The cloud of a name above; empty for an unknown name.
inline std::vector<Vec3> cloud(std::string_view name, std::size_t n)
{
    if (name == "smooth") {
        return smooth_surface(n, false);
    }
    if (name == "smooth_random") {
        return smooth_surface(n, true);
    }
    if (name == "box_random") {
        return box_random(n);
    }
    if (name == "box_grid") {
        return box_grid(n);
    }
    return {};
}

} // namespace tengun::bench
