#include "gui/image_surface.h"

#include <QPen>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>

namespace tengun {

namespace {

// Coordinates far outside the picture are clipped before they reach the painter, which works in
// limited fixed-point ranges.
constexpr double clip_margin_px = 64.0;

bool clip_line(double& x1, double& y1, double& x2, double& y2, double xmin, double ymin,
               double xmax, double ymax)
{
    // Liang-Barsky.
    double t0 = 0.0;
    double t1 = 1.0;
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    const std::array<double, 4> p{-dx, dx, -dy, dy};
    const std::array<double, 4> q{x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) {
                return false;
            }
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, r);
        } else {
            t1 = std::min(t1, r);
        }
        if (t0 > t1) {
            return false;
        }
    }
    const double ox = x1;
    const double oy = y1;
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
    return true;
}

const std::array<QRgb, 16> palette_rgb{
    qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
    qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
    qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255),
};

}  // namespace

QColor palette_colour(int index)
{
    return QColor(palette_rgb[static_cast<std::size_t>(std::clamp(index, 0, 15))]);
}

ImageSurface::ImageSurface(QSize pixels, double dots_per_inch)
    : image_(pixels.expandedTo({1, 1}), QImage::Format_RGB32), dpi_(dots_per_inch)
{
    image_.fill(Qt::white);
    cache_geometry();
    font_.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic"),
                       QStringLiteral("Sans Serif")});
    font_.setPixelSize(12);
}

ImageSurface::ImageSurface(const QImage& picture, double dots_per_inch)
    : ImageSurface(picture.size(), dots_per_inch)
{
    image_ = picture.convertToFormat(QImage::Format_RGB32);
    cache_geometry();
}

ImageSurface::~ImageSurface() { end_painting(); }

void ImageSurface::take_picture(ImageSurface& other)
{
    end_painting();
    other.end_painting();
    image_ = other.image_;
    pixels_ = nullptr;
    other.pixels_ = nullptr;
    cache_geometry();
}

void ImageSurface::resize(QSize pixels)
{
    end_painting();
    pixels = pixels.expandedTo({1, 1});
    if (pixels == image_.size()) {
        return;
    }
    QImage next(pixels, QImage::Format_RGB32);
    next.fill(Qt::white);
    QPainter p(&next);
    p.drawImage(0, 0, image_);
    p.end();
    image_ = std::move(next);
    pixels_ = nullptr;
    cache_geometry();
}

void ImageSurface::cache_geometry()
{
    width_ = image_.width();
    height_ = image_.height();
    px_per_mm_ = dpi_ / 25.4;
    mm_per_px_ = 25.4 / dpi_;
}

void ImageSurface::set_dots_per_inch(double dpi)
{
    dpi_ = dpi > 0.0 ? dpi : 96.0;
    cache_geometry();
}

const QImage& ImageSurface::image()
{
    end_painting();
    pixels_ = nullptr;  // the caller may copy the image: write through bits() afresh
    return image_;
}

double ImageSurface::scale_width() const { return px_to_mm(width_); }
double ImageSurface::scale_height() const { return px_to_mm(height_); }

QPainter& ImageSurface::painter()
{
    if (!painter_) {
        pixels_ = nullptr;
        painter_ = std::make_unique<QPainter>(&image_);
        pen_set_ = false;
        painter_->setRenderHint(QPainter::Antialiasing, false);
        painter_->setFont(font_);
    }
    return *painter_;
}

void ImageSurface::end_painting()
{
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

QPainter& ImageSurface::use_pen(QRgb colour)
{
    QPainter& p = painter();
    // Setting a pen per line costs more than drawing a short line: set it only when it changes.
    if (!pen_set_ || colour != pen_colour_ || line_width_ != pen_width_ ||
        line_style_ != pen_style_) {
        p.setPen(pen(colour));
        pen_set_ = true;
        pen_colour_ = colour;
        pen_width_ = line_width_;
        pen_style_ = line_style_;
    }
    return p;
}

QPen ImageSurface::pen(QRgb colour) const
{
    QPen p{QColor(colour)};
    p.setWidth(line_width_);
    switch (line_style_) {
    case LineStyle::solid:
        p.setStyle(Qt::SolidLine);
        break;
    case LineStyle::dashed:
        p.setStyle(Qt::DashLine);
        break;
    case LineStyle::dotted:
        p.setStyle(Qt::DotLine);
        break;
    }
    return p;
}

void ImageSurface::clear()
{
    end_painting();
    pixels_ = nullptr;
    image_.fill(Qt::white);
    current_x_ = 0.0;
    current_y_ = 0.0;
}

void ImageSurface::line(double x1, double y1, double x2, double y2, int colour)
{
    current_x_ = x2;
    current_y_ = y2;
    double a = mm_to_px(x1);
    double b = mm_to_px(y1);
    double c = mm_to_px(x2);
    double d = mm_to_px(y2);
    if (!std::isfinite(a + b + c + d) ||
        !clip_line(a, b, c, d, -clip_margin_px, -clip_margin_px,
                   image_.width() + clip_margin_px, image_.height() + clip_margin_px)) {
        return;
    }
    use_pen(palette_rgb[static_cast<std::size_t>(std::clamp(colour, 0, 15))])
        .drawLine(QPointF(a, b), QPointF(c, d));
}

void ImageSurface::pixel(double x, double y, int colour)
{
    put_pixel(x, y, palette_rgb[static_cast<std::size_t>(std::clamp(colour, 0, 15))]);
}

void ImageSurface::pixel_rgb(double x, double y, Rgb rgb)
{
    put_pixel(x, y, 0xFF000000U | rgb);
}

void ImageSurface::put_pixel(double x, double y, QRgb colour)
{
    const double px = mm_to_px(x);
    const double py = mm_to_px(y);
    // Non-negative here, so truncation is the floor (std::floor is a library call on plain x86-64).
    if (!(px >= 0.0 && py >= 0.0 && px < width_ && py < height_)) {
        return;
    }
    if (painter_) {
        end_painting();
    }
    // Straight into the backing store: a million points take milliseconds this way.
    if (pixels_ == nullptr) {
        pixels_ = reinterpret_cast<QRgb*>(image_.bits());
        stride_ = image_.bytesPerLine() / static_cast<int>(sizeof(QRgb));
    }
    pixels_[static_cast<std::ptrdiff_t>(py) * stride_ + static_cast<std::ptrdiff_t>(px)] = colour;
}

void ImageSurface::circle(double x, double y, double r, int colour)
{
    draw_circle(x, y, r, palette_rgb[static_cast<std::size_t>(std::clamp(colour, 0, 15))]);
}

void ImageSurface::circle_rgb(double x, double y, double r, Rgb rgb)
{
    draw_circle(x, y, r, 0xFF000000U | rgb);
}

void ImageSurface::fill_rect_rgb(double x, double y, double w, double h, Rgb rgb)
{
    const QRectF picture(0.0, 0.0, width_, height_);
    const QRectF box = QRectF(mm_to_px(x), mm_to_px(y), mm_to_px(w), mm_to_px(h)) & picture;
    if (!box.isValid() || box.isEmpty()) {
        return;
    }
    painter().fillRect(box, QColor(0xFF000000U | rgb));
}

void ImageSurface::draw_circle(double x, double y, double r, QRgb colour)
{
    const double cx = mm_to_px(x);
    const double cy = mm_to_px(y);
    const double rp = mm_to_px(r);
    if (!std::isfinite(cx + cy + rp)) {
        return;
    }
    const double w = image_.width();
    const double h = image_.height();
    // Entirely outside the picture, or so large that no part of the outline crosses it.
    if (cx + rp < 0.0 || cy + rp < 0.0 || cx - rp > w || cy - rp > h) {
        return;
    }
    const double far_x = std::max(std::abs(cx), std::abs(cx - w));
    const double far_y = std::max(std::abs(cy), std::abs(cy - h));
    if (rp > std::hypot(far_x, far_y) + 1.0) {
        return;
    }
    if (rp > 1e6) {
        return;
    }
    QPainter& p = use_pen(colour);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(cx, cy), rp, rp);
}

void ImageSurface::set_line_width(int width) { line_width_ = std::clamp(width, 1, 2); }

void ImageSurface::set_line_style(LineStyle style) { line_style_ = style; }

void ImageSurface::move_to(double x, double y)
{
    current_x_ = x;
    current_y_ = y;
}

void ImageSurface::print(std::string_view text)
{
    const double x = mm_to_px(current_x_);
    const double y = mm_to_px(current_y_);
    if (!std::isfinite(x + y) || std::abs(x) > 1e6 || std::abs(y) > 1e6) {
        return;
    }
    QPainter& p = painter();
    p.setPen(QPen(Qt::black));
    pen_set_ = false; // the text pen replaced the drawing pen
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    p.drawText(QPointF(x, y + p.fontMetrics().ascent()), s);
    current_x_ = px_to_mm(x + p.fontMetrics().horizontalAdvance(s));
}

}  // namespace tengun
