// Selection: points chosen with a rectangle or polygon on the view, cropping to them, removing
// them, and clearing the selection.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "correction/keep_points.h"
#include "view/screen_selection.h"

namespace tengun {

namespace {

constexpr const char* how_to_select =
    "Shiftを押しながら左ボタンでドラッグすると矩形で、Shift＋Ctrlを押しながらクリックすると"
    "多角形で（ダブルクリックで閉じる）点を選択できます。";

void change_selection(CommandContext& ctx, const ScreenPolygon& polygon, SelectionChange change)
{
    FormState& s = ctx.state;
    if (s.selection.size() != s.point_count()) {
        s.selection.assign(s.point_count(), 0);
    }
    const ViewPlacement placement{s.view_matrix, s.rotation_centre, s.view_scale,
                                  ctx.picture1.scale_width(), ctx.picture1.scale_height()};
    (void)mark_points_inside(s.points.xyz, placement, polygon, s.selection,
                             change == SelectionChange::add ? 1 : 0);
    if (s.selection_count() == 0) {
        s.selection.clear();
    }
    redraw(ctx);
}

/// Keeps the points whose flag is set; see sentaku_kiridashi_Click.
void keep_only(CommandContext& ctx, const std::vector<std::uint8_t>& keep)
{
    FormState& s = ctx.state;
    const bool fit_view = view_as_loaded(s);
    const std::size_t base = count_kept(keep, s.base_point_count);
    keep_triangles(keep, s.tri_a, s.tri_b, s.tri_c, s.tri_tag);
    (void)keep_points(s.points, keep);
    // The extracted planes lived in the labels, which are all 0 now.
    s.plane_count = 0;
    s.uu.clear();
    s.LL.clear();
    s.selection.clear();
    s.base_point_count = base;
    set_field(s, "Text7", static_cast<double>(s.point_count()));
    if (fit_view) {
        fit_view_to_cloud(ctx);
    }
    rerun_analysis(ctx);
}

} // namespace

void select_rectangle(CommandContext& ctx, double x0, double y0, double x1, double y1,
                      SelectionChange change)
{
    change_selection(ctx, ScreenPolygon::rectangle({x0, y0}, {x1, y1}), change);
}

void select_polygon(CommandContext& ctx, std::span<const SurfacePoint> vertices,
                    SelectionChange change)
{
    change_selection(ctx, ScreenPolygon(vertices), change);
}

void sentaku_kiridashi_Click(CommandContext& ctx)
{
    if (ctx.state.selection_count() == 0) {
        ctx.dialogs.show_message(std::string("「選択範囲を切り出し」：選択された点がありません。") +
                                 how_to_select);
        return;
    }
    const std::vector<std::uint8_t> keep = std::move(ctx.state.selection);
    keep_only(ctx, keep);
}

void sentaku_shoukyo_Click(CommandContext& ctx)
{
    const FormState& s = ctx.state;
    const std::size_t selected = s.selection_count();
    if (selected == 0) {
        ctx.dialogs.show_message(std::string("「選択点を消去」：選択された点がありません。") +
                                 how_to_select);
        return;
    }
    if (selected == s.point_count()) {
        ctx.dialogs.show_message("「選択点を消去」：全ての点が選択されています。点群が空になるため"
                                 "消去しませんでした。");
        return;
    }
    std::vector<std::uint8_t> keep(s.selection.size());
    std::transform(s.selection.begin(), s.selection.end(), keep.begin(),
                   [](std::uint8_t f) { return f == 0 ? 1 : 0; });
    keep_only(ctx, keep);
}

void sentaku_kaijo_Click(CommandContext& ctx)
{
    ctx.state.selection.clear();
    redraw(ctx);
}

} // namespace tengun
