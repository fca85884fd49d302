// The mouse wheel over Picture1: zoom steps of "ズームアップ"/"ズームダウン" about the point under
// the cursor, back to exactly the view before when turned back at the same place.
#include <gtest/gtest.h>

#include <random>

#include "app/commands.h"
#include "support/clouds.h"
#include "support/scripted_dialogs.h"
#include "view/view_transform.h"

namespace tengun {
namespace {

using testing::TestForm;

/// Surface position (mm) of model point p in the form's view.
std::array<double, 2> drawn_at(const TestForm& f, const Vec3& p)
{
    const Vec3 u = project_point(p, f.state.rotation_centre, f.state.view_matrix);
    return {f.picture1.scale_width() / 2 + f.state.view_scale * u[0],
            f.picture1.scale_height() / 2 - f.state.view_scale * u[1]};
}

/// The model point in the screen plane through the rotation centre drawn at (x, y).
Vec3 model_at(const TestForm& f, double x, double y)
{
    const double s = f.state.view_scale;
    const Vec3 u{(x - f.picture1.scale_width() / 2) / s, -(y - f.picture1.scale_height() / 2) / s,
                 0.0};
    return vec_add(f.state.rotation_centre, mat_t_vec(u, f.state.view_matrix));
}

void set_view(TestForm& f, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> angle(-3.0, 3.0);
    std::uniform_real_distribution<double> coordinate(-50.0, 50.0);
    f.state.view_matrix = rotation_matrix(angle(rng), angle(rng), angle(rng));
    f.state.rotation_centre = {coordinate(rng), coordinate(rng), coordinate(rng)};
    f.state.view_scale = 0.37 + angle(rng) * 0.1;
    f.state.view_extent = 13.0;
}

TEST(Picture1_MouseWheel, keeps_the_point_under_the_cursor_and_steps_like_the_zoom_commands)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        TestForm f;
        set_view(f, seed);
        std::mt19937 rng(seed);
        const float x = std::uniform_real_distribution<float>(0.0F, 200.0F)(rng);
        const float y = std::uniform_real_distribution<float>(0.0F, 100.0F)(rng);
        const Vec3 under = model_at(f, x, y);
        const double scale = f.state.view_scale;
        const Mat3 view = f.state.view_matrix;

        Picture1_MouseWheel(f.ctx, 2, x, y);
        EXPECT_EQ(f.state.view_scale, 4 * scale) << "two steps of ズームアップ";
        EXPECT_EQ(f.state.view_extent, 13.0 / 4);
        EXPECT_EQ(f.state.view_matrix, view);
        const auto at = drawn_at(f, under);
        EXPECT_NEAR(at[0], x, 1e-9);
        EXPECT_NEAR(at[1], y, 1e-9);
        EXPECT_FALSE(f.picture1.calls.empty()) << "redrawn";

        Picture1_MouseWheel(f.ctx, -3, x, y);
        EXPECT_EQ(f.state.view_scale, scale / 2);
        const auto out = drawn_at(f, under);
        EXPECT_NEAR(out[0], x, 1e-9);
        EXPECT_NEAR(out[1], y, 1e-9);
    }
}

TEST(Picture1_MouseWheel, turning_back_at_the_same_place_restores_the_view_exactly)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        TestForm f;
        set_view(f, seed);
        const FormState start = f.state;
        const float x = 17.3F + static_cast<float>(seed);
        const float y = 81.9F - static_cast<float>(seed);
        for (const int steps : {1, 1, 1}) {
            Picture1_MouseWheel(f.ctx, steps, x, y);
        }
        Picture1_MouseWheel(f.ctx, -2, x, y);
        Picture1_MouseWheel(f.ctx, -1, x, y);
        EXPECT_EQ(f.state.rotation_centre, start.rotation_centre);
        EXPECT_EQ(f.state.view_scale, start.view_scale);
        EXPECT_EQ(f.state.view_extent, start.view_extent);
        // and out first, then in
        Picture1_MouseWheel(f.ctx, -2, x, y);
        Picture1_MouseWheel(f.ctx, 2, x, y);
        EXPECT_EQ(f.state.rotation_centre, start.rotation_centre);
        EXPECT_EQ(f.state.view_scale, start.view_scale);
    }
}

TEST(Picture1_MouseWheel, a_view_changed_in_between_or_another_place_starts_afresh)
{
    TestForm f;
    set_view(f, 3);
    const Vec3 centre = f.state.rotation_centre;
    Picture1_MouseWheel(f.ctx, 1, 20.0F, 30.0F);
    Picture1_MouseWheel(f.ctx, -1, 150.0F, 70.0F); // another place: a new step out
    EXPECT_NE(f.state.rotation_centre, centre);
    EXPECT_EQ(f.state.wheel_zooms.size(), 2U);

    const double scale = f.state.view_scale;
    zoom_up_Click(f.ctx); // the view changes otherwise
    Picture1_MouseWheel(f.ctx, 1, 150.0F, 70.0F);
    EXPECT_EQ(f.state.view_scale, 4 * scale) << "not taken for a step back";
    EXPECT_EQ(f.state.wheel_zooms.size(), 1U);

    f.state.timer_enabled = true; // the playback's picture is not wiped
    f.picture1.calls.clear();
    Picture1_MouseWheel(f.ctx, 1, 150.0F, 70.0F);
    EXPECT_EQ(f.state.view_scale, 4 * scale);
    EXPECT_TRUE(f.picture1.calls.empty());
}

TEST(zoom_centre, keeps_the_centre_when_the_scale_is_unusable)
{
    const Mat3 v = set_default_view();
    const Vec3 c{1, 2, 3};
    EXPECT_EQ(zoom_centre(v, c, 0.0, 0.0, 10, 10, 200, 100), c);
    EXPECT_EQ(zoom_centre(v, c, 1.0, std::numeric_limits<double>::infinity(), 10, 10, 200, 100), c);
    EXPECT_EQ(zoom_centre(v, c, 1.0, 2.0, 100, 50, 200, 100), c) << "zoom about the middle";
}

} // namespace
} // namespace tengun
