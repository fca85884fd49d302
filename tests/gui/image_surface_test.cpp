// The QImage-backed drawing surface: palette, millimetre-to-pixel placement, and robustness
// against what the drawing can hand it (colours outside the palette, far-away coordinates).
#include <gtest/gtest.h>

#include <limits>

#include "gui/image_surface.h"
#include "view/primitives.h"

namespace tengun {
namespace {

/// 25.4 dots per inch: one pixel per millimetre.
ImageSurface one_px_per_mm(QSize size = {100, 80}) { return ImageSurface(size, 25.4); }

int non_white(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
        }
    }
    return n;
}

TEST(ImageSurface, palette_has_the_sixteen_classic_colours)
{
    EXPECT_EQ(palette_colour(0), QColor(0, 0, 0));
    EXPECT_EQ(palette_colour(1), QColor(0, 0, 128));
    EXPECT_EQ(palette_colour(2), QColor(0, 128, 0));
    EXPECT_EQ(palette_colour(4), QColor(128, 0, 0));
    EXPECT_EQ(palette_colour(7), QColor(192, 192, 192));
    EXPECT_EQ(palette_colour(12), QColor(255, 0, 0));
    EXPECT_EQ(palette_colour(15), QColor(255, 255, 255));
}

TEST(ImageSurface, sizes_and_pixels_are_in_millimetres)
{
    ImageSurface surface(QSize{200, 100}, 50.8);  // two pixels per millimetre
    EXPECT_DOUBLE_EQ(surface.scale_width(), 100.0);
    EXPECT_DOUBLE_EQ(surface.scale_height(), 50.0);

    surface.pixel(10.4, 20.3, 4);
    const QImage& image = surface.image();
    EXPECT_EQ(QColor(image.pixel(20, 40)), palette_colour(4));
    EXPECT_EQ(non_white(image), 1);

    surface.pixel(-0.1, 5, 0);  // just outside: nothing, no crash
    surface.pixel(100.0, 5, 0);
    surface.pixel(std::numeric_limits<double>::quiet_NaN(), 5, 0);
    EXPECT_EQ(non_white(surface.image()), 1);

    surface.clear();
    EXPECT_EQ(non_white(surface.image()), 0);
}

TEST(ImageSurface, lines_land_where_the_millimetres_say_and_move_the_position)
{
    ImageSurface surface = one_px_per_mm();
    surface.line(10, 30, 60, 30, 2);
    const QImage& image = surface.image();
    EXPECT_EQ(QColor(image.pixel(35, 30)), palette_colour(2));
    EXPECT_EQ(image.pixel(35, 40), qRgb(255, 255, 255));

    // Text goes where the last line ended.
    surface.print("X");
    const QImage& with_text = surface.image();
    int text_pixels_right_of_end = 0;
    for (int y = 30; y < 50; ++y) {
        for (int x = 60; x < 75; ++x) {
            text_pixels_right_of_end += with_text.pixel(x, y) != qRgb(255, 255, 255) ? 1 : 0;
        }
    }
    EXPECT_GT(text_pixels_right_of_end, 0);
}

TEST(ImageSurface, colours_outside_the_palette_never_reach_the_picture)
{
    ImageSurface surface = one_px_per_mm();
    for (int colour : {-1, 16, 255}) {
        SCOPED_TRACE(colour);
        draw_line(surface, -20, 0, 20, 0, colour);
        draw_dot(surface, 0, 0, colour);
        draw_marker(surface, 5, 5, colour);
        draw_circle(surface, 0, 0, 10, colour);
    }
    EXPECT_EQ(non_white(surface.image()), 0);
    draw_line(surface, -20, 0, 20, 0, 0);
    EXPECT_GT(non_white(surface.image()), 30) << "the same calls with a palette colour draw";
}

TEST(ImageSurface, lines_and_circles_far_outside_are_clipped_without_harm)
{
    ImageSurface surface = one_px_per_mm();
    const double far = 1e15;
    surface.line(-far, 40, far, 40, 0);  // crosses the picture
    EXPECT_EQ(QColor(surface.image().pixel(50, 40)), palette_colour(0));
    const int across = non_white(surface.image());
    EXPECT_GE(across, 100);

    surface.line(-far, -far, far, -far, 0);  // entirely above
    surface.line(1e300, 1e300, -1e300, 1e300, 0);
    surface.line(std::numeric_limits<double>::infinity(), 0, 0, 0, 0);
    surface.circle(50, 40, 1e12, 0);  // outline nowhere near the picture
    surface.circle(-far, -far, 3, 0);
    EXPECT_EQ(non_white(surface.image()), across);
}

TEST(ImageSurface, resize_keeps_the_picture_that_fits)
{
    ImageSurface surface = one_px_per_mm();
    surface.pixel(5, 5, 4);
    surface.pixel(90, 5, 4);
    surface.resize({50, 50});
    EXPECT_EQ(surface.image().size(), QSize(50, 50));
    EXPECT_DOUBLE_EQ(surface.scale_width(), 50.0);
    EXPECT_EQ(QColor(surface.image().pixel(5, 5)), palette_colour(4));
    surface.resize({100, 50});
    EXPECT_EQ(surface.image().pixel(90, 5), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace tengun
