// Deviation colours, their bar, and the selected points drawn over the view.
#include "view/deviation_colours.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/recording_surface.h"
#include "view/draw_view.h"
#include "view/view_transform.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::RecordingSurface;

TEST(deviation_scale, colours_at_zero_sigma_and_beyond_three_sigma)
{
    // Worked by hand from the ends (59, 76, 192), (221, 221, 221) and (180, 4, 38).
    const std::vector<std::tuple<double, double, Rgb>> cases{
        {0.5, 0.0, 0xDDDDDD},  {0.5, -0.0, 0xDDDDDD}, // on the shape: the middle grey
        {0.5, 0.5, 0xCF95A0},                         // +sigma: (207.3, 148.7, 160)
        {0.5, -0.5, 0xA7ADD3},                        // -sigma: (167, 172.7, 211.3)
        {2.0, 1.2, 0xD5B2B8},                         // a fifth: (212.8, 177.6, 184.4)
        {0.5, 1.5, 0xB40426},  {0.5, -1.5, 0x3B4CC0}, // +-3 sigma: the ends
        {0.5, 40.0, 0xB40426}, {0.5, -1e300, 0x3B4CC0}, {-0.5, 0.5, 0xCF95A0},
        {0.0, 0.0, 0xDDDDDD},  {0.0, 1e-12, 0xB40426},  {0.0, -1e-12, 0x3B4CC0}, // perfect fit
        {NAN, 1.0, 0xB40426},  {0.5, NAN, 0xDDDDDD}};
    for (const auto& [sigma, r, expected] : cases) {
        EXPECT_EQ(DeviationScale(sigma).colour(r), expected) << "sigma " << sigma << " r " << r;
    }
    EXPECT_EQ(bar_value_text(0.0123456), "+0.0123");
    EXPECT_EQ(bar_value_text(-0.0369), "-0.0369");
    EXPECT_EQ(bar_value_text(0.0), "0");
    EXPECT_EQ(bar_value_text(123456.0), "+1.23e+05");
}

/// Points above and below the fitted plane z = 0, sigma 0.5, deviation colours on.
FormState fitted_plane(int marker_mode)
{
    FormState s;
    for (const double z : {0.0, 0.5, -0.5, 1.5, -4.0, 0.25}) {
        s.points.add({z * 3, 1.0, z});
    }
    s.base_point_count = s.point_count();
    s.marker_mode = marker_mode;
    s.view_matrix = rotation_matrix(0.4, 0.3, 0.2);
    s.view_scale = 5.0;
    s.analysis_kind = analysis_kinds::plane;
    s.axis_vector = {0, 0, 1};
    s.std_deviation = 0.5;
    s.deviation_display = true;
    return s;
}

TEST(draw_view, deviation_colours_for_pixels_and_circles_and_the_bar_beside_them)
{
    const DeviationScale scale(0.5);
    for (const int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        FormState s = fitted_plane(mode);
        s.points.label[3] = 1.0; // hidden: no circle in the big-circle mode
        RecordingSurface surface(200.0, 100.0);
        draw_view(surface, s, ProgramWide{});
        const auto drawn =
            surface.of(mode == 0 ? Recorded::Kind::rgb_circle : Recorded::Kind::rgb_pixel);
        std::vector<Rgb> expected;
        for (std::size_t i = 0; i < s.point_count(); ++i) {
            if (mode == 1 || s.points.label[i] == 0.0) {
                expected.push_back(scale.colour(s.points.xyz[i][2]));
            }
        }
        ASSERT_EQ(drawn.size(), expected.size()) << surface.dump();
        for (std::size_t k = 0; k < drawn.size(); ++k) {
            EXPECT_EQ(drawn[k].rgb, expected[k]) << k;
        }
        EXPECT_TRUE(surface.of(mode == 0 ? Recorded::Kind::circle : Recorded::Kind::pixel).empty());
        if (mode == 0) {
            EXPECT_EQ(surface.of(Recorded::Kind::line)[0].colour, 7) << "joining lines grey";
        }
        // The bar: 64 bands from red at the top to blue at the bottom at the right edge, with
        // its values.
        const auto bands = surface.of(Recorded::Kind::rgb_rect);
        ASSERT_EQ(bands.size(), 64U);
        EXPECT_LT(bands.front().y1, bands.back().y1);
        EXPECT_EQ(bands.front().rgb, scale.colour(1.5 * 63 / 64));
        EXPECT_EQ(bands.back().rgb, scale.colour(-1.5 * 63 / 64));
        EXPECT_GT(bands.front().x1, 150.0);
        EXPECT_LT(bands.front().x1 + bands.front().x2, 200.0);
        std::vector<std::string> texts;
        for (const Recorded& t : surface.of(Recorded::Kind::text)) {
            texts.push_back(t.text);
        }
        for (const char* value : {"偏差", "+1.5", "+0.5", "0", "-0.5", "-1.5", "σ=0.5"}) {
            EXPECT_NE(std::find(texts.begin(), texts.end(), value), texts.end()) << value;
        }
    }
    // Not asked for, or the last analysis is no fit: the plain drawing.
    for (const auto& [kind, asked] :
         {std::pair{analysis_kinds::sphere, false}, std::pair{analysis_kinds::bspline, true}}) {
        FormState s = fitted_plane(1);
        s.analysis_kind = kind;
        s.deviation_display = asked;
        RecordingSurface surface;
        draw_view(surface, s, ProgramWide{});
        EXPECT_EQ(surface.of(Recorded::Kind::pixel).size(), s.point_count());
        EXPECT_TRUE(surface.of(Recorded::Kind::rgb_pixel).empty());
        EXPECT_TRUE(surface.of(Recorded::Kind::rgb_rect).empty());
    }
}

TEST(draw_view, selected_points_are_drawn_last_in_the_selection_colour)
{
    for (const int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        FormState s = fitted_plane(mode);
        s.deviation_display = false;
        s.selection = {0, 1, 0, 0, 1, 0};
        const auto kind = mode == 0 ? Recorded::Kind::circle : Recorded::Kind::pixel;
        RecordingSurface surface;
        draw_view(surface, s, ProgramWide{});
        const auto drawn = surface.of(kind);
        ASSERT_EQ(drawn.size(), s.point_count() + 2);
        for (const auto& [k, point] : {std::pair{6U, 1U}, std::pair{7U, 4U}}) {
            EXPECT_EQ(drawn[k].colour, selection_colour);
            EXPECT_EQ(drawn[k].x1, drawn[point].x1);
            EXPECT_EQ(drawn[k].y1, drawn[point].y1);
        }
        // After the plane's frame: nearer the end than the last line.
        const auto from_end = [&surface](Recorded::Kind k) {
            return std::find_if(surface.calls.rbegin(), surface.calls.rend(),
                                [k](const Recorded& r) { return r.kind == k; }) -
                   surface.calls.rbegin();
        };
        EXPECT_LT(from_end(kind), from_end(Recorded::Kind::line));
        s.selection = {1, 1}; // a mask of another cloud selects nothing
        RecordingSurface stale;
        draw_view(stale, s, ProgramWide{});
        EXPECT_EQ(stale.of(kind).size(), s.point_count());
    }
}

} // namespace
} // namespace tengun
