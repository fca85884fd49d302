// Spline commands: single spline, B-spline and inverse B-spline, control-point merge.
#include "app/command_helpers.h"
#include "app/commands.h"

namespace tengun {

namespace {

/// Shows the spline dialog; on OK selects the kind (and loop) and redraws.
void ask_and_select(CommandContext& ctx, int kind, int loop_closed)
{
    ctx.dialogs.ask_spline_settings(ctx.program);
    if (ctx.program.dialog_cancelled) {
        return;
    }
    ctx.state.analysis_kind = kind;
    if (loop_closed >= 0) {
        ctx.state.loop_closed = loop_closed;
    }
    redraw(ctx);
}

}  // namespace

void mono_spline_Click(CommandContext& ctx) { ask_and_select(ctx, analysis_kinds::single_spline, -1); }
void bspline_kai_Click(CommandContext& ctx) { ask_and_select(ctx, analysis_kinds::bspline, 0); }
void bspline_hei_Click(CommandContext& ctx) { ask_and_select(ctx, analysis_kinds::bspline, 1); }
void reverse_bspline_kai_Click(CommandContext& ctx)
{
    ask_and_select(ctx, analysis_kinds::inverse_bspline, 0);
}
void reverse_bspline_hei_Click(CommandContext& ctx)
{
    ask_and_select(ctx, analysis_kinds::inverse_bspline, 1);
}
void spline_tougou_Click(CommandContext& ctx) { redraw(ctx); }

}  // namespace tengun
