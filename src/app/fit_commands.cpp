// Geometric fits: plane, sphere, arc, cylinder, line. Each command selects its analysis kind
// first, so a fit that fails still shows the overlay of whatever the results hold.
#include "app/command_helpers.h"
#include "app/commands.h"
#include "geometry/plane_fit.h"

namespace tengun {

namespace {

void select_and_redraw(CommandContext& ctx, int kind)
{
    ctx.state.analysis_kind = kind;
    redraw(ctx);
}

/// The plane row, its foot and its deviation from the plane results.
void show_plane_fields(FormState& s)
{
    for (int k = 0; k < 3; ++k) {
        set_field(s, "Text1(" + std::to_string(k) + ")", s.axis_vector[k]);
    }
    set_field(s, "Text1(3)", s.plane_offset);
    for (int k = 0; k < 3; ++k) {
        set_field(s, "Text2(" + std::to_string(k) + ")", s.plane_offset * s.axis_vector[k]);
    }
    set_field(s, "Label3(0)", "L標準偏差");
    set_field(s, "Text3(0)", s.std_deviation);
    set_field(s, "Text3(1)", "");
}

}  // namespace

void show_plane_result(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (plane_analysis(s.points.xyz, s.axis_vector, s.plane_offset, s.plane_foot, s.fit_rotation,
                       s.std_deviation) == Status::error) {
        ctx.dialogs.show_message("平面を求められません。異なる３点以上の、一直線上にない点が必要です"
                                 "（点群数＝" +
                                 std::to_string(s.point_count()) + "）。");
        return;
    }
    set_field(s, "Text6", "平面解析");
    set_field(s, "Label5", "平面中心");
    show_plane_fields(s);
}

void heimen_Click(CommandContext& ctx)
{
    ctx.state.analysis_kind = analysis_kinds::plane;
    show_plane_result(ctx);
    redraw(ctx);
}

void kyuumen_Click(CommandContext& ctx) { select_and_redraw(ctx, analysis_kinds::sphere); }
void enko_Click(CommandContext& ctx) { select_and_redraw(ctx, analysis_kinds::arc); }
void entou_Click(CommandContext& ctx) { select_and_redraw(ctx, analysis_kinds::cylinder); }
void chokusen_Click(CommandContext& ctx) { select_and_redraw(ctx, analysis_kinds::line); }

}  // namespace tengun
