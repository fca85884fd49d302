#pragma once
// A DrawingSurface that records every call, for drawing tests.

#include <ostream>
#include <string>
#include <vector>

#include "view/drawing_surface.h"

namespace tengun::testing {

struct Recorded {
    enum class Kind {
        clear,
        line,
        pixel,
        circle,
        width,
        style,
        move,
        text,
        rgb_pixel,
        rgb_circle,
        rgb_rect
    };
    Kind kind = Kind::clear;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // line ends; pixel/circle/move at (x1, y1)
    double r = 0;                           // circle radius
    Rgb rgb = 0;                            // colour of the rgb kinds; rect size in (x2, y2)
    int colour = -1;
    int value = 0;  // line width or style
    std::string text;
};

std::ostream& operator<<(std::ostream& os, const Recorded& r);

class RecordingSurface final : public DrawingSurface {
public:
    RecordingSurface(double width_mm = 200.0, double height_mm = 100.0)
        : width_(width_mm), height_(height_mm)
    {
    }
    std::vector<Recorded> calls;

    [[nodiscard]] double scale_width() const override { return width_; }
    [[nodiscard]] double scale_height() const override { return height_; }
    void clear() override;
    void line(double x1, double y1, double x2, double y2, int colour) override;
    void pixel(double x, double y, int colour) override;
    void circle(double x, double y, double r, int colour) override;
    void pixel_rgb(double x, double y, Rgb rgb) override;
    void circle_rgb(double x, double y, double r, Rgb rgb) override;
    void fill_rect_rgb(double x, double y, double w, double h, Rgb rgb) override;
    void set_line_width(int width) override;
    void set_line_style(LineStyle style) override;
    void move_to(double x, double y) override;
    void print(std::string_view text) override;

    /// The recorded calls of one kind, in order.
    [[nodiscard]] std::vector<Recorded> of(Recorded::Kind kind) const;
    /// Line style in force at each recorded line (by index in of(line)).
    [[nodiscard]] std::vector<LineStyle> line_styles() const;
    /// Everything recorded, one call a line, for failure messages.
    [[nodiscard]] std::string dump() const;

    double current_x = 0.0;
    double current_y = 0.0;

private:
    double width_;
    double height_;
    LineStyle style_ = LineStyle::solid;
    std::vector<LineStyle> styles_;
};

}  // namespace tengun::testing
