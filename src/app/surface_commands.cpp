// Surfaces: triangle mesh, multi-plane extraction, plane boundaries, playback.
// Plane numbers are 1-based: plane m is state.uu[m - 1]; ring entry e is tree[e - 1].
#include <array>
#include <string>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "surface/boundaries.h"
#include "surface/mesh.h"
#include "surface/mesh_routines.h"
#include "surface/plane_extraction.h"
#include "surface/plane_merge.h"
#include "surface/surface_mesh.h"
#include "surface/surface_points.h"
#include "view/playback.h"

namespace tengun {

namespace {

/// Points taken as one, said in the note line of the result block (empty when none).
std::string merged_note(std::size_t merged)
{
    return merged == 0 ? std::string()
                       : "同じ位置の点 " + std::to_string(merged) + " 点を前の点と１点にまとめました。";
}

/// The plane row shows what the last fit left; below it, how many points the mesh reached and
/// how many of its edges have one triangle, with the loops they form in the note line.
void show_mesh_fields(FormState& s, const SurfaceMesh& mesh)
{
    set_field(s, "Text6", "面張り");
    set_field(s, "Label5", "");
    show_plane_row(s);
    set_field(s, "Label3(0)", "面張り点数");
    set_field(s, "Text3(0)", static_cast<double>(mesh.reached));
    set_field(s, "Label3(1)", "境界辺数");
    set_field(s, "Text3(1)", static_cast<double>(mesh.summary.boundary_edges));
    clear_form_errors(s);
    set_field(s, "Label15", "境界のループ（穴と外周） " +
                                std::to_string(mesh.summary.boundary_loops) + " 個。" +
                                merged_note(mesh.merged));
}

void show_plane_count_fields(FormState& s, const char* analysis)
{
    set_field(s, "Text6", analysis);
    set_field(s, "Label5", "");
    for (int k = 0; k < 4; ++k) {
        set_field(s, field_name("Text1", k), "");
    }
    for (int k = 0; k < 3; ++k) {
        set_field(s, field_name("Text2", k), "");
    }
    set_field(s, "Label3(0)", "面の数");
    set_field(s, "Text3(0)", static_cast<double>(s.plane_count));
    set_field(s, "Label3(1)", "半径＝");
    set_field(s, "Text3(1)", "");
    clear_form_errors(s);
}

/// A segment between two corners, left out when either corner could not be solved.
void add_segment(FormState& s, int colour, Status start_ok, const Vec3& start, Status end_ok,
                 const Vec3& end)
{
    if (start_ok == Status::ok && end_ok == Status::ok) {
        s.segments.push_back({static_cast<double>(colour), start, end});
    }
}

/// The boundary of plane f from its ring of neighbours: the corners it shares with consecutive
/// neighbours, closed when the ring is, else with a stub of length h at each open end.
/// False when the ring has fewer than 3 entries.
bool add_face_boundary(FormState& s, int f, double h)
{
    int t_suu = 0;
    std::vector<int> tree;
    tree_search(f, s.uu, s.LL, s.point_count(), s.points, t_suu, tree);
    if (t_suu < 3) {
        return false;
    }
    const auto entry = [&](int e) { return tree[static_cast<std::size_t>(e) - 1]; };
    Vec3 first{};
    const Status first_ok = sanmen_p(f, entry(1), entry(2), s.uu, s.LL, first);
    Vec3 current = first;
    Status current_ok = first_ok;
    for (int g = 2; g <= t_suu - 1; ++g) {
        Vec3 corner{};
        const Status corner_ok = sanmen_p(f, entry(g), entry(g + 1), s.uu, s.LL, corner);
        add_segment(s, f, current_ok, current, corner_ok, corner);
        current = corner;
        current_ok = corner_ok;
    }
    if (entry(t_suu) == entry(1)) {
        add_segment(s, f, current_ok, current, first_ok, first);
        return true;
    }
    Vec3 stub{};
    Status stub_ok = sanmen_zure_p(f, entry(t_suu), entry(t_suu - 1), h, s.uu, s.LL, stub);
    add_segment(s, f, current_ok, current, stub_ok, stub);
    stub_ok = sanmen_zure_p(f, entry(1), entry(2), h, s.uu, s.LL, stub);
    add_segment(s, f, first_ok, first, stub_ok, stub);
    return true;
}

/// The three planes with the most points, largest first; of equal counts the lower number.
std::array<int, 3> three_largest_planes(const FormState& s)
{
    std::array<int, 3> plane{0, 0, 0};
    std::array<std::size_t, 3> count{0, 0, 0};
    for (int m = 1; m <= s.plane_count; ++m) {
        const std::size_t k = count_label(static_cast<double>(m), s.points.label);
        if (k > count[0]) {
            plane = {m, plane[0], plane[1]};
            count = {k, count[0], count[1]};
        } else if (k > count[1]) {
            plane = {plane[0], m, plane[1]};
            count = {count[0], k, count[1]};
        } else if (k > count[2]) {
            plane[2] = m;
            count[2] = k;
        }
    }
    return plane;
}

} // namespace

namespace {

/// A mesh needs three points; with fewer the command says so and changes nothing.
bool enough_points_to_mesh(CommandContext& ctx, const char* what)
{
    if (ctx.state.point_count() >= 3) {
        return true;
    }
    ctx.dialogs.show_message(std::string(what) + "には３点以上の点群が必要です（点群数＝" +
                             std::to_string(ctx.state.point_count()) + "）。");
    return false;
}

}  // namespace

void menhari_Click(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (!enough_points_to_mesh(ctx, "点群面張り")) {
        return;
    }
    SurfaceMesh mesh;
    std::string reason;
    if (mesh_surface(s.points.xyz, mesh, reason, ctx.progress) == Status::error) {
        if (!ctx.progress.stopped()) {
            ctx.dialogs.show_message("点群面張りできません。" + reason);
        }
        return; // refused or stopped: nothing changed
    }
    s.tri_a = std::move(mesh.a);
    s.tri_b = std::move(mesh.b);
    s.tri_c = std::move(mesh.c);
    s.tri_tag.assign(s.tri_a.size(), 0.0);
    s.points.label = std::move(mesh.labels);
    s.mesh_boundary_edges = static_cast<int>(mesh.summary.boundary_edges);
    s.mesh_boundary_loops = static_cast<int>(mesh.summary.boundary_loops);
    s.merged_points = static_cast<int>(mesh.merged);
    s.surface_display = surface_modes::mesh;
    show_mesh_fields(s, mesh);
    redraw(ctx);
    const std::size_t covered = mesh.reached;
    if (covered < s.point_count()) {
        const std::size_t left = s.point_count() - covered;
        ctx.dialogs.show_message(
            "面張りできなかった点が" + std::to_string(left) + "点あります（面張り点数＝" +
            std::to_string(covered) + "、点群数＝" + std::to_string(s.point_count()) +
            "）。残りの点は周りの面から離れていて、周りの点の間隔に見合う三角形を作れません。");
    }
}

void poly_plane_Click(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (!enough_points_to_mesh(ctx, "多平面抽出")) {
        return;
    }
    SurfacePoints prepared;
    std::string reason;
    if (prepare_surface_points(s.points.xyz, prepared, reason) == Status::error) {
        ctx.dialogs.show_message("多平面抽出できません。" + reason);
        return;
    }
    std::vector<double> labels(prepared.xyz.size(), 0.0);
    std::vector<int> a, b, c;
    std::vector<double> tags;
    int planes = 0;
    if (extract_planes(prepared.xyz, labels, a, b, c, tags, planes, ctx.progress) ==
        Status::error) {
        return; // stopped: nothing changed
    }
    corners_of_cloud(prepared, a);
    corners_of_cloud(prepared, b);
    corners_of_cloud(prepared, c);
    s.points.label = labels_of_cloud(prepared, labels);
    s.tri_a = std::move(a);
    s.tri_b = std::move(b);
    s.tri_c = std::move(c);
    s.tri_tag = std::move(tags);
    s.merged_points = static_cast<int>(prepared.merged);
    s.plane_count = planes;
    s.surface_display = surface_modes::mesh;
    show_plane_count_fields(s, "多面抽出");
    set_field(s, "Label15", merged_note(prepared.merged));
    redraw(ctx);
}

void heimen_tougou_Click(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (s.plane_count < 1) {
        ctx.dialogs.show_message("統合する平面がありません。先に「多平面抽出」を実行して下さい。");
        return;
    }
    int planes = s.plane_count;
    std::vector<double> labels = s.points.label;
    std::vector<double> tags = s.tri_tag;
    if (merge_planes(s.points.xyz, labels, planes, s.tri_a, tags, ctx.progress) ==
        Status::error) {
        return; // stopped: nothing changed
    }
    s.points.label = std::move(labels);
    s.tri_tag = std::move(tags);
    s.plane_count = planes;
    s.surface_display = surface_modes::mesh;
    show_plane_count_fields(s, "平面統合");
    redraw(ctx);
}

namespace {

bool enough_planes(CommandContext& ctx)
{
    if (ctx.state.plane_count >= 3) {
        return true;
    }
    ctx.dialogs.show_message("境界を求めるには３つ以上の平面が必要です（面の数＝" +
                             std::to_string(ctx.state.plane_count) +
                             "）。先に「多平面抽出」を実行して下さい。");
    return false;
}

}  // namespace

void kyoukai_hyouji_Click(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (!enough_planes(ctx)) {
        return;
    }
    s.surface_display = surface_modes::mesh_and_segments;
    plane_parameters(s.points.xyz, s.points.label, s.plane_count, s.uu, s.LL);
    s.segments.clear();
    for (int f = 1; f <= s.plane_count; ++f) {
        if (!add_face_boundary(s, f, s.view_extent)) {
            // A face with fewer than three neighbours: the faces before it are drawn, the rest
            // is not.
            redraw(ctx);
            ctx.dialogs.show_message("面" + std::to_string(f) +
                                     "の隣の面が３つ未満のため、それ以降の境界は求められません"
                                     "（一部の面だけを測定した点群では境界が閉じません）。");
            return;
        }
    }
    redraw(ctx);
}

void saidai_edge_kenshutu_Click(CommandContext& ctx)
{
    FormState& s = ctx.state;
    if (!enough_planes(ctx)) {
        return;
    }
    s.surface_display = surface_modes::mesh_and_segments;
    plane_parameters(s.points.xyz, s.points.label, s.plane_count, s.uu, s.LL);
    s.segments.clear();
    const auto [a, b, c] = three_largest_planes(s);
    const double h = s.view_extent;
    if (c != 0) { // three planes with points: the corner and its three edges
        Vec3 corner{};
        const Status corner_ok = sanmen_p(a, b, c, s.uu, s.LL, corner);
        const std::array<std::array<int, 3>, 3> edges{{{a, b, c}, {b, c, a}, {c, a, b}}};
        const std::array<int, 3> colours{0, 1, 0};
        for (std::size_t e = 0; e < 3; ++e) {
            Vec3 end{};
            const Status end_ok =
                sanmen_zure_p(edges[e][0], edges[e][1], edges[e][2], h, s.uu, s.LL, end);
            add_segment(s, colours[e], corner_ok, corner, end_ok, end);
        }
    }
    redraw(ctx);
    if (a != 0) {
        const auto slot = static_cast<std::size_t>(a) - 1;
        for (int k = 0; k < 3; ++k) {
            set_field(s, field_name("Text1", k), s.uu[slot][static_cast<std::size_t>(k)]);
        }
        set_field(s, "Text1(3)", s.LL[slot]);
    }
}

void slow_saisei_Click(CommandContext& ctx)
{
    ctx.state.timer_enabled = true;
    ctx.picture1.clear();
    ctx.state.surface_display = surface_modes::playback;
}

void slow_teishi_Click(CommandContext& ctx)
{
    ctx.state.timer_enabled = false;
    ctx.state.surface_display = surface_modes::mesh;
}

void Timer1_Timer(CommandContext& ctx)
{
    playback_step(ctx.picture1, ctx.state);
}

} // namespace tengun
