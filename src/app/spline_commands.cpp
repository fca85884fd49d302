// Spline commands: single spline, B-spline, inverse B-spline and the control-point merge.
// Every curve command asks the spline dialog first; a refused computation (too few points,
// settings the curve cannot use) shows one message and leaves the form and the dialog's
// settings as they were before the command. The merge asks no settings; it refuses the same way.
#include <cmath>
#include <string>
#include <vector>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "geometry/number_text.h"
#include "spline/bspline_curve.h"
#include "spline/control_merge.h"
#include "spline/inverse_bspline.h"
#include "spline/single_spline.h"
#include "view/acceleration_graph.h"

namespace tengun {

namespace {

/// The most pieces per point interval the view draws.
constexpr double max_divisions = 1e6;

bool is_whole(double v)
{
    return std::isfinite(v) && v == std::floor(v);
}

std::string count_text(std::size_t n)
{
    return "（点群数＝" + std::to_string(n) + "）";
}

/// The division count drawn between points must be a whole number the view can draw.
bool divisions_usable(CommandContext& ctx)
{
    const double d = ctx.program.division_count;
    if (is_whole(d) && d >= 1.0 && d <= max_divisions) {
        return true;
    }
    ctx.dialogs.show_message("点間の分割数は1から1000000までの整数で指定して下さい（分割数＝" +
                             format_number(d) + "）。");
    return false;
}

/// Enough points for the curve; otherwise says how many the curve needs.
bool enough_points(CommandContext& ctx, const std::string& curve, std::size_t needed)
{
    const std::size_t n = ctx.state.point_count();
    if (n >= needed) {
        return true;
    }
    ctx.dialogs.show_message(curve + "には" + std::to_string(needed) + "点以上の点群が必要です" +
                             count_text(n) + "。");
    return false;
}

std::string loop_name(bool closed)
{
    return closed ? "（閉ループ）" : "（開ループ）";
}

void store_control_points(FormState& s, ControlPoints&& c)
{
    s.control_x = std::move(c.x);
    s.control_y = std::move(c.y);
    s.control_z = std::move(c.z);
}

/// Draws a B-spline result: the view with its curve overlay, then its acceleration graph.
void draw_bspline_result(CommandContext& ctx)
{
    const FormState& s = ctx.state;
    redraw(ctx);
    bspline_acceleration(ctx.picture2, s.point_count(), {s.control_x, s.control_y, s.control_z},
                         s.loop_closed != 0);
}

/// The common flow: dialog, selectors, worker; a refusal restores what the command changed.
void run_spline_command(CommandContext& ctx, int kind, int loop_closed,
                        bool (*worker)(CommandContext&))
{
    const double degree = ctx.program.spline_degree;
    const double divisions = ctx.program.division_count;
    ctx.dialogs.ask_spline_settings(ctx.program);
    if (ctx.program.dialog_cancelled) {
        return;
    }
    const int kind_before = ctx.state.analysis_kind;
    const int loop_before = ctx.state.loop_closed;
    ctx.state.analysis_kind = kind;
    if (loop_closed >= 0) {
        ctx.state.loop_closed = loop_closed;
    }
    if (!worker(ctx)) {
        ctx.state.analysis_kind = kind_before;
        ctx.state.loop_closed = loop_before;
        ctx.program.spline_degree = degree;
        ctx.program.division_count = divisions;
    }
}

} // namespace

bool single_spline(CommandContext& ctx)
{
    FormState& s = ctx.state;
    const double degree = ctx.program.spline_degree;
    const std::size_t n = s.point_count();
    if (!divisions_usable(ctx)) {
        return false;
    }
    if (!is_whole(degree) || degree < 0.0) {
        ctx.dialogs.show_message("スプライン次数は0以上の整数で指定して下さい（次数＝" +
                                 format_number(degree) + "）。");
        return false;
    }
    if (!enough_points(ctx, "単一スプライン", 2)) {
        return false;
    }
    if (degree >= static_cast<double>(n)) {
        ctx.dialogs.show_message("スプライン次数は点群数より小さくして下さい（次数＝" +
                                 format_number(degree) + "、点群数＝" + std::to_string(n) +
                                 "）。全点通過なら(点群数-1）次です。");
        return false;
    }
    SingleSpline fit;
    if (fit_single_spline(static_cast<std::size_t>(degree) + 1, s.points.xyz, fit) ==
        Status::error) {
        ctx.dialogs.show_message(
            "単一スプラインを求められませんでした。次数を下げて下さい（次数＝" +
            format_number(degree) + "）。");
        return false;
    }

    s.fitted_kind = analysis_kinds::single_spline;
    set_field(s, "Text6", "モノスプライン近似");
    set_field(s, "Label5", "中間点");
    s.poly_x = std::move(fit.x);
    s.poly_y = std::move(fit.y);
    s.poly_z = std::move(fit.z);
    s.line_point = fit.middle;
    s.axis_vector = fit.tangent;
    for (int k = 0; k < 3; ++k) {
        set_field(s, field_name("Text2", k), s.line_point[k]);
    }
    if (degree == 1.0) {
        for (int k = 0; k < 3; ++k) {
            set_field(s, field_name("Text2", k + 3), s.axis_vector[k]);
        }
        s.std_deviation = fit.line_deviation;
        set_field(s, "Label3(0)", "標準偏差");
        set_field(s, "Text3(0)", s.std_deviation);
    } else {
        for (int k = 3; k < 6; ++k) {
            set_field(s, field_name("Text2", k), "");
        }
        set_field(s, "Label3(0)", "");
        set_field(s, "Text3(0)", "");
    }
    set_field(s, "Label3(1)", "半径＝");
    set_field(s, "Text3(1)", "");
    clear_form_errors(s);

    redraw(ctx);
    single_spline_acceleration(ctx.picture2, s.poly_x, s.poly_y, s.poly_z);
    return true;
}

bool bspline_curve(CommandContext& ctx)
{
    FormState& s = ctx.state;
    const bool closed = s.loop_closed != 0;
    if (!divisions_usable(ctx) ||
        !enough_points(ctx, "Ｂスプライン" + loop_name(closed), bspline_min_points(closed))) {
        return false;
    }
    ControlPoints c;
    if (bspline_curve_points(s.points.xyz, closed, c) == Status::error) {
        return false; // not reached: the count was checked
    }
    store_control_points(s, std::move(c));
    s.fitted_kind = analysis_kinds::bspline;
    set_field(s, "Text6", "Ｂスプライン");
    set_field(s, "Label5", "");
    clear_form_errors(s);
    draw_bspline_result(ctx);
    return true;
}

bool inverse_bspline_curve(CommandContext& ctx)
{
    FormState& s = ctx.state;
    const bool closed = s.loop_closed != 0;
    if (!divisions_usable(ctx) ||
        !enough_points(ctx, "逆Ｂスプライン" + loop_name(closed), bspline_min_points(closed))) {
        return false;
    }
    ControlPoints c;
    const Status status =
        closed ? inverse_bspline_closed(s.points.xyz, c) : inverse_bspline_open(s.points.xyz, c);
    if (status == Status::error) {
        ctx.dialogs.show_message("逆Ｂスプラインの制御点を求められませんでした" +
                                 count_text(s.point_count()) + "。");
        return false;
    }
    store_control_points(s, std::move(c));
    s.fitted_kind = analysis_kinds::inverse_bspline;
    set_field(s, "Text6", "逆Ｂスプライン");
    set_field(s, "Label5", "");
    clear_form_errors(s);
    draw_bspline_result(ctx);
    return true;
}

void mono_spline_Click(CommandContext& ctx)
{
    run_spline_command(ctx, analysis_kinds::single_spline, -1, single_spline);
}
void bspline_kai_Click(CommandContext& ctx)
{
    run_spline_command(ctx, analysis_kinds::bspline, 0, bspline_curve);
}
void bspline_hei_Click(CommandContext& ctx)
{
    run_spline_command(ctx, analysis_kinds::bspline, 1, bspline_curve);
}
void reverse_bspline_kai_Click(CommandContext& ctx)
{
    run_spline_command(ctx, analysis_kinds::inverse_bspline, 0, inverse_bspline_curve);
}
void reverse_bspline_hei_Click(CommandContext& ctx)
{
    run_spline_command(ctx, analysis_kinds::inverse_bspline, 1, inverse_bspline_curve);
}
namespace {

const char* const merge_not_done = "制御点は統合されませんでした。";

/// A B-spline or inverse B-spline of the current cloud whose control arrays are still in place.
bool merge_source_present(const FormState& s)
{
    const bool closed = s.loop_closed != 0;
    const std::size_t n = s.point_count();
    const std::size_t size = n + 2 + (closed ? 1 : 0);
    return (s.analysis_kind == analysis_kinds::bspline ||
            s.analysis_kind == analysis_kinds::inverse_bspline) &&
           n >= bspline_min_points(closed) && s.control_x.size() == size &&
           s.control_y.size() == size && s.control_z.size() == size;
}

/// The new control polygon of the current curve; false after a message when there is none.
bool merged_polygon(CommandContext& ctx, std::vector<Vec3>& merged)
{
    const FormState& s = ctx.state;
    const bool closed = s.loop_closed != 0;
    const std::size_t n = s.point_count();
    const SegmentJerks jerks =
        segment_jerks(bspline_segment_count(n, closed), {s.control_x, s.control_y, s.control_z});
    const JerkGroups groups = group_jerks(jerks.jerk, jerks.max);
    const std::size_t k = groups.value.size();
    const std::string counts = "（区間数＝" + std::to_string(jerks.jerk.size()) + "、グループ数＝" +
                               std::to_string(k) + "）";
    if (closed && k < 3) {
        ctx.dialogs.show_message(std::string(merge_not_done) +
                                 "閉ループでは３階微分の揃った区間のグループが３つ以上必要です" +
                                 counts + "。");
        return false;
    }
    if (!closed && k < 2) {
        ctx.dialogs.show_message(std::string(merge_not_done) +
                                 "全区間の３階微分が揃っていて１つのグループになり、開ループの"
                                 "新しい制御点が決まりません" +
                                 counts + "。");
        return false;
    }
    const Vec3 first = s.points.xyz.front();
    const Status status = closed ? merge_closed(s.analysis_kind == analysis_kinds::inverse_bspline,
                                                groups.value, first, merged)
                                 : merge_open(groups.value, first, s.points.xyz.back(), merged);
    if (status == Status::error) {
        ctx.dialogs.show_message(std::string(merge_not_done) +
                                 "新しい制御点が数値の範囲を超えました" + counts + "。");
        return false;
    }
    return true;
}

} // namespace

void redraw_graph(CommandContext& ctx)
{
    const FormState& s = ctx.state;
    const std::size_t n = s.point_count();
    const bool closed = s.loop_closed != 0;
    const std::size_t control_size = n + 2 + (closed ? 1 : 0);
    const bool bspline_kind = s.analysis_kind == analysis_kinds::bspline ||
                              s.analysis_kind == analysis_kinds::inverse_bspline;
    if (s.analysis_kind == analysis_kinds::single_spline &&
        s.fitted_kind == analysis_kinds::single_spline && !s.poly_x.empty() &&
        s.poly_y.size() == s.poly_x.size() && s.poly_z.size() == s.poly_x.size()) {
        single_spline_acceleration(ctx.picture2, s.poly_x, s.poly_y, s.poly_z);
    } else if (bspline_kind && s.fitted_kind == s.analysis_kind &&
               n >= bspline_min_points(closed) && s.control_x.size() == control_size &&
               s.control_y.size() == control_size && s.control_z.size() == control_size) {
        bspline_acceleration(ctx.picture2, n, {s.control_x, s.control_y, s.control_z}, closed);
    } else {
        ctx.picture2.clear();
    }
}

void spline_tougou_Click(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (!merge_source_present(s)) {
        ctx.dialogs.show_message(std::string(merge_not_done) + "この点群（点群数＝" +
                                 std::to_string(s.point_count()) +
                                 "）のＢスプライン制御点がありません。Ｂスプラインか逆Ｂスプライン"
                                 "を実行してから制御点統合して下さい。");
        return;
    }
    std::vector<Vec3> merged;
    if (!merged_polygon(ctx, merged)) {
        return;
    }
    // The new control points become the cloud; the labels of the old points mean nothing here.
    PointCloud fresh;
    fresh.reserve(merged.size());
    for (const Vec3& p : merged) {
        fresh.add(p);
    }
    s.points = std::move(fresh);
    after_load(ctx);
    csv_file_output_Click(ctx); // the user may save the new points, or cancel
    s.analysis_kind = analysis_kinds::bspline;
    rerun_analysis(ctx);
}

} // namespace tengun
