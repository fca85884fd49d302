#include <algorithm>
#include <array>

#include "app/commands.h"

namespace tengun {

namespace {

constexpr Recording none = Recording::none;
constexpr Placement window = Placement::window;

constexpr std::array menu = {
    MenuEntry{"henshuu", "編集", "edit", 0},
    MenuEntry{"undo", "元に戻す", "undo the last change", 1, undo_Click, none, window},
    MenuEntry{"redo", "やり直し", "redo the change undone", 1, redo_Click, none, window},
    MenuEntry{"file_input", "file_input", "open files", 0},
    MenuEntry{"auto_file_input", "開く（形式を自動判別）",
              "open any supported file, format detected from its content", 1,
              auto_file_input_Click},
    MenuEntry{"csv_file_input", "csv_input", "open a CSV point cloud (x,y,z per line)", 1,
              csv_file_input_Click},
    MenuEntry{"pix_file_input", "pix_input", "open PIX range data", 1, pix_file_input_Click},
    MenuEntry{"vivid_file_input", "bmp_input", "open a bitmap range image", 1,
              vivid_file_input_Click},
    MenuEntry{"bmp_mabiki", "bmp_mabiki_input", "open a bitmap range image, thinning its rows", 1,
              bmp_mabiki_Click},
    MenuEntry{"iges_file_input", "iges_input (110 only)", "open IGES lines (entity 110) as points",
              1, iges_file_input_Click},
    MenuEntry{"stl_file_input", "stl_input(アスキー/バイナリ)",
              "open an STL mesh (ASCII or binary)", 1, stl_file_input_Click},
    MenuEntry{"csv_merge_input", "マージ_csv_input", "add the points of a CSV file to the cloud", 1,
              csv_merge_input_Click},
    MenuEntry{"file_output", "file_output", "save files", 0},
    MenuEntry{"csv_output", "csv_output", "save as CSV", 1},
    MenuEntry{"csv_file_output", "点群データ", "save the cloud as CSV", 2, csv_file_output_Click,
              none},
    MenuEntry{"spline_csv_file_output", "Bスプライン通過点",
              "save the B-spline's pass points as CSV", 2, spline_csv_file_output_Click},
    MenuEntry{"seigyoten_output", "Bスプライン制御点", "save the B-spline's control points as CSV",
              2, seigyoten_output_Click},
    MenuEntry{"stl_file_output", "stl_output(アスキー/バイナリ)",
              "save the mesh as STL (binary or ASCII)", 1, stl_file_output_Click, none},
    MenuEntry{"ply_file_output", "ply_output", "save the cloud and mesh as PLY", 1,
              ply_file_output_Click, none},
    MenuEntry{"kekka_hozon", "結果の保存", "save the results (JSON, CSV or text)", 1,
              kekka_hozon_Click, none},
    MenuEntry{"kekka_copy", "結果のコピー", "copy the results to the clipboard", 1,
              kekka_copy_Click, none, window},
    MenuEntry{"kikagaku", "幾何解析", "geometric analysis", 0},
    MenuEntry{"hyouji_only", "表示のみ", "show the cloud only, no analysis", 1, hyouji_only_Click},
    MenuEntry{"heimen", "平面", "plane fit", 1, heimen_Click},
    MenuEntry{"kyuumen", "球面", "sphere fit", 1, kyuumen_Click},
    MenuEntry{"enko", "円弧", "arc (circle) fit", 1, enko_Click},
    MenuEntry{"entou", "円筒", "cylinder fit", 1, entou_Click},
    MenuEntry{"chokusen", "直線", "line fit", 1, chokusen_Click},
    MenuEntry{"spline", "スプライン", "splines", 0},
    MenuEntry{"mono_spline", "単一スプライン(開ループ)", "single polynomial spline (open)", 1,
              mono_spline_Click},
    MenuEntry{"bspline", "Ｂスプライン", "B-spline", 1},
    MenuEntry{"bspline_kai", "（開ループ）", "B-spline, open", 2, bspline_kai_Click},
    MenuEntry{"bspline_hei", "（閉ループ）", "B-spline, closed", 2, bspline_hei_Click},
    MenuEntry{"gyaku_bspline", "逆Bスプライン", "inverse B-spline", 1},
    MenuEntry{"reverse_bspline_kai", "（開ループ）", "inverse B-spline, open", 2,
              reverse_bspline_kai_Click},
    MenuEntry{"reverse_bspline_hei", "（閉ループ）", "inverse B-spline, closed", 2,
              reverse_bspline_hei_Click},
    MenuEntry{"spline_tougou", "制御点統合", "merge the B-spline's control points", 1,
              spline_tougou_Click},
    MenuEntry{"data_shuusei", "データ修正", "data correction", 0},
    MenuEntry{"zen_hyouji", "全データ表示", "show all points unmarked", 1, zen_hyouji_Click},
    MenuEntry{"ijou1_hyouji", "ワーストデータ表示", "mark the worst point", 1, ijou1_hyouji_Click},
    MenuEntry{"ijou10_hyouji", "１０％タイル表示", "mark the points beyond the deviation", 1,
              ijou10_hyouji_Click},
    MenuEntry{"ijou_shoukyo", "異常データ割愛再計算", "remove the marked points and refit", 1,
              ijou_shoukyo_Click},
    MenuEntry{"data_mabiki", "データ間引き", "thin the cloud by direction change", 1,
              data_mabiki_Click},
    MenuEntry{"sentaku_kiridashi", "選択範囲を切り出し", "keep only the selected points", 1,
              sentaku_kiridashi_Click},
    MenuEntry{"sentaku_shoukyo", "選択点を消去", "delete the selected points", 1,
              sentaku_shoukyo_Click},
    MenuEntry{"sentaku_kaijo", "選択解除", "clear the selection", 1, sentaku_kaijo_Click},
    MenuEntry{"view", "表示方向", "view direction", 0},
    MenuEntry{"default_view", "初期設定view", "initial view", 1, default_view_Click, none, window},
    MenuEntry{"xy_men", "平面(Ｘ，Ｙ)", "top view (X, Y)", 1, xy_men_Click, none, window},
    MenuEntry{"xz_men", "正面(Ｘ，Ｚ)", "front view (X, Z)", 1, xz_men_Click, none, window},
    MenuEntry{"yz_men", "右側面(Ｙ，Ｚ)", "right side view (Y, Z)", 1, yz_men_Click, none, window},
    MenuEntry{"heimen_view", "抽出平面xy_view", "look along the fitted plane's normal", 1,
              heimen_view_Click, none, window},
    MenuEntry{"chokusen_view", "抽出直線軸ｖｉｅｗ", "look along the fitted line's axis", 1,
              chokusen_view_Click, none, window},
    MenuEntry{"view_mode", "表示モード", "display mode", 0},
    MenuEntry{"zoom_up", "ズームアップ", "zoom in", 1, zoom_up_Click, none, window},
    MenuEntry{"zoom_down", "ズームダウン", "zoom out", 1, zoom_down_Click, none, window},
    MenuEntry{"tengun_no_hyouji", "点群表示", "point display", 1},
    MenuEntry{"renzoku_mode", "大きい丸", "points as large circles", 2, renzoku_mode_Click, none, window},
    MenuEntry{"drag_mode", "小さい点", "points as single pixels", 2, drag_mode_Click, none, window},
    MenuEntry{"hensa_karaa_hyouji", "偏差カラー表示",
              "colour points by their deviation from the fit (toggle)", 1, hensa_karaa_hyouji_Click,
              none, window},
    MenuEntry{"kaiten_chuushin", "回転中心", "rotation centre", 1},
    MenuEntry{"hosei_kaijo", "原点(defalt)", "rotate about the origin (default)", 2,
              hosei_kaijo_Click},
    MenuEntry{"juushin_hosei", "重心", "rotate about the centroid", 2, juushin_hosei_Click},
    MenuEntry{"messhu_hyouji", "三角メッシュ", "triangle mesh display", 1},
    MenuEntry{"messhu_nashi", "なし(defalt)", "hide the mesh (default)", 2, messhu_nashi_Click},
    MenuEntry{"messhu_ari", "あり", "show the mesh", 2, messhu_ari_Click, none, window},
    MenuEntry{"jidou_menhari", "面張り", "surfaces", 0},
    MenuEntry{"menhari", "点群面張り", "triangulate the cloud (mesh)", 1, menhari_Click},
    MenuEntry{"poly_plane", "多平面抽出", "extract planes", 1, poly_plane_Click},
    MenuEntry{"heimen_tougou", "平面の統合", "merge the extracted planes", 1, heimen_tougou_Click},
    MenuEntry{"slow_saisei", "動画再生", "replay the meshing", 1, slow_saisei_Click, none, window},
    MenuEntry{"slow_teishi", "動画停止", "stop the replay", 1, slow_teishi_Click, none, window},
    MenuEntry{"saidai_edge_kenshutu", "３面境界表示", "edges where three planes meet", 1,
              saidai_edge_kenshutu_Click},
    MenuEntry{"kyoukai_hyouji", "全面境界表示", "boundaries of all planes", 1,
              kyoukai_hyouji_Click},
};

}  // namespace

std::span<const MenuEntry> menu_tree()
{
    return menu;
}

std::string_view top_menu_of(const MenuEntry& entry)
{
    std::string_view top;
    for (const MenuEntry& e : menu) {
        if (e.depth == 0) {
            top = e.name;
        }
        if (&e == &entry) {
            return top;
        }
    }
    return {};
}

std::string command_title(const MenuEntry& entry)
{
    const std::string caption(entry.caption);
    if (!caption.starts_with("（") && !caption.starts_with("(")) {
        return caption;
    }
    const MenuEntry* parent = nullptr;
    for (const MenuEntry& e : menu) {
        if (&e == &entry) {
            break;
        }
        if (e.depth < entry.depth) {
            parent = &e;
        }
    }
    return parent == nullptr ? caption : std::string(parent->caption) + caption;
}

const MenuEntry* find_menu_command(std::string_view name)
{
    const auto it = std::find_if(menu.begin(), menu.end(), [name](const MenuEntry& e) {
        return e.name == name && e.run != nullptr;
    });
    return it == menu.end() ? nullptr : &*it;
}

}  // namespace tengun
