#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cmath>
#include <random>

#include "app/command_context.h"
#include "app/command_helpers.h"
#include "app/program_state.h"
#include "gui/image_surface.h"
#include "view/draw_view.h"
#include "view/view_transform.h"

namespace {

/// A range scan in scan order (rows of a wavy surface), or points scattered at random.
tengun::PointCloud scan(std::size_t n, bool scattered)
{
    tengun::PointCloud cloud;
    cloud.resize(n);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-100.0, 100.0);
    const auto row = static_cast<std::size_t>(std::sqrt(static_cast<double>(n))) + 1;
    for (std::size_t i = 0; i < n; ++i) {
        if (scattered) {
            cloud.xyz[i] = {u(rng), u(rng), u(rng)};
        } else {
            const double x = -100.0 + 200.0 * static_cast<double>(i % row) / static_cast<double>(row);
            const double y = -100.0 + 200.0 * static_cast<double>(i / row) / static_cast<double>(row);
            cloud.xyz[i] = {x, y, 20.0 * std::sin(x / 15.0) * std::cos(y / 25.0)};
        }
    }
    return cloud;
}

// Redraw of a big cloud in single-pixel mode into a 1000 x 800 picture.
void BM_draw_view_pixels(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    tengun::FormState s;
    s.points = scan(n, state.range(1) != 0);
    s.base_point_count = n;
    s.marker_mode = 1;
    s.view_matrix = tengun::set_default_view();
    tengun::ImageSurface surface(QSize(1000, 800), 96.0);
    s.view_extent = 200.0;
    s.view_scale = surface.scale_width() / s.view_extent / 2.0;
    const tengun::ProgramWide program;
    for (auto _ : state) {
        tengun::draw_view(surface, s, program);
        benchmark::DoNotOptimize(surface.image().constBits());
    }
    // The middle of the picture must have been drawn on.
    const QImage& image = surface.image();
    int drawn = 0;
    for (int y = 300; y < 500; ++y) {
        for (int x = 400; x < 600; ++x) {
            drawn += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
        }
    }
    if (n >= 100000 && drawn < 1000) {
        state.SkipWithError("points were not drawn");
    }
}
BENCHMARK(BM_draw_view_pixels)
    ->ArgNames({"points", "scattered"})
    ->Args({1000, 0})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Args({10000000, 0})
    ->Unit(benchmark::kMillisecond);

// One frame while the mouse turns a 10,000,000-point scan in the 1000 x 800 view: the quick
// picture at the budget the window learns for 25 ms (it starts at the window's first budget and
// follows the measured frames, as a drag does). Reports the points drawn per frame.
void BM_draw_view_turning(benchmark::State& state)
{
    const auto n = static_cast<std::size_t>(state.range(0));
    tengun::FormState s;
    s.points = scan(n, false);
    s.base_point_count = n;
    s.marker_mode = 1;
    s.view_matrix = tengun::set_default_view();
    tengun::ImageSurface surface(QSize(1000, 800), 96.0);
    s.view_extent = 200.0;
    s.view_scale = surface.scale_width() / s.view_extent / 2.0;
    tengun::ProgramWide program;
    tengun::ImageSurface picture2(QSize(10, 10), 96.0);
    struct : tengun::Dialogs {
        void choose_file(tengun::ProgramWide&) override {}
        void ask_spline_settings(tengun::ProgramWide&) override {}
        void ask_thinning_angle(tengun::ProgramWide&) override {}
        void ask_choice(tengun::ProgramWide&, const tengun::Choice&) override {}
        void show_message(const std::string&) override {}
        bool confirm(const std::string&) override { return false; }
        void copy_to_clipboard(const std::string&) override {}
    } dialogs;
    tengun::ViewPreview preview;
    tengun::CommandContext ctx{program, s, surface, picture2, dialogs, nullptr, {}, &preview};
    for (int k = 0; k < 20; ++k) { // the first steps of a drag settle the budget
        tengun::preview_redraw(ctx);
    }
    for (auto _ : state) {
        s.view_matrix = tengun::mat_mul(tengun::rotation_matrix(0.0, 0.0174, 0.0), s.view_matrix);
        tengun::preview_redraw(ctx);
        benchmark::DoNotOptimize(surface.image().constBits());
    }
    state.counters["points_drawn"] = static_cast<double>(std::min(preview.budget, n));
    if (preview.budget < 20000 || preview.budget >= n) {
        state.SkipWithError("the budget did not settle below the cloud");
    }
}
BENCHMARK(BM_draw_view_turning)
    ->ArgNames({"points"})
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond);

// The same redraw in deviation colours from a plane (range 0) or cylinder (range 1) fit, to
// compare with the plain redraw above.
void BM_draw_view_deviation(benchmark::State& state)
{
    const std::size_t n = 1000000;
    tengun::FormState s;
    s.points = scan(n, false);
    s.base_point_count = n;
    s.marker_mode = 1;
    s.view_matrix = tengun::set_default_view();
    tengun::ImageSurface surface(QSize(1000, 800), 96.0);
    s.view_extent = 200.0;
    s.view_scale = surface.scale_width() / s.view_extent / 2.0;
    s.deviation_display = true;
    if (state.range(0) == 0) {
        s.analysis_kind = tengun::analysis_kinds::plane;
        s.axis_vector = {0, 0, 1};
        s.std_deviation = 7.0;
    } else {
        s.analysis_kind = tengun::analysis_kinds::cylinder;
        s.fit_rotation = tengun::rotation_matrix(0.3, 0.2, 0.0);
        s.centre = {0, 0, -100};
        s.radius = 100.0;
        s.std_deviation = 20.0;
    }
    const tengun::ProgramWide program;
    for (auto _ : state) {
        tengun::draw_view(surface, s, program);
        benchmark::DoNotOptimize(surface.image().constBits());
    }
    // The middle of the picture shows colours of the scale where the plain redraw shows its
    // blue run: no pixel there may keep a palette colour other than white and the axes'.
    const QImage& image = surface.image();
    int scale_colours = 0;
    int run_colours = 0;
    for (int y = 300; y < 500; ++y) {
        for (int x = 400; x < 600; ++x) {
            const QRgb c = image.pixel(x, y);
            bool palette = false;
            for (int k = 0; k < 16; ++k) {
                palette = palette || c == tengun::palette_colour(k).rgb();
            }
            scale_colours += palette ? 0 : 1;
            run_colours += c == tengun::palette_colour(1).rgb() ? 1 : 0;
        }
    }
    if (scale_colours < 10000 || run_colours > 1000) {
        state.SkipWithError("points not drawn in deviation colours");
    }
}
BENCHMARK(BM_draw_view_deviation)
    ->ArgNames({"cylinder"})
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
