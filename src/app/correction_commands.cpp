// Data correction: residual displays, outlier removal with recompute, thinning.
#include <algorithm>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "correction/keep_points.h"
#include "correction/marks.h"
#include "correction/outlier_removal.h"
#include "correction/residual_marks.h"
#include "correction/thinning.h"
#include "view/deviation_colours.h"

namespace tengun {

void rerun_analysis(CommandContext& ctx)
{
    switch (ctx.state.analysis_kind) {
    case analysis_kinds::plane:
        show_plane_result(ctx);
        break;
    case analysis_kinds::sphere:
        show_sphere_result(ctx);
        break;
    case analysis_kinds::arc:
        show_arc_result(ctx);
        break;
    case analysis_kinds::cylinder:
        show_cylinder_result(ctx);
        break;
    case analysis_kinds::line:
        show_line_result(ctx);
        break;
    case analysis_kinds::single_spline:
        (void)single_spline(ctx);
        break;
    case analysis_kinds::bspline:
        (void)bspline_curve(ctx);
        break;
    case analysis_kinds::inverse_bspline:
        (void)inverse_bspline_curve(ctx);
        break;
    default:
        break;
    }
    redraw(ctx);
}

void zen_hyouji_Click(CommandContext& ctx)
{
    clear_marks(ctx.state.points);
    rerun_analysis(ctx);
}

void ijou1_hyouji_Click(CommandContext& ctx)
{
    FormState& s = ctx.state;
    (void)mark_worst_point(s.analysis_kind, s.points.xyz, s.points.label, fitted_shape(s));
    rerun_analysis(ctx);
}

void ijou10_hyouji_Click(CommandContext& ctx)
{
    FormState& s = ctx.state;
    (void)mark_beyond_deviation(s.analysis_kind, s.points.xyz, s.points.label, fitted_shape(s));
    rerun_analysis(ctx);
}

void ijou_shoukyo_Click(CommandContext& ctx)
{
    FormState& s = ctx.state;
    // The points that stay (mark 1), so that the selection and the mesh can follow them.
    std::vector<std::uint8_t> keep(s.point_count());
    std::transform(s.points.label.begin(), s.points.label.end(), keep.begin(),
                   [](double mark) { return mark == 1.0 ? 1 : 0; });
    if (remove_shown_points(s.points) == 0) {
        return;  // nothing selected: nothing to remove
    }
    keep_flags(s.selection, keep);
    keep_triangles(keep, s.tri_a, s.tri_b, s.tri_c, s.tri_tag);
    // The merged run may have lost points: the base is never more than what is left.
    s.base_point_count = std::min(s.base_point_count, s.point_count());
    set_field(s, "Text7", static_cast<double>(s.point_count()));
    rerun_analysis(ctx);
}

void data_mabiki_Click(CommandContext& ctx)
{
    ctx.dialogs.ask_thinning_angle(ctx.program);
    if (ctx.program.dialog_cancelled) {
        return;
    }
    if (ctx.state.points.empty()) {
        ctx.dialogs.show_message("間引く点群がありません。先にファイルを読み込んで下さい。");
        return;
    }
    PointCloud thinned;
    if (thin_by_direction(ctx.state.points.xyz, ctx.program.thinning_angle, thinned,
                          ctx.progress) == Status::error) {
        return; // stopped: nothing changed
    }
    ctx.state.points = std::move(thinned);
    after_load(ctx);
}

void bmp_mabiki_Click(CommandContext& ctx)
{
    // The angle dialog first; a cancelled one keeps the previous angle, the chooser decides.
    ctx.dialogs.ask_thinning_angle(ctx.program);
    if (!choose_file(ctx, file_kinds::bmp)) {
        return;
    }
    const double angle = ctx.program.thinning_angle;
    const auto thin = [angle](std::string_view bytes, PointCloud& cloud, ReadError& error) {
        return thin_bitmap_rows(bytes, angle, cloud, error);
    };
    PointCloud fresh;
    if (!read_chosen_points(ctx, thin, fresh)) {
        return;
    }
    ctx.state.points = std::move(fresh);
    after_load(ctx);
}

}  // namespace tengun
