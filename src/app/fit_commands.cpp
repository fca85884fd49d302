// Geometric fits: plane, sphere, arc, cylinder, line.
#include "app/command_helpers.h"
#include "app/commands.h"

namespace tengun {

namespace {

void select_and_redraw(CommandContext& ctx, int kind)
{
    ctx.state.analysis_kind = kind;
    redraw(ctx);
}

}  // namespace

void heimen_Click(CommandContext& ctx) { select_and_redraw(ctx, analysis_kinds::plane); }
void kyuumen_Click(CommandContext& ctx) { select_and_redraw(ctx, analysis_kinds::sphere); }
void enko_Click(CommandContext& ctx) { select_and_redraw(ctx, analysis_kinds::arc); }
void entou_Click(CommandContext& ctx) { select_and_redraw(ctx, analysis_kinds::cylinder); }
void chokusen_Click(CommandContext& ctx) { select_and_redraw(ctx, analysis_kinds::line); }

}  // namespace tengun
