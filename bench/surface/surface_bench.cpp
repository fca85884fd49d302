// 点群面張り, 多平面抽出 and 平面の統合 on the clouds of bench_clouds.h at 100,000, 300,000 and
// 1,000,000 points, and the plain scan beside the k-d tree on small clouds. Each run checks its
// answer: a mesh covers the cloud without bridging triangles, an extraction places the box's
// points in at least six planes, a merge leaves exactly the six faces.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "bench_clouds.h"
#include "surface/mesh.h"
#include "surface/mesh_routines.h"
#include "surface/plane_extraction.h"
#include "surface/plane_merge.h"

namespace {

using tengun::CandidateSearch;
using tengun::Vec3;

struct Output {
    std::vector<double> labels;
    std::vector<int> a, b, c;
    std::vector<double> tag;
    int planes = 0;
};

/// Empty when the mesh covers at least `share` of the points with about two triangles per point
/// and no triangle longer than 10 times the median one (a patch restarted among leftovers grows
/// with its own seed triangle's perimeter, a few times the median; a bridge across the cloud is
/// far longer); otherwise what is wrong.
std::string mesh_fault(const std::vector<Vec3>& pts, const Output& m, double share)
{
    const auto n = static_cast<double>(pts.size());
    const auto covered = static_cast<double>(tengun::count_label(1.0, m.labels));
    if (covered < share * n) {
        return "the mesh did not cover the cloud";
    }
    if (static_cast<double>(m.a.size()) < 1.5 * covered) {
        return "too few triangles for the points covered";
    }
    std::vector<double> perimeter;
    perimeter.reserve(m.a.size());
    for (std::size_t t = 0; t < m.a.size(); ++t) {
        perimeter.push_back(tengun::point_distance(pts, m.a[t], m.b[t]) +
                            tengun::point_distance(pts, m.b[t], m.c[t]) +
                            tengun::point_distance(pts, m.c[t], m.a[t]));
    }
    const auto middle = perimeter.begin() + static_cast<std::ptrdiff_t>(perimeter.size() / 2);
    std::nth_element(perimeter.begin(), middle, perimeter.end());
    const double median = *middle;
    if (*std::max_element(perimeter.begin(), perimeter.end()) > 10.0 * median) {
        return "a triangle bridges the cloud";
    }
    return {};
}

/// Empty when the merged planes are the box's six faces: every face's points (beyond the noise of
/// its edges) in one plane of its own.
std::string faces_fault(const std::vector<Vec3>& pts, const Output& m)
{
    if (m.planes != 6) {
        return "not six planes: " + std::to_string(m.planes);
    }
    const tengun::testing::Box& box = tengun::bench::bench_box;
    std::map<int, std::set<double>> planes_of_face;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        int near_faces = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const double to_low = std::abs(pts[i][axis] - box.low[axis]);
            const double to_high = std::abs(pts[i][axis] - box.low[axis] - box.size[axis]);
            near_faces += std::min(to_low, to_high) < 0.05 ? 1 : 0;
        }
        if (m.labels[i] >= 1.0 && near_faces == 1) {
            planes_of_face[tengun::testing::box_face(box, pts[i])].insert(m.labels[i]);
        }
    }
    std::set<double> used;
    for (const auto& [face, planes] : planes_of_face) {
        if (planes.size() != 1) {
            return "a face in several planes";
        }
        used.insert(*planes.begin());
    }
    return used.size() == 6 ? std::string{} : "faces sharing a plane";
}

void report(benchmark::State& state, const std::string& fault, const std::vector<Vec3>& pts,
            const Output& out)
{
    if (!fault.empty()) {
        state.SkipWithError(fault.c_str());
    }
    state.counters["points"] = static_cast<double>(pts.size());
    state.counters["triangles"] = static_cast<double>(out.a.size());
    state.counters["planes"] = out.planes;
}

void BM_mesh_point_cloud(benchmark::State& state, const char* name, CandidateSearch search)
{
    const std::vector<Vec3> pts =
        tengun::bench::cloud(name, static_cast<std::size_t>(state.range(0)));
    Output m;
    m.labels.resize(pts.size());
    for (auto _ : state) {
        tengun::mesh_point_cloud(pts, m.labels, m.a, m.b, m.c, m.tag, search);
        benchmark::DoNotOptimize(m.a.data());
    }
    // A scan in order is covered completely; one sampled at random keeps a few leftovers that
    // only a triangle bridging the surface could reach (0.3 % at most here).
    report(state, mesh_fault(pts, m, std::string_view(name) == "smooth" ? 1.0 : 0.995), pts, m);
}

void BM_extract_planes(benchmark::State& state, const char* name, CandidateSearch search)
{
    const std::vector<Vec3> pts =
        tengun::bench::cloud(name, static_cast<std::size_t>(state.range(0)));
    Output e;
    e.labels.resize(pts.size());
    for (auto _ : state) {
        e.planes = tengun::extract_planes(pts, e.labels, e.a, e.b, e.c, e.tag, search);
        benchmark::DoNotOptimize(e.planes);
    }
    const auto placed = static_cast<double>(
        std::count_if(e.labels.begin(), e.labels.end(), [](double l) { return l >= 1.0; }));
    const bool found = e.planes >= 6 && placed >= 0.995 * static_cast<double>(pts.size());
    report(state, found ? "" : "the planes do not cover the box", pts, e);
}

/// The merge alone, of an extraction made beforehand.
void BM_merge_planes(benchmark::State& state, const char* name)
{
    const std::vector<Vec3> pts =
        tengun::bench::cloud(name, static_cast<std::size_t>(state.range(0)));
    Output extracted;
    extracted.labels.resize(pts.size());
    extracted.planes = tengun::extract_planes(pts, extracted.labels, extracted.a, extracted.b,
                                              extracted.c, extracted.tag);
    Output merged;
    for (auto _ : state) {
        state.PauseTiming();
        merged = extracted;
        state.ResumeTiming();
        const tengun::Status status =
            tengun::merge_planes(pts, merged.labels, merged.planes, merged.a, merged.tag);
        benchmark::DoNotOptimize(status);
    }
    report(state, faces_fault(pts, merged), pts, merged);
}

constexpr CandidateSearch tree = CandidateSearch::indexed;
constexpr CandidateSearch plain = CandidateSearch::linear;

BENCHMARK_CAPTURE(BM_mesh_point_cloud, smooth, "smooth", tree)
    ->Arg(100000)
    ->Arg(300000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_mesh_point_cloud, smooth_random, "smooth_random", tree)
    ->Arg(100000)
    ->Arg(300000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_mesh_point_cloud, box_random, "box_random", tree)
    ->Arg(100000)
    ->Arg(300000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_extract_planes, box_grid, "box_grid", tree)
    ->Arg(100000)
    ->Arg(300000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
// At 1,000,000 random points the first seed triangles are so small that ten regions in a row
// stay below four points and the extraction ends, as the algorithm says: no six planes to check.
BENCHMARK_CAPTURE(BM_extract_planes, box_random, "box_random", tree)
    ->Arg(100000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_merge_planes, box_grid, "box_grid")
    ->Arg(100000)
    ->Arg(300000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_merge_planes, box_random, "box_random")
    ->Arg(100000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond);

// The k-d tree beside the plain scan of every point, which grows with N squared (1,000 points
// for the smoke run of scripts/test).
BENCHMARK_CAPTURE(BM_mesh_point_cloud, smooth_small, "smooth", tree)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_mesh_point_cloud, smooth_small_plain_scan, "smooth", plain)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_extract_planes, box_grid_small, "box_grid", tree)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_extract_planes, box_grid_small_plain_scan, "box_grid", plain)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_merge_planes, box_grid_small, "box_grid")
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

} // namespace
