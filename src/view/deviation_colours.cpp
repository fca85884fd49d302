#include "view/deviation_colours.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>

#include "view/primitives.h"

namespace tengun {

namespace {

constexpr double bar_width = 4.0;      // mm
constexpr double bar_right_gap = 22.0; // from the bar's left edge to the surface's right edge
constexpr int bar_bands = 64;
constexpr double tick_length = 1.5;
constexpr double text_half_height = 1.6; // about half the height of the printed values

/// Three significant digits, shortest form ("0.0123", "1.5e-05").
std::string three_digits(double value)
{
    std::array<char, 32> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::general, 3);
    return {buffer.data(), ec == std::errc{} ? end : buffer.data()};
}

/// The middle grey moved a fraction t (0..1) of the way to `end`, channel by channel.
Rgb blend(Rgb end, double t)
{
    const auto channel = [t](Rgb from, Rgb to, int shift) {
        const double a = static_cast<double>((from >> shift) & 0xFFU);
        const double b = static_cast<double>((to >> shift) & 0xFFU);
        return static_cast<Rgb>(a + (b - a) * t + 0.5) << shift;
    };
    return channel(deviation_middle, end, 16) | channel(deviation_middle, end, 8) |
           channel(deviation_middle, end, 0);
}

} // namespace

DeviationScale::DeviationScale(double sigma)
{
    const double limit = 3.0 * std::abs(sigma);
    if (std::isfinite(limit) && limit > 0.0) {
        limit_ = limit;
        inverse_ = 1.0 / limit;
    }
    for (std::size_t k = 0; k < table_.size(); ++k) {
        const double t = (static_cast<double>(k) - steps) / steps;
        table_[k] = t >= 0.0 ? blend(deviation_high, t) : blend(deviation_low, -t);
    }
}

FittedShape fitted_shape(const FormState& s)
{
    FittedShape shape;
    shape.normal = s.axis_vector;
    shape.offset = s.plane_offset;
    shape.centre = s.centre;
    shape.radius = s.radius;
    shape.line_point = s.line_point;
    shape.frame = s.fit_rotation;
    shape.sd = s.std_deviation;
    return shape;
}

bool shows_deviation(const FormState& state)
{
    return state.deviation_display && state.analysis_kind >= analysis_kinds::plane &&
           state.analysis_kind <= analysis_kinds::line;
}

std::string bar_value_text(double value)
{
    const std::string text = three_digits(value);
    return value > 0.0 ? "+" + text : text;
}

void draw_deviation_bar(DrawingSurface& surface, double sigma)
{
    const double w = surface.scale_width();
    const double h = surface.scale_height();
    // Surface millimetres to the view points the primitives take.
    const auto vx = [w](double x) { return x - w / 2.0; };
    const auto vy = [h](double y) { return h / 2.0 - y; };
    const DeviationScale scale(sigma);
    const double limit = scale.limit();
    const double height = std::clamp(0.5 * h, 20.0, 80.0);
    const double left = w - bar_right_gap;
    const double top = (h - height) / 2.0;
    const double band = height / bar_bands;
    for (int k = 0; k < bar_bands; ++k) {
        const double value = limit * (1.0 - 2.0 * (k + 0.5) / bar_bands);
        const double sign = 1.0 - 2.0 * (k + 0.5) / bar_bands;
        const Rgb colour = limit > 0.0 ? scale.colour(value) : DeviationScale(1.0).colour(sign);
        // Each band reaches into the next, so no background shows between them.
        fill_box_rgb(surface, vx(left), vy(top + k * band), bar_width,
                     k + 1 < bar_bands ? band * 1.5 : band, colour);
    }
    const double right = left + bar_width;
    const double bottom = top + height;
    draw_line(surface, vx(left), vy(top), vx(right), vy(top), 0);
    draw_line(surface, vx(right), vy(top), vx(right), vy(bottom), 0);
    draw_line(surface, vx(right), vy(bottom), vx(left), vy(bottom), 0);
    draw_line(surface, vx(left), vy(bottom), vx(left), vy(top), 0);
    for (const double at : {3.0, 1.0, 0.0, -1.0, -3.0}) {
        const double y = top + height * (3.0 - at) / 6.0;
        draw_line(surface, vx(right), vy(y), vx(right + tick_length), vy(y), 0);
        print_at(surface, vx(right + tick_length + 0.5), vy(y - text_half_height),
                 bar_value_text(at * std::abs(sigma)));
    }
    print_at(surface, vx(left), vy(top - 4.0 * text_half_height), "偏差");
    print_at(surface, vx(left), vy(bottom + 1.0), "σ=" + three_digits(std::abs(sigma)));
}

} // namespace tengun
