#pragma once
// DrawingSurface over a persistent QImage, like a picture box that redraws itself from its own
// image: the window shows it, tengun-cli saves it as PNG. Millimetres are converted to pixels
// with the screen's (or a given) dots per inch.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <memory>

#include "view/drawing_surface.h"

namespace tengun {

/// The 16-colour palette: 0 black, 1 blue, 2 green, 3 cyan, 4 red, 5 magenta, 6 brown,
/// 7 light grey, 8 dark grey, 9..14 bright 1..6, 15 white.
QColor palette_colour(int index);

class ImageSurface final : public DrawingSurface {
public:
    explicit ImageSurface(QSize pixels = {640, 480}, double dots_per_inch = 96.0);
    /// A surface that starts with a copy of `picture` (a worker draws on it while the window
    /// shows the original; the copy is made when it is first drawn on).
    ImageSurface(const QImage& picture, double dots_per_inch);
    ~ImageSurface() override;
    ImageSurface(const ImageSurface&) = delete;
    ImageSurface& operator=(const ImageSurface&) = delete;

    /// New size in pixels; the picture is kept where it fits, the rest is background.
    void resize(QSize pixels);
    void set_dots_per_inch(double dpi);
    [[nodiscard]] double dots_per_inch() const { return dpi_; }
    /// The picture as drawn so far.
    [[nodiscard]] const QImage& image();
    /// Takes the picture drawn on `other` (of the same size) as this surface's own.
    void take_picture(ImageSurface& other);
    [[nodiscard]] double px_to_mm(double px) const { return px * mm_per_px_; }
    [[nodiscard]] double mm_to_px(double mm) const { return mm * px_per_mm_; }

    [[nodiscard]] double scale_width() const override;
    [[nodiscard]] double scale_height() const override;
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

private:
    QPainter& painter();
    void end_painting();
    QPen pen(QRgb colour) const;
    QPainter& use_pen(QRgb colour);
    void put_pixel(double x, double y, QRgb colour);
    void draw_circle(double x, double y, double r, QRgb colour);

    QImage image_;
    double dpi_;
    std::unique_ptr<QPainter> painter_;
    int line_width_ = 1;
    LineStyle line_style_ = LineStyle::solid;
    double current_x_ = 0.0;  // mm
    double current_y_ = 0.0;
    QFont font_;
    QRgb* pixels_ = nullptr;  // backing store while only pixels are drawn
    int stride_ = 0;
    bool pen_set_ = false; // the pen below is set on the painter
    QRgb pen_colour_ = 0;
    int pen_width_ = 0;
    LineStyle pen_style_ = LineStyle::solid;
    // Cached: QImage's size accessors are out-of-line calls, and a redraw asks a million times.
    int width_ = 0;
    int height_ = 0;
    double px_per_mm_ = 0.0;
    double mm_per_px_ = 0.0;
    void cache_geometry();
};

}  // namespace tengun
