// File commands: import, merge and export of point files.
#include <algorithm>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "formats/bitmap_points.h"
#include "formats/csv_points.h"
#include "formats/iges_points.h"
#include "formats/pix_points.h"

namespace tengun {

void csv_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::csv)) {
        return;
    }
    PointCloud fresh;
    if (!read_chosen_points(ctx, read_csv_points, fresh)) {
        return;
    }
    ctx.state.points = std::move(fresh);
    after_load(ctx);
}

void csv_merge_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::csv)) {
        return;
    }
    PointCloud merged;
    if (!read_chosen_points(ctx, read_csv_points, merged)) {
        return;
    }
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
}

void csv_file_output_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::csv)) {
        return;
    }
    if (ctx.state.points.empty()) {
        // An empty file would only replace whatever the chosen name held.
        ctx.dialogs.show_message("ファイルは作成されませんでした。保存する点群がありません。");
        return;
    }
    std::string name = ctx.program.selected_file_name;
    force_extension(name, ".csv");
    std::string text;
    if (write_csv_points(ctx.state.points.xyz, text, ctx.progress) == Status::error ||
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
