// Meshing and plane extraction of a smooth surface and of a box scan, with the grid index and
// with the plain scan of every point. Each run checks that it covered the cloud.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "surface/mesh.h"
#include "surface/mesh_routines.h"
#include "surface/plane_extraction.h"

namespace {

using tengun::CandidateSearch;
using tengun::Vec3;

/// About n points of a gently waving sheet: a jittered unit grid.
std::vector<Vec3> smooth_surface(std::size_t n)
{
    std::mt19937 rng(11);
    std::normal_distribution<double> jitter(0.0, 0.1);
    const auto side = static_cast<int>(std::lround(std::sqrt(static_cast<double>(n))));
    std::vector<Vec3> pts;
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const double x = i + jitter(rng);
            const double y = j + jitter(rng);
            const double wave = 0.05 * side;
            pts.push_back(
                {x, y, 10.0 + wave * std::sin(6.0 * x / side) * std::cos(4.0 * y / side)});
        }
    }
    return pts;
}

/// About n points on the six faces of a 40 x 30 x 20 box, grids with scanner noise 0.01.
std::vector<Vec3> box_scan(std::size_t n)
{
    std::mt19937 rng(12);
    std::normal_distribution<double> noise(0.0, 0.01);
    const double step = std::sqrt(5200.0 / static_cast<double>(n));
    const auto count = [&](double length) {
        return std::max(2, static_cast<int>(std::lround(length / step)));
    };
    std::vector<Vec3> pts;
    const double size[3] = {40, 30, 20};
    for (int axis = 0; axis < 3; ++axis) {
        const int u = (axis + 1) % 3;
        const int v = (axis + 2) % 3;
        const int nu = count(size[u]);
        const int nv = count(size[v]);
        for (const double level : {0.0, size[axis]}) {
            for (int i = 0; i < nu; ++i) {
                for (int j = 0; j < nv; ++j) {
                    Vec3 p{};
                    p[axis] = 10.0 + level + noise(rng);
                    p[u] = 10.0 + (i + 0.5) * size[u] / nu;
                    p[v] = 10.0 + (j + 0.5) * size[v] / nv;
                    pts.push_back(p);
                }
            }
        }
    }
    return pts;
}

std::vector<Vec3> cloud(bool box, std::size_t n)
{
    return box ? box_scan(n) : smooth_surface(n);
}

void BM_mesh_point_cloud(benchmark::State& state, bool box, CandidateSearch search)
{
    const std::vector<Vec3> pts = cloud(box, static_cast<std::size_t>(state.range(0)));
    std::vector<double> labels(pts.size());
    std::vector<int> a, b, c;
    std::vector<double> tag;
    for (auto _ : state) {
        tengun::mesh_point_cloud(pts, labels, a, b, c, tag, search);
        benchmark::DoNotOptimize(a.data());
    }
    // A sheet of N points in a square is covered by 2 (sqrt(N) - 1)^2 triangles; at a box's
    // edges the front may stop, so there only most of it needs to be reached.
    const auto n = static_cast<double>(pts.size());
    const auto reached = static_cast<double>(tengun::count_label(1.0, labels));
    const auto triangles = static_cast<double>(a.size());
    const bool covered = box ? reached >= 0.5 * n && triangles >= 0.9 * reached
                             : reached == n && triangles >= 2.0 * n - 5.0 * std::sqrt(n);
    if (!covered) {
        state.SkipWithError("the mesh did not cover the cloud");
    }
    state.counters["points"] = static_cast<double>(pts.size());
    state.counters["triangles"] = static_cast<double>(a.size());
}

void BM_extract_planes(benchmark::State& state, bool box, CandidateSearch search)
{
    const std::vector<Vec3> pts = cloud(box, static_cast<std::size_t>(state.range(0)));
    std::vector<double> labels(pts.size());
    std::vector<int> a, b, c;
    std::vector<double> tag;
    int planes = 0;
    for (auto _ : state) {
        planes = tengun::extract_planes(pts, labels, a, b, c, tag, search);
        benchmark::DoNotOptimize(planes);
    }
    std::size_t placed = 0;
    for (const double l : labels) {
        placed += l >= 1.0 ? 1 : 0;
    }
    if ((box && planes != 6) || placed < 0.95 * pts.size()) {
        state.SkipWithError("the planes do not cover the cloud");
    }
    state.counters["points"] = static_cast<double>(pts.size());
    state.counters["planes"] = planes;
}

BENCHMARK_CAPTURE(BM_mesh_point_cloud, smooth, false, CandidateSearch::indexed)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_mesh_point_cloud, box, true, CandidateSearch::indexed)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_extract_planes, smooth, false, CandidateSearch::indexed)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_extract_planes, box, true, CandidateSearch::indexed)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond);
// The plain scan grows with N squared: 50,000 points would take minutes.
BENCHMARK_CAPTURE(BM_mesh_point_cloud, smooth_plain_scan, false, CandidateSearch::linear)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_extract_planes, box_plain_scan, true, CandidateSearch::linear)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

} // namespace
