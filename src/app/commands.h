#pragma once
// One function per menu command of the main form, plus the form's own events. Each follows the
// same sequence: set the selectors it owns, ask its dialog (a cancelled dialog ends it silently),
// run the worker, write the result fields, redraw. Implemented per subsystem in *_commands.cpp.

#include <span>
#include <string>
#include <string_view>

#include "app/command_context.h"
#include "view/view_transform.h"

namespace tengun {

// ---- edit (command_runner.cpp)
/// "元に戻す": the form's state as before the last recorded command, redrawn (Picture2 too).
/// With nothing to undo it says so.
void undo_Click(CommandContext& ctx);
/// "やり直し": the form's state as after the last undone command, redrawn.
void redo_Click(CommandContext& ctx);

// ---- form events (form_commands.cpp)
/// Initial values of a new main form: timer off, no points, extent 1, spline degree 3,
/// default view.
void form_load(CommandContext& ctx);
/// The form became the active window: redraw.
void form_activate(CommandContext& ctx);
void hyouji_only_Click(CommandContext& ctx);
void renzoku_mode_Click(CommandContext& ctx);
void drag_mode_Click(CommandContext& ctx);
/// "偏差カラー表示": points in the colours of their deviation from the last plane, sphere, arc,
/// cylinder or line fit, with a colour bar; without such a fit a message and no change.
void hensa_karaa_hyouji_Click(CommandContext& ctx);
void messhu_nashi_Click(CommandContext& ctx);
void messhu_ari_Click(CommandContext& ctx);

// ---- files (file_commands.cpp)
void csv_file_input_Click(CommandContext& ctx);
void csv_merge_input_Click(CommandContext& ctx);
void pix_file_input_Click(CommandContext& ctx);
void vivid_file_input_Click(CommandContext& ctx);
void iges_file_input_Click(CommandContext& ctx);
void stl_file_input_Click(CommandContext& ctx);
void csv_file_output_Click(CommandContext& ctx);
void spline_csv_file_output_Click(CommandContext& ctx);
void seigyoten_output_Click(CommandContext& ctx);
void stl_file_output_Click(CommandContext& ctx);

// ---- opening by content and PLY output (open_commands.cpp, mesh_file_commands.cpp)
/// "開く（形式を自動判別）": the chooser with every supported pattern, then open_file.
void auto_file_input_Click(CommandContext& ctx);
/// Opens selected_file_name by its content (detect_file_format), whatever its extension says
/// where the content can tell: the points replace the form's, and the file's triangles (none
/// for a point file) replace the mesh, except that CSV, PIX, bitmap and IGES files keep it as
/// their own commands do; after_load runs; a reader's notes are shown afterwards. A file that
/// cannot be read gets one message and leaves the form as it was. Dropping a file and `tengun FILE`
/// run this too.
void open_file(CommandContext& ctx);
/// The cloud, and its mesh when every corner is one of its points, as PLY: binary
/// little-endian with double coordinates, or ASCII, as the choice dialog says.
void ply_file_output_Click(CommandContext& ctx);
// ---- results (result_commands.cpp)
/// "結果の保存": the current analysis to a chosen file: text, or JSON for a ".json" name, or
/// CSV for ".csv" (see result_report.h); a name without an extension gets ".txt". Without a
/// result of the current analysis it says so before the chooser opens.
void kekka_hozon_Click(CommandContext& ctx);
/// "結果のコピー": the same values onto the clipboard as tab-separated header and value rows.
void kekka_copy_Click(CommandContext& ctx);

// ---- geometric fits (fit_commands.cpp)
/// The plane fit of the whole cloud into the results and the result fields; a cloud that fixes
/// no plane gets a message and leaves results and fields as they were.
void show_plane_result(CommandContext& ctx);
/// The message of a fit of `kind` (plane ... line) that found no feature in `point_count` points.
std::string fit_failure_message(int kind, std::size_t point_count);
void heimen_Click(CommandContext& ctx);
/// Sphere, arc, cylinder and line fits of the whole cloud into the results and the result
/// fields; a fit that fails gets a message and leaves results and fields as they were.
void show_sphere_result(CommandContext& ctx);
void show_arc_result(CommandContext& ctx);
void show_cylinder_result(CommandContext& ctx);
void show_line_result(CommandContext& ctx);
void kyuumen_Click(CommandContext& ctx);
void enko_Click(CommandContext& ctx);
void entou_Click(CommandContext& ctx);
void chokusen_Click(CommandContext& ctx);

// ---- splines (spline_commands.cpp)
void mono_spline_Click(CommandContext& ctx);
void bspline_kai_Click(CommandContext& ctx);
void bspline_hei_Click(CommandContext& ctx);
void reverse_bspline_kai_Click(CommandContext& ctx);
void reverse_bspline_hei_Click(CommandContext& ctx);
void spline_tougou_Click(CommandContext& ctx);
/// The spline workers, run after their dialog was confirmed (and by the recompute commands).
/// Each checks the point count and the dialog's settings first: on a refusal it shows a message,
/// changes nothing and returns false. Otherwise it stores the curve, fills the result fields,
/// redraws Picture1 and draws the acceleration graph on Picture2. The B-spline workers read
/// loop_closed.
bool single_spline(CommandContext& ctx);
bool bspline_curve(CommandContext& ctx);
bool inverse_bspline_curve(CommandContext& ctx);
/// Draws Picture2 for the current curve: the acceleration graph of the spline of analysis_kind
/// when its curve is stored for the current cloud, else a blank picture.
void redraw_graph(CommandContext& ctx);

// ---- data correction (correction_commands.cpp)
/// Runs the worker of the current analysis kind again (plane ... inverse B-spline; kind 0 none)
/// and redraws.
void rerun_analysis(CommandContext& ctx);
void zen_hyouji_Click(CommandContext& ctx);
void ijou1_hyouji_Click(CommandContext& ctx);
void ijou10_hyouji_Click(CommandContext& ctx);
void ijou_shoukyo_Click(CommandContext& ctx);
void data_mabiki_Click(CommandContext& ctx);
void bmp_mabiki_Click(CommandContext& ctx);

// ---- selection (selection_commands.cpp)
enum class SelectionChange { add, remove };
/// The points drawn inside the rectangle with opposite corners (x0, y0) and (x1, y1), in
/// millimetres of Picture1, join (add) or leave (remove) the selection; redraws.
void select_rectangle(CommandContext& ctx, double x0, double y0, double x1, double y1,
                      SelectionChange change);
/// The same for the closed polygon through `vertices` (millimetres of Picture1).
void select_polygon(CommandContext& ctx, std::span<const SurfacePoint> vertices,
                    SelectionChange change);
/// "選択範囲を切り出し" keeps only the selected points, "選択点を消去" removes them: the points
/// that stay keep their order and are all shown (label 0), the mesh keeps the triangles whose
/// corners stay, the selection is cleared and the current analysis runs again. The view is
/// fitted to what is left as after a load while the user has not changed it since the load.
/// With nothing selected (or everything, for the removal) a message and no change.
void sentaku_kiridashi_Click(CommandContext& ctx);
void sentaku_shoukyo_Click(CommandContext& ctx);
/// "選択解除": nothing selected; redraws.
void sentaku_kaijo_Click(CommandContext& ctx);

// ---- surfaces (surface_commands.cpp)
void menhari_Click(CommandContext& ctx);
void poly_plane_Click(CommandContext& ctx);
/// "平面の統合": joins the extracted planes that are pieces of one plane and gives splinters to
/// the plane they fit (merge_planes), renumbers them by size and redraws. Needs planes.
void heimen_tougou_Click(CommandContext& ctx);
void kyoukai_hyouji_Click(CommandContext& ctx);
void saidai_edge_kenshutu_Click(CommandContext& ctx);
void slow_saisei_Click(CommandContext& ctx);
void slow_teishi_Click(CommandContext& ctx);
void Timer1_Timer(CommandContext& ctx);

// ---- view (view_commands.cpp)
void default_view_Click(CommandContext& ctx);
void xy_men_Click(CommandContext& ctx);
void xz_men_Click(CommandContext& ctx);
void yz_men_Click(CommandContext& ctx);
void heimen_view_Click(CommandContext& ctx);
void chokusen_view_Click(CommandContext& ctx);
void zoom_up_Click(CommandContext& ctx);
void zoom_down_Click(CommandContext& ctx);
void hosei_kaijo_Click(CommandContext& ctx);
void juushin_hosei_Click(CommandContext& ctx);
/// "回転表示": applies the angles typed into Text8(0..2), in degrees. A field that is not a
/// number is reported and the view is left as it was.
void Command1_Click(CommandContext& ctx);
/// Mouse moved over Picture1 with `button` held (1 left, 2 right, 3 both, 0 none); x, y in mm.
void Picture1_MouseMove(CommandContext& ctx, int button, float x, float y);
/// Mouse button released over Picture1.
void Picture1_MouseUp(CommandContext& ctx, int button, float x, float y);
/// The mouse wheel over Picture1 at (x, y) in mm: `steps` > 0 zooms in, < 0 out, each step like
/// "ズームアップ" / "ズームダウン" but about the point under the cursor, which stays where it is.
/// A step opposite to the one just made at the same place (the view unchanged since) returns
/// to exactly the view before it.
void Picture1_MouseWheel(CommandContext& ctx, int steps, float x, float y);

// ---- the menu by name
/// How the command flow (command_runner.h) keeps a command in the form's history.
enum class Recording : unsigned char {
    /// A change of anything but the view becomes an undoable step (the default: a new command
    /// is undoable without further work).
    step,
    /// Never a step, and no snapshot is taken: the command changes only the view, or only
    /// writes a file, or is undo or redo itself.
    none,
};

/// Where the window runs a command (tengun-cli runs every command in place).
enum class Placement : unsigned char {
    /// On a worker thread over a copy of the form's state (CommandWork), with a progress bar and
    /// a cancel button, while the window keeps answering: anything that may take long on a big
    /// cloud (the default, so a new command never freezes the window).
    worker,
    /// On the window's thread: quick changes of the view and the display, undo and redo, and the
    /// commands that use the window itself (the clipboard, the playback timer).
    window,
};

/// One item of the main form's menu bar. Items with sub-items have no command (run is null);
/// depth 0 items stand in the bar, deeper ones below the nearest shallower item before them.
struct MenuEntry {
    std::string_view name;     ///< the item's name, e.g. "heimen"
    std::string_view caption;  ///< its caption, e.g. "平面"
    std::string_view gloss;    ///< a short English gloss for scripts and help, e.g. "plane fit"
    int depth = 0;
    void (*run)(CommandContext&) = nullptr;
    Recording recording = Recording::step;
    Placement placement = Placement::worker;
};

/// The whole menu bar in order.
std::span<const MenuEntry> menu_tree();
/// The item called `name` if it has a command, else nullptr.
const MenuEntry* find_menu_command(std::string_view name);
/// The menu (depth 0 item) an entry stands in, e.g. "file_input" for "csv_file_input".
std::string_view top_menu_of(const MenuEntry& entry);
/// The name of a command in the history and the status bar: its caption, after the caption of
/// the menu above it when the caption alone is only a bracket ("Ｂスプライン（開ループ）").
std::string command_title(const MenuEntry& entry);

}  // namespace tengun
