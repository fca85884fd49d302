#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "formats/bitmap_points.h"

namespace {

struct Bitmap {
    std::string bytes;
    std::size_t expected_points = 0;
};

/// A 24-bit grey range image of w x h pixels. `dome` false: heights change along the rows (a
/// tilted, rippled surface), so nearly every pixel becomes a point, the worst case. `dome`
/// true: a scanned object, a dome over a third of the frame on black (no data), heights in 256
/// grey steps, so runs of equal height along the rows keep their first pixel only.
Bitmap range_image(std::size_t w, std::size_t h, bool dome)
{
    const std::size_t stride = (3 * w + 3) / 4 * 4;
    const std::size_t offset = 54;
    Bitmap b;
    b.bytes.assign(offset + stride * h, '\0');
    const auto put32 = [&b](std::size_t at, std::uint32_t v) {
        for (int k = 0; k < 4; ++k) {
            b.bytes[at + static_cast<std::size_t>(k)] = static_cast<char>((v >> (8 * k)) & 0xFFU);
        }
    };
    b.bytes[0] = 'B';
    b.bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(b.bytes.size()));
    put32(10, offset);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    b.bytes[26] = 1;
    b.bytes[28] = 24;
    // Equal grey values give equal heights and distinct ones distinct heights, so the count
    // follows from the grey values: non-black pixels that differ from the last counted one.
    int last = 0;
    for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 0; x < w; ++x) {
            int v = 0;
            if (dome) {
                const double dx = (static_cast<double>(x) - 0.5 * static_cast<double>(w)) /
                                  (0.33 * static_cast<double>(w));
                const double dy = (static_cast<double>(y) - 0.5 * static_cast<double>(h)) /
                                  (0.33 * static_cast<double>(h));
                const double r2 = dx * dx + dy * dy;
                v = r2 < 1.0 ? 1 + static_cast<int>(254.0 * std::sqrt(1.0 - r2)) : 0;
            } else {
                v = static_cast<int>((x / 2 + 3 * y + (x * y) % 7) % 256);
            }
            char* p = b.bytes.data() + offset + stride * y + 3 * x;
            p[0] = p[1] = p[2] = static_cast<char>(v);
            if (v != 0 && v != last) {
                ++b.expected_points;
                last = v;
            }
        }
    }
    return b;
}

void BM_read_bitmap_points(benchmark::State& state)
{
    const auto w = static_cast<std::size_t>(state.range(0));
    const auto h = static_cast<std::size_t>(state.range(1));
    const Bitmap b = range_image(w, h, state.range(2) != 0);
    for (auto _ : state) {
        tengun::PointCloud cloud;
        tengun::ReadError error;
        if (tengun::read_bitmap_points(b.bytes, cloud, error) != tengun::Status::ok ||
            cloud.size() != b.expected_points) {
            state.SkipWithError("wrong point count");
            break;
        }
        benchmark::DoNotOptimize(cloud.xyz.data());
    }
    state.counters["points"] = static_cast<double>(b.expected_points);
}
// Arguments: width, height, 1 for the dome (typical), 0 for a point at nearly every pixel.
BENCHMARK(BM_read_bitmap_points)
    ->Args({30, 20, 0})
    ->Args({30, 20, 1})
    ->Args({4000, 3000, 1})
    ->Args({4000, 3000, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
