// Geometric fits: plane, sphere, arc, cylinder, line. Each command selects its analysis kind
// first, so a fit that fails still shows the overlay of whatever the results hold. A fit that
// succeeds is followed by its form errors (least squares and minimum zone) about the fitted
// feature; a fit that fails leaves them with the other results.
#include "app/command_helpers.h"
#include "app/commands.h"
#include "geometry/arc_fit.h"
#include "geometry/cylinder_fit.h"
#include "geometry/form_error.h"
#include "geometry/line_fit.h"
#include "geometry/plane_fit.h"
#include "geometry/sphere_fit.h"

namespace tengun {

namespace {

/// Stores the form errors `status` and `errors` give (none on Status::error) and shows them.
void store_form_errors(FormState& s, Status status, const FormErrors& errors)
{
    s.form_errors = status == Status::ok ? errors : FormErrors{};
    if (status == Status::ok) {
        measure_reach(s.points.xyz, s.form_errors);
    }
    show_form_error_fields(s);
}

/// The plane row, its foot and its deviation from the plane results.
void show_plane_fields(FormState& s)
{
    show_plane_row(s);
    set_field(s, "Label3(0)", "L標準偏差");
    set_field(s, "Text3(0)", s.std_deviation);
    set_field(s, "Label3(1)", "半径＝");
    set_field(s, "Text3(1)", "");
}

}  // namespace

std::string fit_failure_message(int kind, std::size_t point_count)
{
    const std::string count = "（点群数＝" + std::to_string(point_count) + "）。";
    switch (kind) {
    case analysis_kinds::plane:
        return "平面を求められません。異なる３点以上の、一直線上にない点が必要です" + count;
    case analysis_kinds::sphere:
        return "球面を求められません。点群がないか、点が一平面上に並んでいて中心が決まらないか、"
               "中心が点群から極端に離れました" +
               count;
    case analysis_kinds::arc:
        return "円弧を求められません。一直線上にない異なる３点以上が必要です。または、平面上で点が"
               "一直線上に並んでいて中心が決まらないか、中心が点群から極端に離れました" +
               count;
    case analysis_kinds::cylinder:
        return "円筒を求められません。点群がないか、点が一平面上に並んでいるか、軸の方向から見て"
               "点が一直線上に並んでいて断面の円が決まらないか、半径が点群に比べて極端に大きく"
               "なりました" +
               count;
    default:
        return "直線を求められません。点群がありません。";
    }
}

void show_plane_result(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (plane_analysis(s.points.xyz, s.axis_vector, s.plane_offset, s.plane_foot, s.fit_rotation,
                       s.std_deviation) == Status::error) {
        ctx.dialogs.show_message(fit_failure_message(analysis_kinds::plane, s.point_count()));
        return;
    }
    s.fitted_kind = analysis_kinds::plane;
    set_field(s, "Text6", "平面解析");
    set_field(s, "Label5", "平面中心");
    show_plane_fields(s);
    FormErrors e;
    store_form_errors(s, flatness(s.points.xyz, s.axis_vector, s.plane_offset, e), e);
}

void heimen_Click(CommandContext& ctx)
{
    ctx.state.analysis_kind = analysis_kinds::plane;
    show_plane_result(ctx);
    redraw(ctx);
}

namespace {


/// Centre in Text2(0..2), deviation under `caption` in Text3(0), radius in Text3(1).
void show_circle_fields(FormState& s, const Vec3& centre, const char* caption)
{
    for (int k = 0; k < 3; ++k) {
        set_field(s, field_name("Text2", k), centre[k]);
    }
    set_field(s, "Label3(0)", caption);
    set_field(s, "Text3(0)", s.std_deviation);
    set_field(s, "Label3(1)", "半径＝");
    set_field(s, "Text3(1)", s.radius);
}

}  // namespace

void show_sphere_result(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (fit_sphere(s.points.xyz, 3, s.centre, s.radius, s.std_deviation) == Status::error) {
        ctx.dialogs.show_message(fit_failure_message(analysis_kinds::sphere, s.point_count()));
        return;
    }
    s.fitted_kind = analysis_kinds::sphere;
    set_field(s, "Text6", "球面解析");
    set_field(s, "Label5", "円中心");
    show_circle_fields(s, s.centre, "半径標準偏差");
    FormErrors e;
    store_form_errors(s, sphericity(s.points.xyz, s.centre, e), e);
}

void show_arc_result(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (fit_arc(s.points.xyz, s.axis_vector, s.plane_offset, s.plane_foot, s.centre,
                s.fit_rotation, s.radius, s.std_deviation) == Status::error) {
        ctx.dialogs.show_message(fit_failure_message(analysis_kinds::arc, s.point_count()));
        return;
    }
    s.fitted_kind = analysis_kinds::arc;
    set_field(s, "Text6", "円弧解析");
    set_field(s, "Label5", "円中心");
    show_circle_fields(s, s.centre, "半径標準偏差");
    FormErrors e; // in the fitted plane, from the points projected into it
    store_form_errors(s, roundness(s.points.xyz, s.fit_rotation, s.centre, e), e);
}

void show_cylinder_result(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (fit_cylinder(s.points.xyz, s.axis_vector, s.centre, s.fit_rotation, s.radius,
                     s.std_deviation) == Status::error) {
        ctx.dialogs.show_message(fit_failure_message(analysis_kinds::cylinder, s.point_count()));
        return;
    }
    s.fitted_kind = analysis_kinds::cylinder;
    set_field(s, "Text6", "円筒解析");
    set_field(s, "Label5", "円筒軸中心点");
    show_circle_fields(s, s.centre, "半径標準偏差");
    FormErrors e;
    store_form_errors(s, cylindricity(s.points.xyz, s.axis_vector, s.centre, e), e);
}

void show_line_result(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (fit_line(s.points.xyz, s.axis_vector, s.line_point, s.fit_rotation, s.line_alpha,
                 s.line_beta, s.std_deviation) == Status::error) {
        ctx.dialogs.show_message(fit_failure_message(analysis_kinds::line, s.point_count()));
        return;
    }
    s.fitted_kind = analysis_kinds::line;
    set_field(s, "Text6", "直線解析");
    set_field(s, "Label5", "直線の通過点");
    for (int k = 0; k < 3; ++k) {
        set_field(s, field_name("Text2", k), s.line_point[k]);
        set_field(s, field_name("Text2", k + 3), s.axis_vector[k]);
    }
    set_field(s, "Label3(0)", "直線標準偏差");
    set_field(s, "Text3(0)", s.std_deviation);
    set_field(s, "Label3(1)", "半径＝");
    set_field(s, "Text3(1)", "");
    FormErrors e;
    store_form_errors(s, straightness(s.points.xyz, s.axis_vector, s.line_point, e), e);
}

void kyuumen_Click(CommandContext& ctx)
{
    ctx.state.analysis_kind = analysis_kinds::sphere;
    show_sphere_result(ctx);
    redraw(ctx);
}

void enko_Click(CommandContext& ctx)
{
    ctx.state.analysis_kind = analysis_kinds::arc;
    show_arc_result(ctx);
    redraw(ctx);
}

void entou_Click(CommandContext& ctx)
{
    ctx.state.analysis_kind = analysis_kinds::cylinder;
    show_cylinder_result(ctx);
    redraw(ctx);
}

void chokusen_Click(CommandContext& ctx)
{
    ctx.state.analysis_kind = analysis_kinds::line;
    show_line_result(ctx);
    redraw(ctx);
}

}  // namespace tengun
