#include "view/primitives.h"

#include <cmath>

#include "view/view_transform.h"

namespace tengun {

namespace {

bool valid_colour(int colour) { return colour >= 0 && colour < palette_size; }

bool finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

}  // namespace

void draw_line(DrawingSurface& surface, double x1, double y1, double x2, double y2, int colour)
{
    if (!valid_colour(colour) || !finite(x1, y1) || !finite(x2, y2)) {
        return;
    }
    const SurfacePoint a = to_surface(surface, x1, y1);
    const SurfacePoint b = to_surface(surface, x2, y2);
    surface.line(a.x, a.y, b.x, b.y, colour);
}

void draw_dot(DrawingSurface& surface, double x, double y, int colour)
{
    if (!valid_colour(colour) || !finite(x, y)) {
        return;
    }
    const SurfacePoint a = to_surface(surface, x, y);
    surface.pixel(a.x, a.y, colour);
}

void draw_marker(DrawingSurface& surface, double x, double y, int colour)
{
    draw_circle(surface, x, y, 1.0, colour);
}

void draw_circle(DrawingSurface& surface, double x, double y, double r, int colour)
{
    if (!valid_colour(colour) || !finite(x, y) || !std::isfinite(r)) {
        return;
    }
    const SurfacePoint a = to_surface(surface, x, y);
    surface.circle(a.x, a.y, std::abs(r), colour);
}

void draw_dot_rgb(DrawingSurface& surface, double x, double y, Rgb rgb)
{
    if (!finite(x, y)) {
        return;
    }
    const SurfacePoint a = to_surface(surface, x, y);
    surface.pixel_rgb(a.x, a.y, rgb);
}

void draw_marker_rgb(DrawingSurface& surface, double x, double y, Rgb rgb)
{
    if (!finite(x, y)) {
        return;
    }
    const SurfacePoint a = to_surface(surface, x, y);
    surface.circle_rgb(a.x, a.y, 1.0, rgb);
}

void fill_box_rgb(DrawingSurface& surface, double x, double y, double w, double h, Rgb rgb)
{
    if (!finite(x, y) || !finite(w, h) || w <= 0.0 || h <= 0.0) {
        return;
    }
    const SurfacePoint a = to_surface(surface, x, y);
    surface.fill_rect_rgb(a.x, a.y, w, h, rgb);
}

void print_at(DrawingSurface& surface, double x, double y, std::string_view text)
{
    if (!finite(x, y)) {
        return;
    }
    const SurfacePoint a = to_surface(surface, x, y);
    surface.move_to(a.x, a.y);
    surface.print(text);
}

int palette_index(double value)
{
    if (!std::isfinite(value)) {
        return -1;
    }
    const double whole = std::nearbyint(value);  // round half to even, as the original converts
    return whole >= 0.0 && whole < palette_size ? static_cast<int>(whole) : -1;
}

}  // namespace tengun
