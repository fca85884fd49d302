#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "formats/file_io.h"
#include "formats/stl_mesh.h"

namespace {

struct StlText {
    std::string text;
    std::size_t facets = 0;
    std::size_t vertices = 0;  // distinct
};

/// n facets of a wavy k x k grid, two a square, as CAD exporters write them ("%e" numbers,
/// blank indentation, LF ends): about 250 bytes a facet, every inner vertex in six facets.
StlText grid_stl(std::size_t n)
{
    const auto k = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(n) / 2.0)));
    const auto vertex = [k](std::size_t i, std::size_t j) {
        const double x = 0.37 * static_cast<double>(i);
        const double y = 0.41 * static_cast<double>(j);
        return std::array<double, 3>{x, y, 5.0 * std::sin(0.01 * x) * std::cos(0.013 * y)};
    };
    StlText out;
    out.text.reserve(n * 256 + 64);
    out.text += "solid grid\n";
    std::vector<bool> used((k + 1) * (k + 1), false);
    char line[160];
    const auto add_vertex = [&](std::size_t i, std::size_t j) {
        const auto v = vertex(i, j);
        const int len =
            std::snprintf(line, sizeof line, "      vertex %e %e %e\n", v[0], v[1], v[2]);
        out.text.append(line, static_cast<std::size_t>(len));
        if (!used[i * (k + 1) + j]) {
            used[i * (k + 1) + j] = true;
            ++out.vertices;
        }
    };
    for (std::size_t i = 0; i < k && out.facets < n; ++i) {
        for (std::size_t j = 0; j < k && out.facets < n; ++j) {
            const std::size_t corners[2][3][2] = {{{i, j}, {i + 1, j}, {i + 1, j + 1}},
                                                  {{i, j}, {i + 1, j + 1}, {i, j + 1}}};
            for (const auto& facet : corners) {
                if (out.facets == n) {
                    break;
                }
                out.text +=
                    "  facet normal 0.000000e+00 0.000000e+00 1.000000e+00\n    outer loop\n";
                for (const auto& c : facet) {
                    add_vertex(c[0], c[1]);
                }
                out.text += "    endloop\n  endfacet\n";
                ++out.facets;
            }
        }
    }
    out.text += "endsolid grid\n";
    return out;
}

double peak_rss_mb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

bool check(benchmark::State& state, const tengun::StlMesh& mesh, const StlText& stl)
{
    if (mesh.tri_a.size() != stl.facets || mesh.points.size() != stl.vertices) {
        state.SkipWithError("wrong facet or vertex count");
        return false;
    }
    return true;
}

// Parsing a text held in memory into points and triangles.
void BM_read_stl_mesh(benchmark::State& state)
{
    const StlText stl = grid_stl(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        tengun::StlMesh mesh;
        tengun::ReadError error;
        if (tengun::read_stl_mesh(stl.text, mesh, error) != tengun::Status::ok ||
            !check(state, mesh, stl)) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(mesh.points.xyz.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stl.text.size()));
    state.counters["MB"] = static_cast<double>(stl.text.size()) / 1e6;
    state.counters["peak_rss_MB"] = peak_rss_mb();
}
BENCHMARK(BM_read_stl_mesh)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// What the command does: the whole file from disk (page cache), then the parse.
void BM_load_stl_file(benchmark::State& state)
{
    const StlText stl = grid_stl(static_cast<std::size_t>(state.range(0)));
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("tengun_bench_" + std::to_string(::getpid()) + ".stl"))
                                 .string();
    std::string reason;
    if (tengun::write_whole_file(path, stl.text, reason) != tengun::Status::ok) {
        state.SkipWithError("cannot write the input file");
        return;
    }
    for (auto _ : state) {
        std::string bytes;
        tengun::StlMesh mesh;
        tengun::ReadError error;
        if (tengun::read_whole_file(path, bytes, error) != tengun::Status::ok ||
            tengun::read_stl_mesh(bytes, mesh, error) != tengun::Status::ok ||
            !check(state, mesh, stl)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(mesh.points.xyz.data());
    }
    std::filesystem::remove(path);
    state.counters["peak_rss_MB"] = peak_rss_mb();
}
BENCHMARK(BM_load_stl_file)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_write_stl_mesh(benchmark::State& state)
{
    const StlText stl = grid_stl(static_cast<std::size_t>(state.range(0)));
    tengun::StlMesh mesh;
    tengun::ReadError error;
    (void)tengun::read_stl_mesh(stl.text, mesh, error);
    for (auto _ : state) {
        const std::string text =
            tengun::write_stl_mesh(mesh.points.xyz, mesh.tri_a, mesh.tri_b, mesh.tri_c);
        if (text.size() < 200 * stl.facets) {
            state.SkipWithError("text too short");
            break;
        }
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_write_stl_mesh)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
