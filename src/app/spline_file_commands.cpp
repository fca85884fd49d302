// Spline result files: pass points sampled along the last spline and its control points,
// written as CSV and loaded back as the new cloud. Control-point arrays start at index 0 like
// the curve formulas (main control points at 1..N): no index shift.
#include <cmath>
#include <string>
#include <vector>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "formats/csv_points.h"
#include "geometry/number_text.h"
#include "spline/bspline_curve.h"
#include "spline/single_spline.h"

namespace tengun {

namespace {

const char* const no_spline_message =
    "ファイルは作成されませんでした。スプラインを実行してからファイル出力して下さい。";

/// Whole pieces of a (possibly fractional) count, as the view draws them; 0 when there are none.
std::size_t whole_count(double v)
{
    return std::isfinite(v) && v >= 1.0 ? static_cast<std::size_t>(v) : 0;
}

/// The single spline at s = j / M, M = N·D, j = 0..M: M + 1 lines.
std::string write_single_spline_points(std::size_t intervals, const FormState& s)
{
    return write_csv_points(sample_single_spline(s.poly_x, s.poly_y, s.poly_z, intervals));
}

/// D points per segment from t = 0, and the end of an open curve: S·D (+1) lines.
std::string write_bspline_points(std::size_t segments, const FormState& s, std::size_t divisions)
{
    return write_csv_points(sample_bspline_curve({s.control_x, s.control_y, s.control_z}, segments,
                                                 divisions, s.loop_closed != 0));
}

/// Control points 1..N, one a line.
std::string write_control_points(std::size_t n, const FormState& s)
{
    std::vector<Vec3> main(n);
    for (std::size_t i = 1; i <= n; ++i) {
        main[i - 1] = {s.control_x[i], s.control_y[i], s.control_z[i]};
    }
    return write_csv_points(main);
}

bool single_spline_stored(const FormState& s)
{
    return !s.poly_x.empty() && s.poly_x.size() == s.poly_y.size() &&
           s.poly_x.size() == s.poly_z.size();
}

/// Control arrays that belong to a curve through the current cloud.
bool control_points_stored(const FormState& s)
{
    const std::size_t size = s.point_count() + 2 + (s.loop_closed != 0 ? 1 : 0);
    return s.point_count() > 0 && s.control_x.size() == size && s.control_y.size() == size &&
           s.control_z.size() == size;
}

void report_no_pass_points(CommandContext& ctx)
{
    ctx.dialogs.show_error("ファイルは作成されませんでした。通過点がありません（点群数＝" +
                             std::to_string(ctx.state.point_count()) + "、点間の分割数＝" +
                             format_number(ctx.program.division_count) + "）。");
}

/// The pass points of the current spline as CSV text; false (after a message) when there are
/// none to write.
bool pass_points_text(CommandContext& ctx, std::string& text)
{
    const FormState& s = ctx.state;
    const std::size_t n = s.point_count();
    switch (s.analysis_kind) {
    case analysis_kinds::single_spline: {
        if (!single_spline_stored(s)) {
            break;
        }
        const std::size_t intervals =
            whole_count(static_cast<double>(n) * ctx.program.division_count);
        if (intervals == 0) {
            report_no_pass_points(ctx);
            return false;
        }
        text = write_single_spline_points(intervals, s);
        return true;
    }
    case analysis_kinds::bspline:
    case analysis_kinds::inverse_bspline: {
        if (!control_points_stored(s)) {
            break;
        }
        const std::size_t segments = bspline_segment_count(n, s.loop_closed != 0);
        const std::size_t divisions = whole_count(ctx.program.division_count);
        if (segments == 0 || divisions == 0) {
            report_no_pass_points(ctx);
            return false;
        }
        text = write_bspline_points(segments, s, divisions);
        return true;
    }
    default:
        break;
    }
    ctx.dialogs.show_error(no_spline_message);
    return false;
}

/// Writes the chosen file (forced to .csv) and loads it back as the new cloud.
void write_and_reload(CommandContext& ctx, const std::string& text)
{
    std::string name = ctx.program.selected_file_name;
    force_extension(name, ".csv");
    if (!write_chosen_file(ctx, name, text)) {
        return;
    }
    ctx.program.selected_file_name = name;
    PointCloud fresh;
    const auto read = [](std::string_view bytes, PointCloud& cloud, ReadError& error,
                         const BytesPassed& passed) {
        return read_csv_points(bytes, cloud, error, passed);
    };
    if (!read_chosen_points(ctx, read, fresh)) {
        return;
    }
    ctx.state.points = std::move(fresh);
    after_load(ctx);
}

} // namespace

void spline_csv_file_output_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::csv)) {
        return;
    }
    std::string text;
    if (pass_points_text(ctx, text)) {
        write_and_reload(ctx, text);
    }
}

void seigyoten_output_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::csv)) {
        return;
    }
    if (!control_points_stored(ctx.state)) {
        ctx.dialogs.show_error(
            "ファイルは作成されませんでした。この点群（点群数＝" +
            std::to_string(ctx.state.point_count()) +
            "）のＢスプライン制御点がありません。Ｂスプラインか逆Ｂスプラインを実行してからファイル"
            "出力して下さい。");
        return;
    }
    write_and_reload(ctx, write_control_points(ctx.state.point_count(), ctx.state));
}

} // namespace tengun
