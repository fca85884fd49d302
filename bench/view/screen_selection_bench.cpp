#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/rotation.h"
#include "view/screen_selection.h"

namespace {

using tengun::SurfacePoint;

/// A wavy range scan of n points, 200 units across.
std::vector<tengun::Vec3> scan(std::size_t n)
{
    std::vector<tengun::Vec3> pts(n);
    const auto row = static_cast<std::size_t>(std::sqrt(static_cast<double>(n))) + 1;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = -100.0 + 200.0 * static_cast<double>(i % row) / static_cast<double>(row);
        const double y = -100.0 + 200.0 * static_cast<double>(i / row) / static_cast<double>(row);
        pts[i] = {x, y, 20.0 * std::sin(x / 15.0) * std::cos(y / 25.0)};
    }
    return pts;
}

/// The view of the draw benchmark: default angles, the cloud across a 265 x 212 mm picture.
tengun::ViewPlacement placement()
{
    return {tengun::rotation_matrix(tengun::deg_to_rad(-45.0), tengun::deg_to_rad(45.0),
                                    tengun::deg_to_rad(145.0)),
            {0, 0, 0},
            265.0 / 200.0 / 2.0,
            265.0,
            212.0};
}

/// Points in [x0, x1) x [y0, y1) counted the plain way.
std::size_t plain_count(const std::vector<tengun::Vec3>& pts, double x0, double y0, double x1,
                        double y1)
{
    const tengun::ViewPlacement view = placement();
    std::size_t n = 0;
    for (const tengun::Vec3& p : pts) {
        const SurfacePoint s = tengun::surface_position(p, view);
        n += s.x >= x0 && s.x < x1 && s.y >= y0 && s.y < y1 ? 1 : 0;
    }
    return n;
}

// Rectangle (range 0) or a 24-cornered concave star (range 1) over ten million points.
void BM_select_points(benchmark::State& state)
{
    const std::size_t n = 10000000;
    static const std::vector<tengun::Vec3> pts = scan(n);
    const bool star = state.range(0) != 0;
    std::vector<SurfacePoint> corners;
    if (star) {
        for (int k = 0; k < 24; ++k) {
            const double a = 2.0 * 3.14159265358979 * k / 24;
            const double r = k % 2 == 0 ? 70.0 : 35.0;
            corners.push_back({132.5 + r * std::cos(a), 106.0 + r * std::sin(a)});
        }
    }
    const tengun::ScreenPolygon polygon =
        star ? tengun::ScreenPolygon(corners)
             : tengun::ScreenPolygon::rectangle({80, 60}, {190, 150});
    std::vector<std::uint8_t> flags(n, 0);
    std::size_t inside = 0;
    for (auto _ : state) {
        inside = tengun::mark_points_inside(pts, placement(), polygon, flags, 1);
        benchmark::DoNotOptimize(flags.data());
    }
    // The rectangle against the plain count; the star lies between its inner and outer squares.
    if (!star && inside != plain_count(pts, 80, 60, 190, 150)) {
        state.SkipWithError("wrong rectangle count");
    }
    if (star && (inside < plain_count(pts, 132.5 - 24, 106 - 24, 132.5 + 24, 106 + 24) ||
                 inside > plain_count(pts, 132.5 - 70, 106 - 70, 132.5 + 70, 106 + 70))) {
        state.SkipWithError("star count out of bounds");
    }
    state.counters["selected"] = static_cast<double>(inside);
}
BENCHMARK(BM_select_points)->ArgNames({"star"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
