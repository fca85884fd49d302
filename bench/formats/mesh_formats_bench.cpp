// Binary STL and PLY: parsing bytes held in memory, and what opening a file does (mapped from
// the page cache, read, the pages given back as the reader passes them).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include "bench_files.h"
#include "formats/file_io.h"
#include "formats/ply_mesh.h"
#include "formats/stl_binary.h"

namespace {

using tengun::bench::cloud_ply;
using tengun::bench::grid_binary_stl;
using tengun::bench::MeshBytes;

double peak_rss_mb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::string temp_path(const char* extension)
{
    return (std::filesystem::temp_directory_path() /
            ("tengun_bench_" + std::to_string(::getpid()) + extension))
        .string();
}

template <class Read>
void load_file(benchmark::State& state, const std::string& bytes, const char* extension,
               std::size_t points, std::size_t triangles, Read read)
{
    const std::string path = temp_path(extension);
    std::string reason;
    if (tengun::write_whole_file(path, bytes, reason) != tengun::Status::ok) {
        state.SkipWithError("cannot write the input file");
        return;
    }
    for (auto _ : state) {
        tengun::FileBytes file;
        tengun::LoadedMesh mesh;
        tengun::ReadError error;
        if (tengun::open_file_bytes(path, file, error) != tengun::Status::ok ||
            read(file.bytes(), mesh, error, file.releaser()) != tengun::Status::ok ||
            mesh.points.size() != points || mesh.triangle_count() != triangles) {
            state.SkipWithError("load failed or wrong counts");
            break;
        }
        benchmark::DoNotOptimize(mesh.points.xyz.data());
    }
    std::filesystem::remove(path);
    state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
    state.counters["peak_rss_MB"] = peak_rss_mb();
}

void BM_read_binary_stl(benchmark::State& state)
{
    const MeshBytes stl = grid_binary_stl(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        tengun::LoadedMesh mesh;
        tengun::ReadError error;
        if (tengun::read_binary_stl(stl.bytes, mesh, error) != tengun::Status::ok ||
            mesh.triangle_count() != stl.facets || mesh.points.size() != stl.vertices) {
            state.SkipWithError("wrong facet or vertex count");
            break;
        }
        benchmark::DoNotOptimize(mesh.points.xyz.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * stl.facets));
}
BENCHMARK(BM_read_binary_stl)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_load_binary_stl_file(benchmark::State& state)
{
    const MeshBytes stl = grid_binary_stl(static_cast<std::size_t>(state.range(0)));
    load_file(state, stl.bytes, ".stl", stl.vertices, stl.facets,
              [](std::string_view b, tengun::LoadedMesh& m, tengun::ReadError& e,
                 const tengun::BytesPassed& p) { return tengun::read_stl(b, m, e, p); });
}
BENCHMARK(BM_load_binary_stl_file)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Arguments: points, 0 float / 1 double coordinates.
void BM_read_ply_points(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string ply = cloud_ply(n, state.range(1) != 0);
    for (auto _ : state) {
        tengun::LoadedMesh mesh;
        tengun::ReadError error;
        if (tengun::read_ply_mesh(ply, mesh, error) != tengun::Status::ok ||
            mesh.points.size() != n) {
            state.SkipWithError("wrong point count");
            break;
        }
        benchmark::DoNotOptimize(mesh.points.xyz.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ply.size()));
}
BENCHMARK(BM_read_ply_points)
    ->Args({1000, 0})
    ->Args({10000000, 0})
    ->Args({10000000, 1})
    ->Unit(benchmark::kMillisecond);

void BM_load_ply_file(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    load_file(state, cloud_ply(n, state.range(1) != 0), ".ply", n, 0,
              [](std::string_view b, tengun::LoadedMesh& m, tengun::ReadError& e,
                 const tengun::BytesPassed& p) { return tengun::read_ply_mesh(b, m, e, p); });
}
BENCHMARK(BM_load_ply_file)
    ->Args({1000, 0})
    ->Args({10000000, 0})
    ->Args({10000000, 1})
    ->Unit(benchmark::kMillisecond);

void BM_write_ply_mesh(benchmark::State& state)
{
    const MeshBytes stl = grid_binary_stl(static_cast<std::size_t>(state.range(0)));
    tengun::LoadedMesh mesh;
    tengun::ReadError error;
    (void)tengun::read_binary_stl(stl.bytes, mesh, error);
    for (auto _ : state) {
        const std::string bytes =
            tengun::write_ply_mesh(mesh.points.xyz, mesh.tri_a, mesh.tri_b, mesh.tri_c,
                                   tengun::PlyEncoding::binary_little_endian);
        if (bytes.size() < 24 * mesh.points.size() + 13 * mesh.triangle_count()) {
            state.SkipWithError("file too short");
            break;
        }
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_write_ply_mesh)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
