#include "app/command_helpers.h"
#include "app/commands.h"
#include "view/view_transform.h"

namespace tengun {

namespace {

bool shows_deviation_after_fit(int kind)
{
    return kind >= analysis_kinds::plane && kind <= analysis_kinds::line;
}

} // namespace

void form_load(CommandContext& ctx)
{
    ctx.state.timer_enabled = false;
    ctx.state.points.clear();
    ctx.state.base_point_count = 0;
    ctx.state.view_extent = 1.0;
    ctx.program.spline_degree = 3.0;
    ctx.state.view_matrix = set_default_view();
}

void form_activate(CommandContext& ctx) { redraw(ctx); }

void hyouji_only_Click(CommandContext& ctx)
{
    ctx.state.analysis_kind = analysis_kinds::none;
    redraw(ctx);
}

void renzoku_mode_Click(CommandContext& ctx)
{
    ctx.state.marker_mode = 0;
    ctx.state.deviation_display = false;
    redraw(ctx);
}

void drag_mode_Click(CommandContext& ctx)
{
    ctx.state.marker_mode = 1;
    ctx.state.deviation_display = false;
    redraw(ctx);
}

void hensa_karaa_hyouji_Click(CommandContext& ctx)
{
    if (!shows_deviation_after_fit(ctx.state.analysis_kind)) {
        ctx.dialogs.show_message("偏差カラー表示には、先に平面・球面・円弧・円筒・直線のいずれかを"
                                 "当てはめて下さい（幾何解析）。");
        return;
    }
    ctx.state.deviation_display = true;
    redraw(ctx);
}

void messhu_nashi_Click(CommandContext& ctx)
{
    ctx.state.surface_display = surface_modes::points_only;
    set_field(ctx.state, "Text6", "３次元表示");
    redraw(ctx);
}

void messhu_ari_Click(CommandContext& ctx)
{
    ctx.state.surface_display = surface_modes::mesh;
    redraw(ctx);
}

}  // namespace tengun
