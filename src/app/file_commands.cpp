// File commands: import, merge and export of point files.
#include "app/command_helpers.h"
#include "app/commands.h"

namespace tengun {

void csv_file_input_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::csv); }
void csv_merge_input_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::csv); }
void pix_file_input_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::pix); }
void vivid_file_input_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::bmp); }
void iges_file_input_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::igs); }
void stl_file_input_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::stl); }
void csv_file_output_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::csv); }
void spline_csv_file_output_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::csv); }
void seigyoten_output_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::csv); }
void stl_file_output_Click(CommandContext& /*ctx*/) {}

}  // namespace tengun
