#pragma once
// The drawing surface every picture of the program is drawn on, measured in millimetres from
// its top-left corner (x to the right, y downwards). The window implements it over a persistent
// image; the tests record the calls. Only the primitives in view/primitives.h call it directly
// for points and lines, so colour checks and bad coordinates are handled in one place.

#include <cstdint>
#include <string_view>

namespace tengun {

enum class LineStyle { solid, dashed, dotted };

/// A colour outside the palette, 0xRRGGBB (deviation colours, the colour bar).
using Rgb = std::uint32_t;

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    /// Current size in millimetres, read afresh by every primitive.
    [[nodiscard]] virtual double scale_width() const = 0;
    [[nodiscard]] virtual double scale_height() const = 0;

    /// Clears to the background and puts the current position at (0, 0).
    virtual void clear() = 0;
    /// Line in palette colour 0..15; the current position moves to (x2, y2).
    virtual void line(double x1, double y1, double x2, double y2, int colour) = 0;
    /// One pixel at (x, y) in palette colour 0..15.
    virtual void pixel(double x, double y, int colour) = 0;
    /// Unfilled circle of radius r millimetres in palette colour 0..15.
    virtual void circle(double x, double y, double r, int colour) = 0;
    /// One pixel at (x, y) in colour `rgb`.
    virtual void pixel_rgb(double x, double y, Rgb rgb) = 0;
    /// Unfilled circle of radius r millimetres in colour `rgb`, in the current line width.
    virtual void circle_rgb(double x, double y, double r, Rgb rgb) = 0;
    /// Filled rectangle, top-left corner (x, y), w by h millimetres, in colour `rgb`.
    virtual void fill_rect_rgb(double x, double y, double w, double h, Rgb rgb) = 0;
    /// 1 or 2 pixels.
    virtual void set_line_width(int width) = 0;
    virtual void set_line_style(LineStyle style) = 0;
    /// Moves the current position without drawing.
    virtual void move_to(double x, double y) = 0;
    /// Prints text (UTF-8) with its top-left corner at the current position.
    virtual void print(std::string_view text) = 0;
    /// True for a surface that keeps nothing it is given (tengun-cli without a picture to
    /// save): the redraw then skips the points and the mesh and only writes the view fields.
    [[nodiscard]] virtual bool discards() const { return false; }
};

/// A surface of a given size that draws nothing.
class DiscardingSurface final : public DrawingSurface {
public:
    DiscardingSurface(double width_mm, double height_mm) : width_(width_mm), height_(height_mm) {}
    [[nodiscard]] double scale_width() const override { return width_; }
    [[nodiscard]] double scale_height() const override { return height_; }
    void clear() override {}
    void line(double, double, double, double, int) override {}
    void pixel(double, double, int) override {}
    void circle(double, double, double, int) override {}
    void pixel_rgb(double, double, Rgb) override {}
    void circle_rgb(double, double, double, Rgb) override {}
    void fill_rect_rgb(double, double, double, double, Rgb) override {}
    void set_line_width(int) override {}
    void set_line_style(LineStyle) override {}
    void move_to(double, double) override {}
    void print(std::string_view) override {}
    [[nodiscard]] bool discards() const override { return true; }

private:
    double width_;
    double height_;
};

} // namespace tengun
