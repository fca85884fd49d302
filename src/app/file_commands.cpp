// File commands: import, merge and export of point files.
#include <algorithm>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "formats/bitmap_points.h"
#include "formats/csv_points.h"
#include "formats/iges_points.h"
#include "formats/pix_points.h"

namespace tengun {

namespace {

/// Reads the chosen CSV file into `fresh` (a short row asks whether to skip such rows); on
/// failure shows the message and returns false.
bool read_chosen_csv(CommandContext& ctx, LoadedMesh& fresh)
{
    FileBytes file;
    if (!read_chosen_file(ctx, file)) {
        return false;
    }
    ReadError error;
    const auto parse = [&] {
        return read_csv_points(file.bytes(), fresh, error, load_progress(ctx, file),
                               short_row_question(ctx));
    };
    if (read_guarded(parse, error) == Status::error) {
        show_load_failure(ctx, error);
        return false;
    }
    return true;
}

/// The CSV save's precision: 15 significant digits (preselected), or every digit.
Choice precision_choice()
{
    return {"CSVの保存精度",
            {{"standard", "有効数字15桁"}, {"full", "完全な精度（読み戻すと同じ値：最大17桁）"}},
            0};
}
constexpr int full_precision_option = 1;

}  // namespace

void csv_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::csv)) {
        return;
    }
    LoadedMesh fresh;
    if (read_chosen_csv(ctx, fresh)) {
        load_mesh(ctx, std::move(fresh), MeshLoad::keep, empty_file_reason(FileFormat::csv));
    }
}

void csv_merge_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::csv)) {
        return;
    }
    LoadedMesh read;
    if (!read_chosen_csv(ctx, read)) {
        return;
    }
    const PointCloud& merged = read.points;
    // After a removal the cloud may hold fewer points than the base: keep what is there.
    const std::size_t base = std::min(ctx.state.base_point_count, ctx.state.point_count());
    PointCloud combined;
    ReadError error;
    const auto merge = [&] {
        combined = merge_csv_points(ctx.state.points, base, merged);
        return Status::ok;
    };
    if (read_guarded(merge, error) == Status::error) {
        show_load_error(ctx, error);
        return;
    }
    ctx.state.points = std::move(combined);
    after_load(ctx);
    ctx.state.base_point_count = base;
    show_load_notes(ctx, read.notes);
}

void csv_file_output_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::csv)) {
        return;
    }
    if (ctx.state.points.empty()) {
        // An empty file would only replace whatever the chosen name held.
        ctx.dialogs.show_error("ファイルは作成されませんでした。保存する点群がありません。");
        return;
    }
    ctx.dialogs.ask_choice(ctx.program, precision_choice());
    if (ctx.program.dialog_cancelled) {
        return;
    }
    const NumberPrecision precision = ctx.program.chosen_option == full_precision_option
                                          ? NumberPrecision::full
                                          : NumberPrecision::standard;
    std::string name = ctx.program.selected_file_name;
    force_extension(name, ".csv");
    std::string text;
    if (write_csv_points(ctx.state.points.xyz, text, ctx.progress, precision) == Status::error ||
        !write_chosen_file(ctx, name, text)) {
        return; // stopped, or the file could not be written (the user was told)
    }
    ctx.program.selected_file_name = name;
    set_field(ctx.state, "Text5", name);
    ctx.state.base_point_count = ctx.state.point_count();
}

namespace {

/// Replaces the cloud and runs the after-load step; an empty cloud is loaded too, with a
/// message saying so. The mesh stays.
void load_points(CommandContext& ctx, PointCloud&& fresh, const std::string& empty_reason)
{
    LoadedMesh mesh;
    mesh.points = std::move(fresh);
    load_mesh(ctx, std::move(mesh), MeshLoad::keep, empty_reason);
}

}  // namespace

void pix_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::pix)) {
        return;
    }
    PointCloud fresh;
    if (read_chosen_points(ctx, read_pix_points, fresh)) {
        load_points(ctx, std::move(fresh), empty_file_reason(FileFormat::pix));
    }
}

void vivid_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::bmp)) {
        return;
    }
    PointCloud fresh;
    if (read_chosen_points(ctx, read_bitmap_points, fresh)) {
        load_points(ctx, std::move(fresh), empty_file_reason(FileFormat::bmp));
    }
}

void iges_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::igs)) {
        return;
    }
    PointCloud fresh;
    if (read_chosen_points(ctx, read_iges_points, fresh)) {
        load_points(ctx, std::move(fresh), empty_file_reason(FileFormat::iges));
    }
}

}  // namespace tengun
