#include "support/recording_surface.h"

#include <sstream>

namespace tengun::testing {

std::ostream& operator<<(std::ostream& os, const Recorded& r)
{
    switch (r.kind) {
    case Recorded::Kind::clear:
        return os << "clear";
    case Recorded::Kind::line:
        return os << "line (" << r.x1 << ", " << r.y1 << ") - (" << r.x2 << ", " << r.y2
                  << ") colour " << r.colour;
    case Recorded::Kind::pixel:
        return os << "pixel (" << r.x1 << ", " << r.y1 << ") colour " << r.colour;
    case Recorded::Kind::circle:
        return os << "circle (" << r.x1 << ", " << r.y1 << ") r " << r.r << " colour " << r.colour;
    case Recorded::Kind::width:
        return os << "width " << r.value;
    case Recorded::Kind::style:
        return os << "style " << r.value;
    case Recorded::Kind::move:
        return os << "move (" << r.x1 << ", " << r.y1 << ")";
    case Recorded::Kind::text:
        return os << "text \"" << r.text << "\" at (" << r.x1 << ", " << r.y1 << ")";
    case Recorded::Kind::rgb_pixel:
        return os << "pixel (" << r.x1 << ", " << r.y1 << ") rgb " << std::hex << r.rgb << std::dec;
    case Recorded::Kind::rgb_circle:
        return os << "circle (" << r.x1 << ", " << r.y1 << ") r " << r.r << " rgb " << std::hex
                  << r.rgb << std::dec;
    case Recorded::Kind::rgb_rect:
        return os << "rect (" << r.x1 << ", " << r.y1 << ") size " << r.x2 << " x " << r.y2
                  << " rgb " << std::hex << r.rgb << std::dec;
    }
    return os;
}

void RecordingSurface::clear()
{
    calls.push_back({Recorded::Kind::clear});
    current_x = current_y = 0.0;
}

void RecordingSurface::line(double x1, double y1, double x2, double y2, int colour)
{
    Recorded r{Recorded::Kind::line, x1, y1, x2, y2};
    r.colour = colour;
    calls.push_back(r);
    styles_.push_back(style_);
    current_x = x2;
    current_y = y2;
}

void RecordingSurface::pixel(double x, double y, int colour)
{
    Recorded r{Recorded::Kind::pixel, x, y};
    r.colour = colour;
    calls.push_back(r);
}

void RecordingSurface::circle(double x, double y, double radius, int colour)
{
    Recorded r{Recorded::Kind::circle, x, y};
    r.r = radius;
    r.colour = colour;
    calls.push_back(r);
}

void RecordingSurface::pixel_rgb(double x, double y, Rgb rgb)
{
    Recorded r{Recorded::Kind::rgb_pixel, x, y};
    r.rgb = rgb;
    calls.push_back(r);
}

void RecordingSurface::circle_rgb(double x, double y, double radius, Rgb rgb)
{
    Recorded r{Recorded::Kind::rgb_circle, x, y};
    r.r = radius;
    r.rgb = rgb;
    calls.push_back(r);
}

void RecordingSurface::fill_rect_rgb(double x, double y, double w, double h, Rgb rgb)
{
    Recorded r{Recorded::Kind::rgb_rect, x, y, w, h};
    r.rgb = rgb;
    calls.push_back(r);
}

void RecordingSurface::set_line_width(int width)
{
    Recorded r{Recorded::Kind::width};
    r.value = width;
    calls.push_back(r);
}

void RecordingSurface::set_line_style(LineStyle style)
{
    Recorded r{Recorded::Kind::style};
    r.value = static_cast<int>(style);
    calls.push_back(r);
    style_ = style;
}

void RecordingSurface::move_to(double x, double y)
{
    calls.push_back({Recorded::Kind::move, x, y});
    current_x = x;
    current_y = y;
}

void RecordingSurface::print(std::string_view text)
{
    Recorded r{Recorded::Kind::text, current_x, current_y};
    r.text = std::string(text);
    calls.push_back(r);
}

std::vector<Recorded> RecordingSurface::of(Recorded::Kind kind) const
{
    std::vector<Recorded> out;
    for (const Recorded& r : calls) {
        if (r.kind == kind) {
            out.push_back(r);
        }
    }
    return out;
}

std::vector<LineStyle> RecordingSurface::line_styles() const { return styles_; }

std::string RecordingSurface::dump() const
{
    std::ostringstream os;
    for (const Recorded& r : calls) {
        os << r << "\n";
    }
    return os.str();
}

}  // namespace tengun::testing
