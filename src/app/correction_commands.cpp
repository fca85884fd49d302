// Data correction: residual displays, outlier removal, thinning.
#include "app/command_helpers.h"
#include "app/commands.h"

namespace tengun {

void zen_hyouji_Click(CommandContext& ctx) { redraw(ctx); }
void ijou1_hyouji_Click(CommandContext& ctx) { redraw(ctx); }
void ijou10_hyouji_Click(CommandContext& ctx) { redraw(ctx); }
void ijou_shoukyo_Click(CommandContext& ctx) { redraw(ctx); }

void data_mabiki_Click(CommandContext& ctx)
{
    ctx.dialogs.ask_thinning_angle(ctx.program);
    if (ctx.program.dialog_cancelled) {
        return;
    }
    redraw(ctx);
}

void bmp_mabiki_Click(CommandContext& ctx) { (void)choose_file(ctx, file_kinds::bmp); }

}  // namespace tengun
