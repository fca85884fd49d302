// The view commands: fixed views, typed angles, zoom, rotation centre and the mouse on Picture1.
#include <array>
#include <string>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "correction/marks.h"
#include "geometry/cloud_measures.h"
#include "geometry/number_text.h"
#include "view/view_transform.h"

namespace tengun {

namespace {

void set_fixed_view(CommandContext& ctx, double alpha_deg, double beta_deg, double gamma_deg)
{
    ctx.state.view_matrix =
        rotation_matrix(deg_to_rad(alpha_deg), deg_to_rad(beta_deg), deg_to_rad(gamma_deg));
    redraw(ctx);
}

void set_centre(CommandContext& ctx, const Vec3& centre, double extent_factor)
{
    FormState& s = ctx.state;
    s.rotation_centre = centre;
    s.view_extent = extent_factor * centre_extent(s.points.xyz, 3, centre).extent;
    s.view_scale = ctx.picture1.scale_width() / s.view_extent / 2.0;
    clear_marks(s.points);
    redraw(ctx);
}

}  // namespace

void default_view_Click(CommandContext& ctx)
{
    ctx.state.view_matrix = set_default_view();
    redraw(ctx);
}

void xy_men_Click(CommandContext& ctx) { set_fixed_view(ctx, 0.0, 0.0, 0.0); }
void xz_men_Click(CommandContext& ctx) { set_fixed_view(ctx, 90.0, 0.0, 0.0); }
void yz_men_Click(CommandContext& ctx) { set_fixed_view(ctx, 90.0, 90.0, 0.0); }

void heimen_view_Click(CommandContext& ctx)
{
    ctx.state.view_matrix = ctx.state.fit_rotation;
    redraw(ctx);
}

void chokusen_view_Click(CommandContext& ctx) { heimen_view_Click(ctx); }

void zoom_up_Click(CommandContext& ctx)
{
    ctx.state.view_scale *= 2.0;
    ctx.state.view_extent /= 2.0;
    redraw(ctx);
}

void zoom_down_Click(CommandContext& ctx)
{
    ctx.state.view_scale /= 2.0;
    ctx.state.view_extent *= 2.0;
    redraw(ctx);
}

void hosei_kaijo_Click(CommandContext& ctx) { set_centre(ctx, Vec3{}, 1.0); }

void juushin_hosei_Click(CommandContext& ctx)
{
    if (ctx.state.point_count() < 1) {
        return;
    }
    set_centre(ctx, cloud_centroid(ctx.state.points.xyz), 2.0);
}

void Command1_Click(CommandContext& ctx)
{
    std::array<double, 3> angles{};
    for (int k = 0; k < 3; ++k) {
        const std::string name = field_name("Text8", k);
        if (!parse_number(ctx.state.fields[name], angles[k])) {
            ctx.dialogs.show_message("回転角には数値を入力して下さい（" + name + "＝\"" +
                                     ctx.state.fields[name] + "\"）");
            return;
        }
    }
    set_fixed_view(ctx, angles[0], angles[1], angles[2]);
}

void Picture1_MouseMove(CommandContext& ctx, int button, float x, float y)
{
    FormState& s = ctx.state;
    if (s.timer_enabled || button == 0) {
        return;
    }
    const double one = deg_to_rad(1.0);
    double da = 0.0;
    double db = 0.0;
    double dg = 0.0;
    const double hw = ctx.picture1.scale_width() / 2.0;
    const double hh = ctx.picture1.scale_height() / 2.0;
    const double x0 = s.last_mouse_x;
    const double y0 = s.last_mouse_y;
    if (button == 1) {
        db = x > x0 ? one : (x < x0 ? -one : 0.0);
        da = y > y0 ? one : (y < y0 ? -one : 0.0);
    } else if (button == 2) {
        const Vec3 a{x0 - hw, -(y0 - hh), 0.0};
        const Vec3 b{x - hw, -(y - hh), 0.0};
        const double z = vec_cross(a, b)[2];
        dg = z > 0.0 ? one : (z < 0.0 ? -one : 0.0);
    } else if (button == 3 && s.view_scale != 0.0) {
        const Vec3 d{(x - x0) / s.view_scale, -(y - y0) / s.view_scale, 0.0};
        s.rotation_centre = vec_sub(s.rotation_centre, mat_t_vec(d, s.view_matrix));
    }
    s.view_matrix = mat_mul(rotation_matrix(-da, -db, -dg), s.view_matrix);
    if (ctx.preview != nullptr) {
        // The window: a quick picture in both marker modes; the release draws everything.
        preview_redraw(ctx);
    } else if (s.marker_mode == 0) {
        redraw(ctx);
    }
    s.last_mouse_x = x;
    s.last_mouse_y = y;
}

namespace {

/// The most wheel steps kept for going back exactly.
constexpr std::size_t wheel_trail = 64;

/// One wheel step in `direction` (+1 in, -1 out) at (x, y) on a w x h mm picture.
void wheel_step(FormState& s, int direction, double x, double y, double w, double h)
{
    if (!s.wheel_zooms.empty()) {
        const WheelZoom& last = s.wheel_zooms.back();
        const bool view_unchanged =
            last.centre_after == s.rotation_centre && last.extent_after == s.view_extent &&
            last.scale_after == s.view_scale && last.view_matrix == s.view_matrix &&
            last.width == w && last.height == h;
        if (!view_unchanged) {
            s.wheel_zooms.clear(); // the view changed otherwise: the trail is over
        } else if (last.direction == -direction && last.x == x && last.y == y) {
            s.rotation_centre = last.centre_before;
            s.view_extent = last.extent_before;
            s.view_scale = last.scale_before;
            s.wheel_zooms.pop_back();
            return;
        }
    }
    WheelZoom step;
    step.direction = direction;
    step.x = x;
    step.y = y;
    step.width = w;
    step.height = h;
    step.centre_before = s.rotation_centre;
    step.extent_before = s.view_extent;
    step.scale_before = s.view_scale;
    const double factor = direction > 0 ? 2.0 : 0.5;
    const double scale = s.view_scale * factor;
    s.rotation_centre =
        zoom_centre(s.view_matrix, s.rotation_centre, s.view_scale, scale, x, y, w, h);
    s.view_scale = scale;
    s.view_extent /= factor;
    step.centre_after = s.rotation_centre;
    step.extent_after = s.view_extent;
    step.scale_after = s.view_scale;
    step.view_matrix = s.view_matrix;
    s.wheel_zooms.push_back(step);
    if (s.wheel_zooms.size() > wheel_trail) {
        s.wheel_zooms.erase(s.wheel_zooms.begin());
    }
}

} // namespace

void Picture1_MouseWheel(CommandContext& ctx, int steps, float x, float y)
{
    if (ctx.state.timer_enabled || steps == 0) {
        return; // like a drag: the playback's picture is not wiped
    }
    const double w = ctx.picture1.scale_width();
    const double h = ctx.picture1.scale_height();
    const int direction = steps > 0 ? 1 : -1;
    for (int k = 0; k != steps; k += direction) {
        wheel_step(ctx.state, direction, x, y, w, h);
    }
    redraw(ctx);
}

void Picture1_MouseUp(CommandContext& ctx, int /*button*/, float /*x*/, float /*y*/)
{
    if (!ctx.state.timer_enabled) {
        redraw(ctx);
    }
}

}  // namespace tengun
