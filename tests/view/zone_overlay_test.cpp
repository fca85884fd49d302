// The minimum zone drawn over the view: two plane patches a zone width apart, two circles of
// the inner and outer radius; a light mesh in the scale's colours with the deviation colours,
// dashed grey outlines without.
#include "view/zone_overlay.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "support/recording_surface.h"
#include "support/scripted_dialogs.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::RecordingSurface;
using testing::load_points;
using testing::TestForm;

/// A 6 x 6 grid on z = 5 with one point raised by 0.25: the zone is 0.25 wide.
std::vector<Vec3> raised_grid()
{
    std::vector<Vec3> pts;
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 6; ++j) {
            pts.push_back({1.0 * i, 1.0 * j, i == 2 && j == 3 ? 5.25 : 5.0});
        }
    }
    return pts;
}

std::vector<Recorded> lines_in(const RecordingSurface& s, int colour)
{
    std::vector<Recorded> out;
    for (const Recorded& r : s.of(Recorded::Kind::line)) {
        if (r.colour == colour) {
            out.push_back(r);
        }
    }
    return out;
}

TEST(draw_zone_overlay, planes_as_outlines_or_as_coloured_meshes)
{
    TestForm f;
    load_points(f, raised_grid());
    heimen_Click(f.ctx);
    ASSERT_NEAR(f.state.form_errors.minimum_zone.width, 0.25, 1e-12);
    // Seen from the side (along Y) the two patches are two lines 0.25 apart in height.
    xz_men_Click(f.ctx);

    RecordingSurface outline;
    draw_zone_overlay(outline, f.state);
    const auto grey = lines_in(outline, 8);
    ASSERT_EQ(grey.size(), 8U) << outline.dump();  // two rectangles
    for (const LineStyle style : outline.line_styles()) {
        EXPECT_EQ(style, LineStyle::dashed);
    }
    double low = 1e300;
    double high = -1e300;
    for (const Recorded& r : grey) {
        low = std::min({low, r.y1, r.y2});
        high = std::max({high, r.y1, r.y2});
    }
    EXPECT_NEAR(high - low, 0.25 * f.state.view_scale, 1e-9);

    // Seen from above the patches cover exactly the grid's 5 x 5 square, not more.
    xy_men_Click(f.ctx);
    RecordingSurface top;
    draw_zone_overlay(top, f.state);
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    for (const Recorded& r : lines_in(top, 8)) {
        x0 = std::min({x0, r.x1, r.x2});
        x1 = std::max({x1, r.x1, r.x2});
        y0 = std::min({y0, r.y1, r.y2});
        y1 = std::max({y1, r.y1, r.y2});
    }
    EXPECT_NEAR(x1 - x0, 5.0 * f.state.view_scale, 1e-9);
    EXPECT_NEAR(y1 - y0, 5.0 * f.state.view_scale, 1e-9);

    hensa_karaa_hyouji_Click(f.ctx);
    RecordingSurface mesh;
    draw_zone_overlay(mesh, f.state);
    EXPECT_EQ(lines_in(mesh, 9).size(), 14U);   // lower plane, 7 lines each way
    EXPECT_EQ(lines_in(mesh, 12).size(), 14U);  // upper plane
    EXPECT_TRUE(lines_in(mesh, 8).empty());

    // No fit, no zone.
    f.state.analysis_kind = analysis_kinds::none;
    RecordingSurface none;
    draw_zone_overlay(none, f.state);
    EXPECT_TRUE(none.of(Recorded::Kind::line).empty());
}

TEST(draw_zone_overlay, roundness_as_inner_and_outer_circles)
{
    // A three-lobed circle of radius 10, amplitude 0.5, in z = 2: the annulus 9.5 .. 10.5.
    std::vector<Vec3> pts;
    for (int k = 0; k < 90; ++k) {
        const double t = 2 * pi * k / 90;
        const double r = 10 + 0.5 * std::cos(3 * t);
        pts.push_back({r * std::cos(t), r * std::sin(t), 2.0});
    }
    TestForm f;
    load_points(f, pts);
    enko_Click(f.ctx);
    xy_men_Click(f.ctx);
    RecordingSurface s;
    draw_zone_overlay(s, f.state);
    // Each circle is 180 chords; seen from above their extent is the diameter.
    const auto grey = lines_in(s, 8);
    ASSERT_EQ(grey.size(), 360U);
    const auto width = [&](std::size_t from) {
        double lo = 1e300, hi = -1e300;
        for (std::size_t k = from; k < from + 180; ++k) {
            lo = std::min(lo, grey[k].x1);
            hi = std::max(hi, grey[k].x1);
        }
        return (hi - lo) / f.state.view_scale;
    };
    EXPECT_NEAR(width(0), 2 * f.state.form_errors.minimum_zone.lower, 1e-3);
    EXPECT_NEAR(width(180), 2 * f.state.form_errors.minimum_zone.upper, 1e-3);
    EXPECT_NEAR(f.state.form_errors.minimum_zone.upper - f.state.form_errors.minimum_zone.lower,
                1.0, 1e-9);
}

}  // namespace
}  // namespace tengun
