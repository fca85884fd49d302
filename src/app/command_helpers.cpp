#include "app/command_helpers.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "geometry/cloud_measures.h"
#include "geometry/number_text.h"
#include "view/draw_view.h"
#include "view/view_transform.h"

namespace tengun {

void redraw(CommandContext& ctx)
{
    draw_view(ctx.picture1, ctx.state, ctx.program);
}

void preview_redraw(CommandContext& ctx)
{
    ViewPreview& preview = *ctx.preview;
    const auto start = std::chrono::steady_clock::now();
    draw_view_preview(ctx.picture1, ctx.state, ctx.program, preview.budget, preview.chosen);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::size_t items = std::max(ctx.state.point_count(), ctx.state.triangle_count());
    const std::size_t drawn = std::min(items, preview.budget);
    if (drawn < 1000 || seconds <= 0.0) {
        return; // too little drawn to time
    }
    // Halfway towards what fits, so one slow frame (another program busy) does not halve it.
    const double fits = static_cast<double>(drawn) * preview.frame_seconds / seconds;
    const double budget = static_cast<double>(preview.budget);
    if (fits > 0.85 * budget && fits < 1.2 * budget) {
        return; // near enough: keep the points chosen
    }
    const double next = std::clamp(0.5 * (budget + fits), 2e4, 1e9);
    // On a ladder of steps of about 9 %, so that the chosen points are kept from frame to frame
    // once the budget has settled, rather than chosen again for every small change.
    const double step = std::log(1.09);
    preview.budget = static_cast<std::size_t>(std::exp(std::round(std::log(next) / step) * step));
}

void after_load(CommandContext& ctx)
{
    FormState& s = ctx.state;
    const std::size_t n = s.point_count();
    s.marker_mode = n < 500 ? 0 : 1;
    s.analysis_kind = analysis_kinds::none;
    s.fitted_kind = analysis_kinds::none; // the results held are of the cloud before
    set_field(s, "Text5", ctx.program.selected_file_name);
    set_field(s, "Text7", static_cast<double>(n));
    fit_view_to_cloud(ctx);
    s.base_point_count = n;
    s.selection.clear();
    s.deviation_display = false;
    clear_form_errors(s);
}

void fit_view_to_cloud(CommandContext& ctx)
{
    FormState& s = ctx.state;
    s.rotation_centre = Vec3{};
    for (int k = 0; k < 3; ++k) {
        set_field(s, field_name("Text9", k), s.rotation_centre[k]);
    }
    s.view_extent = fit_view_extent(s.points.xyz, 3).extent;
    s.view_scale = ctx.picture1.scale_width() / s.view_extent / 2.0;
    s.view_matrix = set_default_view();
    s.view_at_load = s.view_setting();
}

bool view_as_loaded(const FormState& state)
{
    return state.view_setting() == state.view_at_load;
}

bool choose_file(CommandContext& ctx, int file_kind)
{
    ctx.program.file_kind = file_kind;
    ctx.dialogs.choose_file(ctx.program);
    return file_chosen(ctx.program);
}

bool read_chosen_file(CommandContext& ctx, FileBytes& file)
{
    ReadError error;
    const auto open = [&] { return open_file_bytes(ctx.program.selected_file_name, file, error); };
    if (read_guarded(open, error) == Status::error) {
        show_load_error(ctx, error);
        return false;
    }
    return true;
}

std::string empty_file_reason(FileFormat format)
{
    switch (format) {
    case FileFormat::pix:
        return "高さが０でない測定点がありません。";
    case FileFormat::bmp:
        return "点になる画素がありません。";
    case FileFormat::iges:
        return "線分（要素番号110）がありません。";
    case FileFormat::stl_ascii:
    case FileFormat::stl_binary:
        return "三角形（facet）がありません。";
    case FileFormat::ply:
    case FileFormat::obj:
        return "頂点がありません。";
    default:
        return "点がありません。";
    }
}

void load_mesh(CommandContext& ctx, LoadedMesh&& mesh, MeshLoad mesh_load,
               const std::string& empty_reason)
{
    FormState& s = ctx.state;
    const bool has_triangles = mesh.triangle_count() > 0;
    // The one allocation of this step comes before the form changes: memory running out here
    // leaves the form as it was, like a reader that runs out.
    std::vector<double> tags;
    ReadError error;
    const auto make_tags = [&] {
        tags.assign(mesh.triangle_count(), 0.0);
        return Status::ok;
    };
    if (mesh_load != MeshLoad::keep && read_guarded(make_tags, error) == Status::error) {
        show_load_error(ctx, error);
        return;
    }
    if (mesh_load != MeshLoad::keep) {
        s.tri_a = std::move(mesh.tri_a);
        s.tri_b = std::move(mesh.tri_b);
        s.tri_c = std::move(mesh.tri_c);
        s.tri_tag = std::move(tags);
    }
    s.points = std::move(mesh.points);
    after_load(ctx);
    if (mesh_load == MeshLoad::replace_show || (mesh_load == MeshLoad::replace && has_triangles)) {
        s.surface_display = surface_modes::mesh;
    }
    const std::string& file = ctx.program.selected_file_name;
    if (s.points.empty()) {
        ctx.dialogs.show_message("ファイル「" + file + "」には" + empty_reason +
                                 "点群は空になりました。");
    }
    show_load_notes(ctx, mesh.notes);
}

void show_load_notes(CommandContext& ctx, const std::vector<std::string>& notes)
{
    if (notes.empty()) {
        return;
    }
    std::string text = "ファイル「" + ctx.program.selected_file_name + "」を読み込みました。";
    for (const std::string& note : notes) {
        text += "\n" + note;
    }
    ctx.dialogs.show_message(text);
}

ShortRowQuestion short_row_question(CommandContext& ctx)
{
    return [&ctx](std::size_t line) {
        const Choice choice{"数値が３つない行",
                            {{"refuse", "読み込まない"},
                             {"skip", "そのような行をすべて飛ばして読み込む（飛ばした行の数を"
                                      "お知らせします）"}},
                            0,
                            "ファイル「" + ctx.program.selected_file_name + "」の" +
                                std::to_string(line) +
                                "行目に x, y, z の３つの数値がありません。"};
        ctx.dialogs.ask_choice(ctx.program, choice);
        return !ctx.program.dialog_cancelled && ctx.program.chosen_option == 1;
    };
}

std::string load_error_message(const std::string& file, const ReadError& error)
{
    std::string text = "ファイル「" + file + "」を読み込めませんでした。\n";
    if (error.line > 0) {
        text += std::to_string(error.line) + "行目";
        if (error.field > 0) {
            text += "の" + std::to_string(error.field) + "番目の値";
        }
        text += "：";
    } else if (error.offset) {
        text += std::to_string(*error.offset) + "バイト目：";
    }
    text += error.reason + "\n読み込み済みの点群はそのままです。";
    return text;
}

void show_load_error(CommandContext& ctx, const ReadError& error)
{
    ctx.dialogs.show_error(load_error_message(ctx.program.selected_file_name, error));
}

void show_load_failure(CommandContext& ctx, const ReadError& error)
{
    if (!ctx.progress.stopped()) {
        show_load_error(ctx, error);
    }
}

BytesPassed load_progress(CommandContext& ctx, const FileBytes& file)
{
    const auto size = static_cast<double>(std::max<std::size_t>(file.bytes().size(), 1));
    return [&ctx, &file, size](std::size_t offset) {
        file.release_before(offset);
        ctx.progress(static_cast<double>(offset) / size, "読み込み");
        return !ctx.progress.stopped();
    };
}

bool write_chosen_file(CommandContext& ctx, const std::string& file, std::string_view bytes)
{
    std::string reason;
    if (write_whole_file(file, bytes, reason) == Status::error) {
        ctx.dialogs.show_error("ファイル「" + file + "」を作成できませんでした。\n" + reason);
        return false;
    }
    return true;
}

std::string field_name(const char* control, int k)
{
    return std::string(control) + "(" + std::to_string(k) + ")";
}

void show_plane_row(FormState& state)
{
    for (int k = 0; k < 3; ++k) {
        set_field(state, field_name("Text1", k), state.axis_vector[k]);
    }
    set_field(state, "Text1(3)", state.plane_offset);
    for (int k = 0; k < 3; ++k) {
        set_field(state, field_name("Text2", k), state.plane_offset * state.axis_vector[k]);
    }
}

const char* form_word(FormKind kind)
{
    switch (kind) {
    case FormKind::flatness:
        return "平面度";
    case FormKind::straightness:
        return "真直度";
    case FormKind::roundness:
        return "真円度";
    case FormKind::sphericity:
        return "真球度";
    case FormKind::cylindricity:
        return "円筒度";
    case FormKind::none:
        break;
    }
    return "";
}

void show_form_error_fields(FormState& state)
{
    const FormErrors& e = state.form_errors;
    if (e.least_squares.kind == FormKind::none) {
        for (const char* name : {"Label13", "Text10(0)", "Text10(1)", "Label15"}) {
            set_field(state, name, "");
        }
        return;
    }
    set_field(state, "Label13", form_word(e.least_squares.kind));
    set_field(state, "Text10(0)", e.least_squares.width);
    set_field(state, "Text10(1)", e.minimum_zone.width);
    set_field(state, "Label15",
              e.least_squares_is_minimal ? "最小二乗の形体がすでに最小領域です" : "");
}

void clear_form_errors(FormState& state)
{
    state.form_errors = {};
    show_form_error_fields(state);
}

void set_field(FormState& state, const std::string& name, const std::string& text)
{
    state.fields[name] = text;
}

void set_field(FormState& state, const std::string& name, double value)
{
    state.fields[name] = format_number(value);
}

} // namespace tengun
