// Deviation colours, the colour bar, and the selected points drawn over the view.
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

struct ColourCase {
    double sigma;
    double r;
    Rgb expected; // from the ends (59, 76, 192), (221, 221, 221), (180, 4, 38), worked by hand
};

TEST(deviation_scale, colours_at_zero_sigma_and_beyond_three_sigma)
{
    const std::vector<ColourCase> cases{
        {0.5, 0.0, 0xDDDDDD}, // on the shape: the middle grey
        {0.5, -0.0, 0xDDDDDD},
        {0.5, 0.5, 0xCF95A0},  // +sigma: a third of the way to red (207.3, 148.7, 160)
        {0.5, -0.5, 0xA7ADD3}, // -sigma: a third of the way to blue (167, 172.7, 211.3)
        {0.5, 1.5, 0xB40426},  // +3 sigma: the red end
        {0.5, -1.5, 0x3B4CC0}, // -3 sigma: the blue end
        {0.5, 40.0, 0xB40426}, // clipped beyond
        {0.5, -1e300, 0x3B4CC0},
        {-0.5, 0.5, 0xCF95A0}, // a negative sigma counts by its size
        {2.0, 1.2, 0xD5B2B8},  // a fifth of the way to red: (212.8, 177.6, 184.4)
        {0.0, 0.0, 0xDDDDDD},  // a perfect fit: only the sign shows
        {0.0, 1e-12, 0xB40426},
        {0.0, -1e-12, 0x3B4CC0},
        {NAN, 1.0, 0xB40426}, // no sigma: the same
        {0.5, NAN, 0xDDDDDD},
    };
    for (const ColourCase& c : cases) {
        EXPECT_EQ(DeviationScale(c.sigma).colour(c.r), c.expected)
            << std::hex << "sigma " << c.sigma << " r " << c.r;
    }
    EXPECT_EQ(DeviationScale(0.5).limit(), 1.5);
    EXPECT_EQ(DeviationScale(0.0).limit(), 0.0);
}

TEST(bar_value_text, three_significant_digits_with_a_sign_above_zero)
{
    EXPECT_EQ(bar_value_text(0.0123456), "+0.0123");
    EXPECT_EQ(bar_value_text(-0.0369), "-0.0369");
    EXPECT_EQ(bar_value_text(0.0), "0");
    EXPECT_EQ(bar_value_text(1.5e-05), "+1.5e-05");
    EXPECT_EQ(bar_value_text(123456.0), "+1.23e+05");
    EXPECT_EQ(bar_value_text(2.0), "+2");
}

/// Points above and below the plane z = 0 (n = (0, 0, 1), d = 0) with sigma 0.5.
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
    s.view_extent = 10.0;
    s.analysis_kind = analysis_kinds::plane;
    s.axis_vector = {0, 0, 1};
    s.plane_offset = 0.0;
    s.std_deviation = 0.5;
    s.deviation_display = true;
    return s;
}

TEST(draw_points, deviation_colours_replace_the_run_colours_of_pixels_and_circles)
{
    const DeviationScale scale(0.5);
    for (const int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        FormState s = fitted_plane(mode);
        s.points.label[3] = 1.0; // hidden: no circle in the big-circle mode
        RecordingSurface surface;
        draw_points(surface, s);
        const auto kind = mode == 0 ? Recorded::Kind::rgb_circle : Recorded::Kind::rgb_pixel;
        const auto drawn = surface.of(kind);
        EXPECT_TRUE(surface.of(mode == 0 ? Recorded::Kind::circle : Recorded::Kind::pixel).empty())
            << surface.dump();
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
        if (mode == 0) {
            EXPECT_EQ(drawn[0].rgb, deviation_middle);
            EXPECT_EQ(drawn[1].rgb, 0xCF95A0U);
            // The joining lines step back into light grey; the axes keep their colours.
            const auto lines = surface.of(Recorded::Kind::line);
            ASSERT_EQ(lines.size(), s.point_count() - 1 + 3);
            for (std::size_t k = 0; k + 3 < lines.size(); ++k) {
                EXPECT_EQ(lines[k].colour, 7);
            }
            EXPECT_EQ(lines.back().colour, 4);
        }
    }
}

TEST(draw_points, deviation_colours_follow_each_fit_kind)
{
    // A cylinder of radius 2 about Z, sigma 0.1: points at radius 2, 2.1 and 1.7.
    FormState s = fitted_plane(1);
    s.points.clear();
    for (const double r : {2.0, 2.1, 1.7}) {
        s.points.add({r * std::cos(r), r * std::sin(r), r});
    }
    s.analysis_kind = analysis_kinds::cylinder;
    s.fit_rotation = mat_identity3();
    s.centre = {0, 0, 0};
    s.radius = 2.0;
    s.std_deviation = 0.1;
    RecordingSurface surface;
    draw_points(surface, s);
    const auto drawn = surface.of(Recorded::Kind::rgb_pixel);
    ASSERT_EQ(drawn.size(), 3U);
    const DeviationScale scale(0.1);
    EXPECT_EQ(drawn[0].rgb, scale.colour(0.0));
    EXPECT_EQ(drawn[1].rgb, scale.colour(0.1));
    EXPECT_EQ(drawn[2].rgb, deviation_low) << "0.3 inside is 3 sigma";
}

TEST(draw_view, colour_bar_only_while_deviation_colours_are_shown)
{
    struct Row {
        int kind;
        bool asked;
        bool shown;
    };
    for (const Row row :
         {Row{analysis_kinds::plane, true, true}, Row{analysis_kinds::line, true, true},
          Row{analysis_kinds::sphere, false, false}, Row{analysis_kinds::bspline, true, false},
          Row{analysis_kinds::none, true, false}}) {
        SCOPED_TRACE(row.kind);
        FormState s = fitted_plane(1);
        s.analysis_kind = row.kind;
        s.deviation_display = row.asked;
        EXPECT_EQ(shows_deviation(s), row.shown);
        RecordingSurface surface(200.0, 100.0);
        const ProgramWide program;
        draw_view(surface, s, program);
        const auto bands = surface.of(Recorded::Kind::rgb_rect);
        std::vector<std::string> texts;
        for (const Recorded& t : surface.of(Recorded::Kind::text)) {
            texts.push_back(t.text);
        }
        const auto has = [&texts](const std::string& t) {
            return std::find(texts.begin(), texts.end(), t) != texts.end();
        };
        if (!row.shown) {
            EXPECT_TRUE(bands.empty());
            EXPECT_FALSE(has("偏差"));
            EXPECT_TRUE(surface.of(Recorded::Kind::rgb_pixel).empty());
            continue;
        }
        ASSERT_EQ(bands.size(), 64U);
        // Red at the top, blue at the bottom, all at the right edge of the surface.
        EXPECT_LT(bands.front().y1, bands.back().y1);
        EXPECT_EQ(bands.front().rgb, DeviationScale(0.5).colour(1.5 * 63.0 / 64.0));
        EXPECT_EQ(bands.back().rgb, DeviationScale(0.5).colour(-1.5 * 63.0 / 64.0));
        for (const Recorded& b : bands) {
            EXPECT_GT(b.x1, 150.0);
            EXPECT_LT(b.x1 + b.x2, 200.0);
        }
        for (const char* value : {"偏差", "+1.5", "+0.5", "0", "-0.5", "-1.5", "σ=0.5"}) {
            EXPECT_TRUE(has(value)) << value << "\n" << surface.dump();
        }
    }
}

TEST(draw_view, selected_points_are_drawn_last_in_the_selection_colour)
{
    for (const int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        FormState s = fitted_plane(mode);
        s.deviation_display = false;
        s.selection = {0, 1, 0, 0, 1, 0};
        RecordingSurface surface;
        const ProgramWide program;
        draw_view(surface, s, program);
        const auto kind = mode == 0 ? Recorded::Kind::circle : Recorded::Kind::pixel;
        const auto drawn = surface.of(kind);
        ASSERT_EQ(drawn.size(), s.point_count() + 2);
        // The plain drawing first, then the two selected points over the plane's frame.
        const auto highlighted = std::vector<Recorded>(drawn.end() - 2, drawn.end());
        for (std::size_t k = 0; k < 2; ++k) {
            EXPECT_EQ(highlighted[k].colour, selection_colour);
            const std::size_t point = k == 0 ? 1 : 4;
            EXPECT_EQ(highlighted[k].x1, drawn[point].x1);
            EXPECT_EQ(highlighted[k].y1, drawn[point].y1);
        }
        const auto last_line =
            std::find_if(surface.calls.rbegin(), surface.calls.rend(),
                         [](const Recorded& r) { return r.kind == Recorded::Kind::line; });
        const auto last_mark = std::find_if(surface.calls.rbegin(), surface.calls.rend(),
                                            [kind](const Recorded& r) { return r.kind == kind; });
        EXPECT_LT(last_mark - surface.calls.rbegin(), last_line - surface.calls.rbegin())
            << "the selection comes after the overlay";

        // A mask of another cloud selects nothing.
        s.selection = {1, 1};
        RecordingSurface stale;
        draw_view(stale, s, program);
        EXPECT_EQ(stale.of(kind).size(), s.point_count());
    }
}

} // namespace
} // namespace tengun
