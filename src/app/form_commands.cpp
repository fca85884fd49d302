#include "app/command_helpers.h"
#include "app/commands.h"
#include "view/view_transform.h"

namespace tengun {

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
    redraw(ctx);
}

void drag_mode_Click(CommandContext& ctx)
{
    ctx.state.marker_mode = 1;
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
