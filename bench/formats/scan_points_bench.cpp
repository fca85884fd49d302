// Loading the binary point formats of scanners: PCD (binary and binary_compressed) and LAS, from
// bytes in memory and from a file, and Open3D's PCD reader on the same file in the same run.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <lzf.h>
#include <sys/resource.h>
#include <unistd.h>

#include "formats/file_io.h"
#include "formats/las_points.h"
#include "formats/pcd_points.h"

namespace {

using tengun::LoadedMesh;
using tengun::ReadError;
using tengun::Status;
using tengun::Vec3;

template <class T> void append(std::string& b, T v)
{
    char bytes[sizeof v];
    std::memcpy(bytes, &v, sizeof v);
    b.append(bytes, sizeof v);
}

/// Point i of a wavy 4000-wide scan grid, exact in float.
std::array<float, 3> grid_point(std::size_t i)
{
    const auto x = static_cast<float>(i % 4000) * 0.25F;
    const auto y = static_cast<float>(i / 4000) * 0.5F;
    return {x, y, std::round(100.0F * std::sin(0.001F * x) * std::cos(0.002F * y)) / 64.0F};
}

/// A PCD of n points with fields x y z intensity (4-byte floats), as scanner drivers write it.
std::string make_pcd(std::size_t n, bool compressed)
{
    std::string out = "# .PCD v0.7 - Point Cloud Data file format\nVERSION 0.7\n"
                      "FIELDS x y z intensity\nSIZE 4 4 4 4\nTYPE F F F F\nCOUNT 1 1 1 1\nWIDTH " +
                      std::to_string(n) + "\nHEIGHT 1\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS " +
                      std::to_string(n) + "\nDATA " +
                      (compressed ? "binary_compressed\n" : "binary\n");
    std::string data;
    data.reserve(16 * n);
    if (!compressed) {
        for (std::size_t i = 0; i < n; ++i) {
            const auto p = grid_point(i);
            append(data, p[0]);
            append(data, p[1]);
            append(data, p[2]);
            append(data, static_cast<float>(i % 256));
        }
        return out + data;
    }
    for (std::size_t k = 0; k < 4; ++k) {
        for (std::size_t i = 0; i < n; ++i) {
            append(data, k < 3 ? grid_point(i)[k] : static_cast<float>(i % 256));
        }
    }
    std::string packed(data.size() + data.size() / 16 + 64, '\0');
    const unsigned size = lzf_compress(data.data(), static_cast<unsigned>(data.size()),
                                       packed.data(), static_cast<unsigned>(packed.size()));
    append(out, static_cast<std::uint32_t>(size));
    append(out, static_cast<std::uint32_t>(data.size()));
    return out + packed.substr(0, size);
}

/// A LAS 1.2 file of n points in record format 3 (34 bytes: GPS time and colour), scale 0.01.
std::string make_las(std::size_t n)
{
    constexpr std::size_t header = 227;
    constexpr std::size_t record = 34;
    std::string b(header, '\0');
    const auto put = [&b](std::size_t at, auto v) { std::memcpy(b.data() + at, &v, sizeof v); };
    b.replace(0, 4, "LASF");
    b[24] = 1;
    b[25] = 2;
    put(94, std::uint16_t{header});
    put(96, std::uint32_t{header});
    b[104] = 3;
    put(105, std::uint16_t{record});
    put(107, static_cast<std::uint32_t>(n));
    for (std::size_t k = 0; k < 3; ++k) {
        put(131 + 8 * k, 0.01);
        put(155 + 8 * k, k == 0 ? 635000.0 : k == 1 ? 848000.0 : 0.0);
    }
    b.reserve(header + record * n);
    std::string r(record, '\x11');
    for (std::size_t i = 0; i < n; ++i) {
        const auto p = grid_point(i);
        for (std::size_t k = 0; k < 3; ++k) {
            const auto v = static_cast<std::int32_t>(std::lround(p[k] * 100.0F));
            std::memcpy(r.data() + 4 * k, &v, 4);
        }
        b += r;
    }
    return b;
}

Vec3 las_point(std::size_t i)
{
    const auto p = grid_point(i);
    Vec3 v{};
    for (std::size_t k = 0; k < 3; ++k) {
        v[k] = static_cast<double>(std::lround(p[k] * 100.0F)) * 0.01 + (k == 0   ? 635000.0
                                                                         : k == 1 ? 848000.0
                                                                                  : 0.0);
    }
    return v;
}

Vec3 pcd_point(std::size_t i)
{
    const auto p = grid_point(i);
    return {p[0], p[1], p[2]};
}

double peak_rss_mb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

/// The count and a spread of points must be what was written.
bool check(benchmark::State& state, const LoadedMesh& m, std::size_t n, Vec3 (*point)(std::size_t))
{
    bool ok = m.points.size() == n && m.points.label.size() == n;
    for (std::size_t i = 0; ok && i < n; i += n / 97 + 1) {
        ok = m.points.xyz[i] == point(i);
    }
    if (!ok || m.points.xyz.back() != point(n - 1)) {
        state.SkipWithError("wrong points");
        return false;
    }
    return true;
}

void report(benchmark::State& state, const LoadedMesh& m, std::size_t file_bytes)
{
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    state.counters["file_MB"] = static_cast<double>(file_bytes) / 1e6;
    state.counters["cloud_MB"] = static_cast<double>(m.points.xyz.capacity() * sizeof(Vec3) +
                                                     m.points.label.capacity() * sizeof(double)) /
                                 1e6;
    state.counters["peak_rss_MB"] = peak_rss_mb();
}

using Reader = Status (*)(std::string_view, LoadedMesh&, ReadError&);

void parse(benchmark::State& state, const std::string& bytes, Reader read,
           Vec3 (*point)(std::size_t))
{
    const auto n = static_cast<std::size_t>(state.range(0));
    LoadedMesh kept;
    for (auto _ : state) {
        LoadedMesh m;
        ReadError error;
        if (read(bytes, m, error) != Status::ok || !check(state, m, n, point)) {
            state.SkipWithError(error.reason.empty() ? "wrong points" : error.reason.c_str());
            return;
        }
        benchmark::DoNotOptimize(m.points.xyz.data());
        state.PauseTiming();
        kept = std::move(m);  // freed outside the timed part
        state.ResumeTiming();
    }
    report(state, kept, bytes.size());
}

void BM_read_pcd_binary(benchmark::State& state)
{
    parse(state, make_pcd(static_cast<std::size_t>(state.range(0)), false), tengun::read_pcd_points,
          pcd_point);
}
BENCHMARK(BM_read_pcd_binary)->Arg(1000)->Arg(100000)->Arg(10000000)->Unit(benchmark::kMillisecond);

void BM_read_pcd_compressed(benchmark::State& state)
{
    parse(state, make_pcd(static_cast<std::size_t>(state.range(0)), true), tengun::read_pcd_points,
          pcd_point);
}
BENCHMARK(BM_read_pcd_compressed)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond);

void BM_read_las(benchmark::State& state)
{
    parse(state, make_las(static_cast<std::size_t>(state.range(0))), tengun::read_las_points,
          las_point);
}
BENCHMARK(BM_read_las)->Arg(1000)->Arg(100000)->Arg(10000000)->Unit(benchmark::kMillisecond);

std::string temp_path(const char* extension)
{
    return (std::filesystem::temp_directory_path() /
            ("tengun_bench_" + std::to_string(::getpid()) + extension))
        .string();
}

/// What opening a file does: the whole file from disk (page cache), then the parse.
void load(benchmark::State& state, const std::string& bytes, const char* extension, Reader read,
          Vec3 (*point)(std::size_t))
{
    const std::string path = temp_path(extension);
    std::string reason;
    if (tengun::write_whole_file(path, bytes, reason) != Status::ok) {
        state.SkipWithError("cannot write the input file");
        return;
    }
    const auto n = static_cast<std::size_t>(state.range(0));
    LoadedMesh kept;
    for (auto _ : state) {
        std::string file;
        LoadedMesh m;
        ReadError error;
        if (tengun::read_whole_file(path, file, error) != Status::ok ||
            read(file, m, error) != Status::ok || !check(state, m, n, point)) {
            state.SkipWithError("load failed");
            break;
        }
        state.PauseTiming();
        kept = std::move(m);
        file = std::string();
        state.ResumeTiming();
    }
    std::filesystem::remove(path);
    report(state, kept, bytes.size());
}

void BM_load_pcd_file(benchmark::State& state)
{
    load(state, make_pcd(static_cast<std::size_t>(state.range(0)), false), ".pcd",
         tengun::read_pcd_points, pcd_point);
}
BENCHMARK(BM_load_pcd_file)->Arg(1000)->Arg(10000000)->Unit(benchmark::kMillisecond);

void BM_load_las_file(benchmark::State& state)
{
    load(state, make_las(static_cast<std::size_t>(state.range(0))), ".las", tengun::read_las_points,
         las_point);
}
BENCHMARK(BM_load_las_file)->Arg(1000)->Arg(10000000)->Unit(benchmark::kMillisecond);

/// Open3D (Debian's python3-open3d) reading the same binary PCD file: open3d.io.read_point_cloud
/// timed inside one Python process, once per iteration, after the import.
void BM_open3d_read_pcd(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string path = temp_path(".pcd");
    std::string reason;
    if (tengun::write_whole_file(path, make_pcd(n, false), reason) != Status::ok) {
        state.SkipWithError("cannot write the input file");
        return;
    }
    const int runs = static_cast<int>(state.max_iterations);
    const std::string command =
        "/usr/bin/python3 -c \"import sys, time, numpy, open3d\n"
        "for _ in range(" +
        std::to_string(runs) +
        "):\n"
        "    t = time.perf_counter(); c = open3d.io.read_point_cloud(sys.argv[1])\n"
        "    t = time.perf_counter() - t; p = numpy.asarray(c.points)\n"
        "    print(t, len(p), p[-1][0], p[-1][1], p[-1][2])\n\" " +
        path + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[256];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = pipe != nullptr ? ::pclose(pipe) : -1;
    std::filesystem::remove(path);
    std::istringstream lines(output);
    const Vec3 last = pcd_point(n - 1);
    for (auto _ : state) {
        double seconds = 0.0;
        std::size_t count = 0;
        Vec3 p{};
        if (status != 0 || !(lines >> seconds >> count >> p[0] >> p[1] >> p[2]) || count != n ||
            p != last) {
            state.SkipWithError("Open3D did not read the file (python3-open3d installed?)");
            break;
        }
        state.SetIterationTime(seconds);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_open3d_read_pcd)
    ->Arg(10000000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
