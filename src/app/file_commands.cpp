// File commands: import, merge and export of point files.
#include <algorithm>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "formats/csv_points.h"

namespace tengun {

void csv_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::csv)) {
        return;
    }
    std::string bytes;
    if (!read_chosen_file(ctx, bytes)) {
        return;
    }
    PointCloud fresh;
    ReadError error;
    if (read_csv_points(bytes, fresh, error) == Status::error) {
        show_load_error(ctx, error);
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
    std::string bytes;
    if (!read_chosen_file(ctx, bytes)) {
        return;
    }
    PointCloud merged;
    ReadError error;
    if (read_csv_points(bytes, merged, error) == Status::error) {
        show_load_error(ctx, error);
        return;
    }
    // After a removal the cloud may hold fewer points than the base: keep what is there.
    const std::size_t base = std::min(ctx.state.base_point_count, ctx.state.point_count());
    ctx.state.points = merge_csv_points(ctx.state.points, base, merged);
    after_load(ctx);
    ctx.state.base_point_count = base;
}

void csv_file_output_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::csv)) {
        return;
    }
    std::string name = ctx.program.selected_file_name;
    force_extension(name, ".csv");
    if (!write_chosen_file(ctx, name, write_csv_points(ctx.state.points.xyz))) {
        return;
    }
    ctx.program.selected_file_name = name;
    set_field(ctx.state, "Text5", name);
    ctx.state.base_point_count = ctx.state.point_count();
}

void pix_file_input_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::pix); }
void vivid_file_input_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::bmp); }
void iges_file_input_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::igs); }
void stl_file_input_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::stl); }
void stl_file_output_Click(CommandContext& /*ctx*/) {}

}  // namespace tengun
