// Spline result files: pass points and control points written as CSV and loaded back.
#include "app/command_helpers.h"
#include "app/commands.h"

namespace tengun {

void spline_csv_file_output_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::csv); }
void seigyoten_output_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::csv); }

}  // namespace tengun
