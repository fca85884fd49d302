// Mesh file commands: STL of either kind in, STL (binary or ASCII) and PLY out.
#include "app/command_helpers.h"
#include "app/commands.h"
#include "formats/csv_points.h"
#include "formats/ply_mesh.h"
#include "formats/stl_binary.h"
#include "formats/stl_mesh.h"

namespace tengun {

namespace {

/// The save dialog's encodings, binary first and preselected.
Choice encoding_choice(const std::string& title, const std::string& binary_caption)
{
    return {title, {{"binary", binary_caption}, {"ascii", "アスキー"}}, 0};
}
constexpr int binary_option = 0;

/// True when every corner of the mesh is a point of the current cloud.
bool mesh_fits_cloud(const FormState& s)
{
    const auto in_cloud = [n = s.point_count()](int c) {
        return c >= 1 && static_cast<std::size_t>(c) <= n;
    };
    for (std::size_t t = 0; t < s.triangle_count(); ++t) {
        if (!in_cloud(s.tri_a[t]) || !in_cloud(s.tri_b[t]) || !in_cloud(s.tri_c[t])) {
            return false;
        }
    }
    return true;
}

}  // namespace

void stl_file_input_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::stl)) {
        return;
    }
    FileBytes file;
    if (!read_chosen_file(ctx, file)) {
        return;
    }
    LoadedMesh mesh;
    ReadError error;
    const auto read = [&] { return read_stl(file.bytes(), mesh, error, load_progress(ctx, file)); };
    if (read_guarded(read, error) == Status::error) {
        show_load_failure(ctx, error);
        return;
    }
    file = FileBytes{};
    load_mesh(ctx, std::move(mesh), MeshLoad::replace_show,
              empty_file_reason(FileFormat::stl_ascii));
}

void stl_file_output_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::stl)) {
        return;
    }
    const FormState& s = ctx.state;
    if (s.triangle_count() == 0) {
        ctx.dialogs.show_error("ファイルは作成されませんでした。面張りを実行するかSTLファイルを"
                                 "読み込んでからファイル出力して下さい。");
        return;
    }
    if (!mesh_fits_cloud(s)) {
        ctx.dialogs.show_error("ファイルは作成されませんでした。メッシュが現在の点群にない点を"
                                 "指しています。面張りをやり直してからファイル出力して下さい。");
        return;
    }
    ctx.dialogs.ask_choice(ctx.program, encoding_choice("STLの保存形式", "バイナリ"));
    if (ctx.program.dialog_cancelled) {
        return;
    }
    const bool binary = ctx.program.chosen_option == binary_option;
    SinglePrecisionLoss loss;
    if (binary) {
        loss = single_precision_loss(s.points.xyz, s.tri_a, s.tri_b, s.tri_c);
        if (loss.out_of_range) {
            ctx.dialogs.show_error(
                "ファイルは作成されませんでした。座標が単精度の範囲（約3.4E+38）を超えるため、"
                "バイナリSTLには保存できません。アスキー形式を選んで下さい。");
            return;
        }
    }
    std::string name = ctx.program.selected_file_name;
    force_extension(name, ".stl");
    const std::string bytes = binary ? write_binary_stl(s.points.xyz, s.tri_a, s.tri_b, s.tri_c)
                                     : write_stl_mesh(s.points.xyz, s.tri_a, s.tri_b, s.tri_c);
    if (!write_chosen_file(ctx, name, bytes)) {
        return;
    }
    ctx.program.selected_file_name = name;
    if (loss.merged_corners > 0) {
        ctx.dialogs.show_message(
            "ファイル「" + name + "」を保存しました。バイナリSTLは座標を単精度で保存するため、" +
            std::to_string(loss.merged_corners) +
            "個の頂点が他の頂点と同じ位置になりました（読み直すと一つの点になります）。"
            "倍精度のまま保存するにはアスキー形式を選んで下さい。");
    }
}

void ply_file_output_Click(CommandContext& ctx)
{
    if (!choose_file(ctx, file_kinds::ply)) {
        return;
    }
    FormState& s = ctx.state;
    if (s.points.empty()) {
        ctx.dialogs.show_error("ファイルは作成されませんでした。保存する点群がありません。");
        return;
    }
    ctx.dialogs.ask_choice(
        ctx.program, encoding_choice("PLYの保存形式", "バイナリ（リトルエンディアン、倍精度）"));
    if (ctx.program.dialog_cancelled) {
        return;
    }
    const PlyEncoding encoding = ctx.program.chosen_option == binary_option
                                     ? PlyEncoding::binary_little_endian
                                     : PlyEncoding::ascii;
    // A mesh left from an earlier cloud cannot go with these points: the points go alone.
    const bool with_mesh = mesh_fits_cloud(s);
    const std::vector<int> none;
    std::string name = ctx.program.selected_file_name;
    force_extension(name, ".ply");
    if (!write_chosen_file(ctx, name,
                           write_ply_mesh(s.points.xyz, with_mesh ? s.tri_a : none,
                                          with_mesh ? s.tri_b : none, with_mesh ? s.tri_c : none,
                                          encoding))) {
        return;
    }
    ctx.program.selected_file_name = name;
    set_field(s, "Text5", name);
    s.base_point_count = s.point_count();
    if (!with_mesh) {
        ctx.dialogs.show_message("ファイル「" + name +
                                 "」には点群だけを保存しました。メッシュが現在の点群にない点を"
                                 "指しているため、メッシュは保存していません。");
    }
}

}  // namespace tengun
