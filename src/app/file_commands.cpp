// File commands: import, merge and export of point files.
#include <algorithm>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "formats/bitmap_points.h"
#include "formats/csv_points.h"
#include "formats/iges_points.h"
#include "formats/pix_points.h"
#include "formats/stl_mesh.h"

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
    ctx.state.points = merge_csv_points(ctx.state.points, base, merged);
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
    if (!write_chosen_file(ctx, name, write_csv_points(ctx.state.points.xyz))) {
        return;
    }
    ctx.program.selected_file_name = name;
    set_field(ctx.state, "Text5", name);
    ctx.state.base_point_count = ctx.state.point_count();
}

namespace {

/// Replaces the cloud and runs the after-load step; an empty cloud is loaded too, with a
/// message saying so.
void load_points(CommandContext& ctx, PointCloud&& fresh, const std::string& empty_reason)
{
    ctx.state.points = std::move(fresh);
    after_load(ctx);
    if (ctx.state.points.empty()) {
        ctx.dialogs.show_message("ファイル「" + ctx.program.selected_file_name + "」には" +
                                 empty_reason + "点群は空になりました。");
    }
}

}  // namespace

void pix_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::pix)) {
        return;
    }
    PointCloud fresh;
    if (read_chosen_points(ctx, read_pix_points, fresh)) {
        load_points(ctx, std::move(fresh), "高さが０でない測定点がありません。");
    }
}

void vivid_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::bmp)) {
        return;
    }
    PointCloud fresh;
    if (read_chosen_points(ctx, read_bitmap_points, fresh)) {
        load_points(ctx, std::move(fresh), "点になる画素がありません。");
    }
}

void iges_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::igs)) {
        return;
    }
    PointCloud fresh;
    if (read_chosen_points(ctx, read_iges_points, fresh)) {
        load_points(ctx, std::move(fresh), "線分（要素番号110）がありません。");
    }
}

void stl_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::stl)) {
        return;
    }
    std::string bytes;
    if (!read_chosen_file(ctx, bytes)) {
        return;
    }
    StlMesh mesh;
    ReadError error;
    if (read_stl_mesh(bytes, mesh, error) == Status::error) {
        show_load_error(ctx, error);
        return;
    }
    FormState& s = ctx.state;
    s.tri_a = std::move(mesh.tri_a);
    s.tri_b = std::move(mesh.tri_b);
    s.tri_c = std::move(mesh.tri_c);
    s.tri_tag.assign(s.tri_a.size(), 0.0);
    load_points(ctx, std::move(mesh.points), "三角形（facet）がありません。");
    s.surface_display = surface_modes::mesh;
    if (mesh.cut_short) {
        ctx.dialogs.show_message("ファイル「" + ctx.program.selected_file_name +
                                 "」は三角形の途中で終わっています。最後の不完全な三角形は読み込み"
                                 "ませんでした。");
    }
}

void stl_file_output_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::stl)) {
        return;
    }
    const FormState& s = ctx.state;
    if (s.triangle_count() == 0) {
        ctx.dialogs.show_message("ファイルは作成されませんでした。面張りを実行するかSTLファイルを"
                                 "読み込んでからファイル出力して下さい。");
        return;
    }
    const auto in_cloud = [n = s.point_count()](int c) {
        return c >= 1 && static_cast<std::size_t>(c) <= n;
    };
    for (std::size_t t = 0; t < s.triangle_count(); ++t) {
        if (!in_cloud(s.tri_a[t]) || !in_cloud(s.tri_b[t]) || !in_cloud(s.tri_c[t])) {
            ctx.dialogs.show_message("ファイルは作成されませんでした。メッシュが現在の点群にない点を"
                                     "指しています。面張りをやり直してからファイル出力して下さい。");
            return;
        }
    }
    std::string name = ctx.program.selected_file_name;
    force_extension(name, ".stl");
    if (!write_chosen_file(ctx, name, write_stl_mesh(s.points.xyz, s.tri_a, s.tri_b, s.tri_c))) {
        return;
    }
    ctx.program.selected_file_name = name;
}

}  // namespace tengun
