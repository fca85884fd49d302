// Surfaces: triangle mesh, multi-plane extraction, plane boundaries, playback.
#include "app/command_helpers.h"
#include "app/commands.h"

namespace tengun {

void menhari_Click(CommandContext& ctx)
{
    ctx.state.surface_display = surface_modes::mesh;
    redraw(ctx);
}

void poly_plane_Click(CommandContext& ctx)
{
    ctx.state.surface_display = surface_modes::mesh;
    redraw(ctx);
}

void kyoukai_hyouji_Click(CommandContext& ctx)
{
    ctx.state.surface_display = surface_modes::mesh_and_segments;
    redraw(ctx);
}

void saidai_edge_kenshutu_Click(CommandContext& ctx)
{
    ctx.state.surface_display = surface_modes::mesh_and_segments;
    redraw(ctx);
}

void slow_saisei_Click(CommandContext& ctx)
{
    ctx.state.timer_enabled = true;
    ctx.picture1.clear();
    ctx.state.surface_display = surface_modes::playback;
}

void slow_teishi_Click(CommandContext& ctx)
{
    ctx.state.timer_enabled = false;
    ctx.state.surface_display = surface_modes::mesh;
}

void Timer1_Timer(CommandContext& /*ctx*/) {}

}  // namespace tengun
