#include "view/acceleration_graph.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "geometry/number_text.h"
#include "spline/single_spline.h"
#include "view/primitives.h"

namespace tengun {

namespace {

constexpr int black = 0;
constexpr int blue = 1;
constexpr int green = 2;
constexpr int red = 4;

bool drawable(int colour, std::initializer_list<double> values)
{
    if (colour < 0 || colour >= palette_size) {
        return false;
    }
    for (const double v : values) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    return true;
}

void draw_axes(DrawingSurface& surface, double w, double h)
{
    graph_line(surface, w - 20.0, 0.0, -5.0, 0.0, black);
    surface.print("0"); // at the end of the horizontal axis
    graph_line(surface, 0.0, -h / 2.0, 0.0, h / 2.0, blue);
    graph_line(surface, w - 30.0, -h / 2.0, w - 30.0, h / 2.0, green);
    graph_line(surface, w - 20.0, -h / 2.0, w - 20.0, h / 2.0, red);
    graph_circle(surface, 0.0, 0.0, blue);

    surface.set_line_style(LineStyle::dotted);
    for (const double y : {0.42 * h, -0.42 * h, 0.21 * h, -0.21 * h}) {
        graph_line(surface, -8.0, y, w - 20.0, y, black);
    }
    for (const double x : {(w - 30.0) / 4.0, (w - 30.0) / 2.0, 3.0 * (w - 30.0) / 4.0}) {
        graph_line(surface, x, 0.42 * h, x, -0.42 * h, black);
    }
    surface.set_line_style(LineStyle::solid);
}

/// Ticks at ±F and ±F/2 from x_from to x_to, each followed by its value.
void draw_scale(DrawingSurface& surface, double x_from, double x_to, double k, double full,
                int colour)
{
    for (const double value : {full, -full, full / 2.0, -full / 2.0}) {
        graph_line(surface, x_from, k * value, x_to, k * value, colour);
        if (drawable(colour, {x_from, x_to, k * value})) {
            surface.print(format_number(value));
        }
    }
}

void draw_curve(DrawingSurface& surface, std::span<const double> a, double dx, double k, int colour)
{
    for (std::size_t s = 0; s + 1 < a.size(); ++s) {
        graph_line(surface, static_cast<double>(s) * dx, k * a[s], static_cast<double>(s + 1) * dx,
                   k * a[s + 1], colour);
    }
}

} // namespace

void graph_line(DrawingSurface& surface, double x1, double y1, double x2, double y2, int colour)
{
    if (!drawable(colour, {x1, y1, x2, y2})) {
        return;
    }
    const double middle = surface.scale_height() / 2.0;
    surface.line(10.0 + x1, middle - y1, 10.0 + x2, middle - y2, colour);
}

void graph_circle(DrawingSurface& surface, double x, double y, int colour)
{
    if (!drawable(colour, {x, y})) {
        return;
    }
    surface.circle(10.0 + x, surface.scale_height() / 2.0 - y, 2.0, colour);
}

double graph_full_scale(std::span<const double> samples)
{
    double m = 0.0;
    for (const double a : samples) {
        m = std::max(m, std::abs(a));
    }
    if (!(m >= 0.0001)) {
        return 0.0001;
    }
    const double unit = std::pow(10.0, std::floor(std::log10(m)));
    const double ratio = m / unit;
    const double whole = std::floor(ratio);
    return unit * (ratio == whole ? whole : whole + 1.0);
}

void draw_acceleration_graph(DrawingSurface& surface, const AccelerationSamples& samples)
{
    const double w = surface.scale_width();
    const double h = surface.scale_height();
    surface.clear();
    draw_axes(surface, w, h);
    if (samples.size() < 2) {
        return; // no interval: the horizontal step would divide by zero
    }
    const std::size_t n = samples.size() - 1;
    const double dx = (w - 30.0) / static_cast<double>(n);
    const double right = static_cast<double>(n) * dx;

    const std::array<std::span<const double>, 3> curves{samples.x, samples.y, samples.z};
    std::array<double, 3> k{};
    for (int c = 0; c < 3; ++c) {
        const double full = graph_full_scale(curves[c]);
        k[c] = 0.42 * h / full;
        const std::array<std::array<double, 2>, 3> tick{
            {{0.0, -8.0}, {right + 3.0, right}, {right + 13.0, right + 10.0}}};
        draw_scale(surface, tick[c][0], tick[c][1], k[c], full, std::array{blue, green, red}[c]);
    }

    surface.set_line_width(2);
    draw_curve(surface, samples.x, dx, k[0], blue);
    draw_curve(surface, samples.y, dx, k[1], green);
    draw_curve(surface, samples.z, dx, k[2], red);
    surface.set_line_width(1);
}

void bspline_acceleration(DrawingSurface& surface, std::size_t point_count,
                          const ControlPolygon& control, bool closed)
{
    draw_acceleration_graph(surface, bspline_acceleration_samples(point_count, control, closed));
}

void single_spline_acceleration(DrawingSurface& surface, std::span<const double> x,
                                std::span<const double> y, std::span<const double> z)
{
    draw_acceleration_graph(surface, single_spline_acceleration_samples(x, y, z));
}

} // namespace tengun
