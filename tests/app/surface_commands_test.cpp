// The surface commands on a form: meshing, plane extraction, boundaries and the playback.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "app/commands.h"
#include "support/clouds.h"
#include "support/scripted_dialogs.h"
#include "support/surface_clouds.h"
#include "surface/mesh_routines.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::TestForm;

void set_cloud(TestForm& f, const std::vector<Vec3>& pts)
{
    f.state.points.clear();
    for (const Vec3& p : pts) {
        f.state.points.add(p);
    }
    f.state.base_point_count = pts.size();
    f.state.view_scale = 2.0;
    f.state.view_extent = 5.0;
    f.state.marker_mode = 1;
}

std::size_t lines_of_colour(const testing::RecordingSurface& s, int colour)
{
    const auto lines = s.of(Recorded::Kind::line);
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const Recorded& r) { return r.colour == colour; }));
}

double length(const Segment& g)
{
    return vec_length(g.end - g.start);
}

/// Lines a full redraw in single-pixel mode draws in `colour`: the edges of the triangles tagged
/// with it, its segments, and the axis drawn in it (X blue 1, Y green 2, Z red 4).
std::size_t expected_lines(const FormState& s, int colour, std::size_t segments)
{
    const auto tagged = std::count(s.tri_tag.begin(), s.tri_tag.end(), double(colour));
    const bool axis = colour == 1 || colour == 2 || colour == 4;
    return 3 * static_cast<std::size_t>(tagged) + segments + (axis ? 1 : 0);
}

TEST(menhari, meshes_the_cloud_and_shows_the_last_plane_fit)
{
    TestForm f;
    std::vector<Vec3> pts;
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 5; ++j) {
            pts.push_back({double(i), double(j), 3.0 + 0.1 * i});
        }
    }
    set_cloud(f, pts);
    heimen_Click(f.ctx);
    const std::string nx = f.state.fields["Text1(0)"];
    const std::string d = f.state.fields["Text1(3)"];
    const std::string foot_z = f.state.fields["Text2(2)"];
    f.picture1.calls.clear();
    menhari_Click(f.ctx);

    EXPECT_EQ(f.state.surface_display, surface_modes::mesh);
    EXPECT_EQ(f.state.triangle_count(), 2U * 5 * 4);
    EXPECT_EQ(count_label(1.0, f.state.points.label), pts.size());
    EXPECT_EQ(f.state.fields["Text6"], "面張り");
    EXPECT_EQ(f.state.fields["Label5"], "");
    EXPECT_EQ(f.state.fields["Text1(0)"], nx);
    EXPECT_EQ(f.state.fields["Text1(3)"], d);
    EXPECT_EQ(f.state.fields["Text2(2)"], foot_z);
    EXPECT_EQ(f.state.fields["Label3(0)"], "面張り点数");
    EXPECT_EQ(f.state.fields["Text3(0)"], "30");
    EXPECT_TRUE(f.dialogs.messages.empty()) << "every point covered: nothing to say";
    ASSERT_FALSE(f.picture1.calls.empty());
    EXPECT_EQ(f.picture1.calls.front().kind, Recorded::Kind::clear);
    EXPECT_GE(lines_of_colour(f.picture1, 0), 3 * f.state.triangle_count()) << "triangles in tag 0";
}

TEST(poly_plane, finds_the_faces_and_draws_each_in_its_own_colour)
{
    TestForm f;
    set_cloud(f, testing::box_scan({{10, 20, 30}, {40, 30, 20}}, 2.0, {0, 1, 2, 3, 4, 5}, 0.01));
    f.state.fields["Text1(0)"] = "stale";
    poly_plane_Click(f.ctx);
    EXPECT_EQ(f.state.plane_count, 6);
    EXPECT_EQ(f.state.surface_display, surface_modes::mesh);
    EXPECT_EQ(f.state.fields["Text6"], "多面抽出");
    EXPECT_EQ(f.state.fields["Label3(0)"], "面の数");
    EXPECT_EQ(f.state.fields["Text3(0)"], "6");
    EXPECT_EQ(f.state.fields["Text1(0)"], "");
    EXPECT_EQ(f.state.fields["Text2(1)"], "");
    for (int colour = 1; colour <= 6; ++colour) {
        const auto tagged = std::count(f.state.tri_tag.begin(), f.state.tri_tag.end(), colour);
        EXPECT_GT(tagged, 100) << colour;
        EXPECT_GE(lines_of_colour(f.picture1, colour), 3U * static_cast<std::size_t>(tagged));
    }
}

TEST(menhari, points_left_free_are_counted_in_a_message)
{
    TestForm f;
    // A 6 x 5 sheet and two stray points far above it: a seed needs three free points.
    std::vector<Vec3> pts;
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 5; ++j) {
            pts.push_back({double(i), double(j), 3.0});
        }
    }
    pts.push_back({2, 2, 40});
    pts.push_back({3, 2, 80});
    set_cloud(f, pts);
    menhari_Click(f.ctx);
    EXPECT_EQ(f.state.fields["Text3(0)"], "30");
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("面張りできなかった点が2点"), std::string::npos)
        << f.dialogs.messages[0];
}

TEST(menhari, shows_the_rim_and_the_repeats_and_a_later_fit_its_radius_caption)
{
    TestForm f;
    std::vector<Vec3> pts;
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 5; ++j) {
            pts.push_back({1e200 * i, 1e200 * j, 3e200});
        }
    }
    pts.push_back(pts[4]);
    pts.push_back(pts[9]);
    set_cloud(f, pts);
    menhari_Click(f.ctx);
    EXPECT_EQ(f.state.triangle_count(), 2U * 5 * 4) << "a grid at 1e200 meshes like one at 1";
    EXPECT_EQ(f.state.fields["Text3(0)"], "32");
    EXPECT_EQ(f.state.fields["Label3(1)"], "境界辺数");
    EXPECT_EQ(f.state.fields["Text3(1)"], "18");
    EXPECT_EQ(f.state.mesh_boundary_loops, 1);
    EXPECT_EQ(f.state.merged_points, 2);
    EXPECT_NE(f.state.fields["Label15"].find("2 点を前の点と１点に"), std::string::npos)
        << f.state.fields["Label15"];
    EXPECT_TRUE(f.dialogs.messages.empty());
    for (Vec3& p : f.state.points.xyz) {
        p = vec_scale(p, 1e-200); // the fits are not scaled yet
    }
    heimen_Click(f.ctx);
    EXPECT_EQ(f.state.fields["Label3(1)"], "半径＝");
}

TEST(poly_plane, a_far_scaled_box_merged_with_itself_gives_the_boxs_planes)
{
    const std::vector<Vec3> box =
        testing::box_scan({{10, 20, 30}, {40, 30, 20}}, 2.0, {0, 1, 2, 3, 4, 5}, 0.01);
    TestForm plain;
    set_cloud(plain, box);
    poly_plane_Click(plain.ctx);
    std::vector<Vec3> twice;
    for (int copy = 0; copy < 2; ++copy) {
        for (const Vec3& p : box) {
            twice.push_back(vec_scale(p, 1e160));
        }
    }
    TestForm f;
    set_cloud(f, twice);
    poly_plane_Click(f.ctx);
    EXPECT_EQ(f.state.plane_count, plain.state.plane_count);
    EXPECT_EQ(f.state.merged_points, static_cast<int>(box.size()));
    for (std::size_t i = 0; i < box.size(); ++i) {
        ASSERT_EQ(f.state.points.label[i + box.size()], f.state.points.label[i]);
    }
    EXPECT_NE(f.state.fields["Label15"].find("１点にまとめました"), std::string::npos);
}

/// The planes as labels: face -> the set of plane numbers its points carry.
std::map<int, std::set<double>> planes_by_face(const FormState& s, const testing::Box& box)
{
    std::map<int, std::set<double>> out;
    for (std::size_t i = 0; i < s.point_count(); ++i) {
        if (s.points.label[i] >= 1.0) {
            out[testing::box_face(box, s.points.xyz[i])].insert(s.points.label[i]);
        }
    }
    return out;
}

TEST(heimen_tougou, splintered_box_becomes_six_planes_and_its_boundaries_close)
{
    TestForm f;
    // Faces split along their middles as two extracted planes each, and a splinter of the top
    // along an edge: 13 planes before, the six faces after.
    const testing::Box box{{10, 20, 30}, {40, 30, 20}};
    set_cloud(f, testing::box_scan(box, 2.0, {0, 1, 2, 3, 4, 5}, 0.01));
    for (std::size_t i = 0; i < f.state.point_count(); ++i) {
        const Vec3& p = f.state.points.xyz[i];
        const int face = testing::box_face(box, p);
        const bool half = p[0] < 30.0 && face != 4 && face != 5 ? true : p[1] < 35.0;
        f.state.points.label[i] = 1 + 2 * face + (half ? 1 : 0);
        if (face == 1 && p[0] < 12.0 && p[1] < 30.0) {
            f.state.points.label[i] = 13; // 5 points of the top by its edge
        }
    }
    f.state.plane_count = 13;
    f.state.tri_a = {1};
    f.state.tri_b = {2};
    f.state.tri_c = {3};
    f.state.tri_tag = {f.state.points.label[0]};
    heimen_tougou_Click(f.ctx);
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_EQ(f.state.plane_count, 6);
    EXPECT_EQ(f.state.fields["Text6"], "平面統合");
    EXPECT_EQ(f.state.fields["Label3(0)"], "面の数");
    EXPECT_EQ(f.state.fields["Text3(0)"], "6");
    EXPECT_EQ(f.state.surface_display, surface_modes::mesh);
    const auto faces = planes_by_face(f.state, box);
    std::set<double> used;
    for (const auto& [face, planes] : faces) {
        EXPECT_EQ(planes.size(), 1U) << "face " << face;
        used.insert(*planes.begin());
    }
    EXPECT_EQ(used, (std::set<double>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(f.state.tri_tag, (std::vector<double>{f.state.points.label[0]}));
    EXPECT_FALSE(f.picture1.calls.empty()) << "redrawn";
    // Planes by size: the 40 x 30 faces first.
    EXPECT_EQ(count_label(1.0, f.state.points.label), 300U);
    EXPECT_EQ(count_label(6.0, f.state.points.label), 150U);

    kyoukai_hyouji_Click(f.ctx);
    EXPECT_EQ(f.state.segment_count(), 24U) << "four edges round each merged face";
    saidai_edge_kenshutu_Click(f.ctx);
    EXPECT_EQ(f.state.segment_count(), 3U);
}

TEST(heimen_tougou, without_planes_says_what_to_do_first)
{
    TestForm f;
    set_cloud(f, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    heimen_tougou_Click(f.ctx);
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("多平面抽出"), std::string::npos);
    EXPECT_EQ(f.state.plane_count, 0);
}

TEST(kyoukai_hyouji, box_faces_are_outlined_by_four_edges_each)
{
    TestForm f;
    const testing::Box box{{10, 20, 30}, {40, 30, 20}};
    set_cloud(f, testing::box_scan(box, 2.0, {0, 1, 2, 3, 4, 5}, 0.01));
    poly_plane_Click(f.ctx);
    ASSERT_EQ(f.state.plane_count, 6);
    f.picture1.calls.clear();
    kyoukai_hyouji_Click(f.ctx);

    EXPECT_EQ(f.state.surface_display, surface_modes::mesh_and_segments);
    ASSERT_EQ(f.state.segment_count(), 24U);
    std::vector<int> per_colour(7, 0);
    for (const Segment& g : f.state.segments) {
        ++per_colour[static_cast<std::size_t>(g.colour)];
        // Every end is a corner of the box, every segment one of its edges.
        for (const Vec3& end : {g.start, g.end}) {
            for (int k = 0; k < 3; ++k) {
                const double rel = (end[k] - box.low[k]) / box.size[k];
                EXPECT_NEAR(rel, std::round(rel), 0.002) << g.start[0] << " " << g.end[0];
            }
        }
        const double l = length(g);
        EXPECT_TRUE(std::abs(l - 40) < 0.05 || std::abs(l - 30) < 0.05 || std::abs(l - 20) < 0.05)
            << l;
    }
    EXPECT_EQ(per_colour, (std::vector<int>{0, 4, 4, 4, 4, 4, 4}));
    for (int colour = 1; colour <= 6; ++colour) {
        EXPECT_EQ(lines_of_colour(f.picture1, colour), expected_lines(f.state, colour, 4))
            << "colour " << colour;
    }
}

/// A frustum without its bottom, faces labelled 1 (top) to 5 as planes, as after extraction.
void set_frustum(TestForm& f)
{
    const std::vector<Vec3> pts = testing::frustum_scan({50, 50, 0}, 40, 20, 15, 12);
    set_cloud(f, pts);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        f.state.points.label[i] = static_cast<double>(i / 144 + 1);
    }
    f.state.plane_count = 5;
}

TEST(kyoukai_hyouji, open_chain_of_a_partial_scan_ends_in_two_stubs_reaching_h)
{
    TestForm f;
    set_frustum(f);
    f.state.view_extent = 6.0; // h
    kyoukai_hyouji_Click(f.ctx);
    // The top: a closed ring of four edges. Each side: its top edge, and a stub down each
    // slanted edge to where the top plane moved down by h meets it.
    ASSERT_EQ(f.state.segment_count(), 4U + 4 * 3);
    const Vec3& top_normal = f.state.uu[0];
    const double top_offset = f.state.LL[0];
    EXPECT_NEAR(top_offset, 15.0, 1e-9);
    int stubs = 0;
    for (const Segment& g : f.state.segments) {
        EXPECT_NEAR(vec_dot(top_normal, g.start), top_offset, 1e-9) << "starts at a top corner";
        if (g.colour == 1.0) {
            EXPECT_NEAR(vec_dot(top_normal, g.end), top_offset, 1e-9);
            continue;
        }
        if (std::abs(vec_dot(top_normal, g.end) - (top_offset - 6.0)) < 1e-9) {
            ++stubs;
            const auto face = static_cast<std::size_t>(g.colour) - 1;
            EXPECT_NEAR(vec_dot(f.state.uu[face], g.end), f.state.LL[face], 1e-9);
            EXPECT_NEAR(length(g), 6.0 * std::sqrt(1 + (10.0 / 15) * (10.0 / 15) * 2), 1e-9)
                << "down the slanted edge by a drop of h";
        }
    }
    EXPECT_EQ(stubs, 8);
}

TEST(kyoukai_hyouji, face_with_fewer_than_three_neighbours_ends_with_a_message)
{
    TestForm f;
    // Three faces of a box: every face meets only two others.
    set_cloud(f, testing::box_scan({{0, 0, 0}, {40, 30, 20}}, 2.0, {1, 2, 5}));
    for (std::size_t i = 0; i < f.state.point_count(); ++i) {
        f.state.points.label[i] = i < 300 ? 1 : (i < 500 ? 2 : 3);
    }
    f.state.plane_count = 3;
    f.state.segments = {Segment{1, {}, {1, 1, 1}}};
    kyoukai_hyouji_Click(f.ctx);
    EXPECT_EQ(f.state.surface_display, surface_modes::mesh_and_segments);
    EXPECT_TRUE(f.state.segments.empty());
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("面1の隣の面が３つ未満"), std::string::npos);

    f.state.plane_count = 2;
    f.state.surface_display = surface_modes::mesh;
    kyoukai_hyouji_Click(f.ctx);
    saidai_edge_kenshutu_Click(f.ctx);
    EXPECT_EQ(f.state.surface_display, surface_modes::mesh) << "fewer than three planes: nothing";
    ASSERT_EQ(f.dialogs.messages.size(), 3U);
    EXPECT_NE(f.dialogs.messages[2].find("３つ以上の平面が必要"), std::string::npos);
}

TEST(kyoukai_hyouji, corner_of_parallel_planes_is_left_out)
{
    TestForm f;
    // A box without its bottom. Each side's ring closes over the top and the two sides next to
    // it, which are parallel: their "corner" has no solution, and the segments that would end
    // there are left out instead of drawn to a made-up point.
    const testing::Box box{{10, 20, 30}, {40, 30, 20}};
    set_cloud(f, testing::box_scan(box, 2.0, {1, 2, 3, 4, 5}));
    const std::vector<std::size_t> sizes{300, 200, 200, 150, 150};
    std::size_t i = 0;
    for (std::size_t face = 0; face < sizes.size(); ++face) {
        for (std::size_t k = 0; k < sizes[face]; ++k) {
            f.state.points.label[i++] = static_cast<double>(face + 1);
        }
    }
    f.state.plane_count = 5;
    kyoukai_hyouji_Click(f.ctx);
    ASSERT_EQ(f.state.segment_count(), 4U + 4 * 1) << "the top's four edges, each side's top edge";
    for (const Segment& g : f.state.segments) {
        EXPECT_NEAR(g.start[2], 50.0, 1e-9);
        EXPECT_NEAR(g.end[2], 50.0, 1e-9);
    }
    EXPECT_FALSE(f.picture1.calls.empty()) << "drawn";
}

TEST(saidai_edge_kenshutu, corner_of_three_perpendicular_faces_with_edges_of_length_h)
{
    TestForm f;
    // Top (300 points) > front (200) > right (150), as a scanner above one corner sees them.
    set_cloud(f, testing::box_scan({{0, 0, 0}, {40, 30, 20}}, 2.0, {1, 2, 5}, 0.01));
    poly_plane_Click(f.ctx);
    ASSERT_EQ(f.state.plane_count, 3);
    f.state.view_extent = 8.0;
    f.picture1.calls.clear();
    saidai_edge_kenshutu_Click(f.ctx);

    ASSERT_EQ(f.state.segment_count(), 3U);
    EXPECT_EQ(f.state.surface_display, surface_modes::mesh_and_segments);
    const std::vector<Vec3> directions{{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}};
    const std::vector<double> colours{0, 1, 0};
    for (std::size_t s = 0; s < 3; ++s) {
        const Segment& g = f.state.segments[s];
        testing::expect_vec_near(g.start, {40, 0, 20}, 0.01);
        EXPECT_NEAR(length(g), 8.0, 0.01) << "faces perpendicular up to the scan's noise";
        testing::expect_vec_near(vec_scale(g.end - g.start, 1.0 / 8.0), directions[s], 0.002);
        EXPECT_EQ(g.colour, colours[s]);
    }
    EXPECT_NEAR(std::stod(f.state.fields["Text1(2)"]), 1.0, 1e-6) << "normal of the top";
    EXPECT_NEAR(std::stod(f.state.fields["Text1(0)"]), 0.0, 1e-3);
    EXPECT_NEAR(std::stod(f.state.fields["Text1(3)"]), 20.0, 0.01);
    EXPECT_EQ(lines_of_colour(f.picture1, 0), expected_lines(f.state, 0, 2));
    EXPECT_EQ(lines_of_colour(f.picture1, 1), expected_lines(f.state, 1, 1));
}

/// Five points and triangles tagged 3, 5, 6, 7, 8: colours no point or axis uses.
void set_mesh(TestForm& f, std::size_t triangles)
{
    set_cloud(f, {{0, 0, 1}, {4, 0, 1}, {4, 4, 1}, {0, 4, 1}, {2, 6, 1}});
    const std::vector<int> a{1, 1, 3, 4, 2};
    const std::vector<int> b{2, 3, 4, 5, 3};
    const std::vector<int> c{3, 4, 5, 1, 5};
    const std::vector<double> tags{3, 5, 6, 7, 8};
    f.state.tri_a.assign(a.begin(), a.begin() + triangles);
    f.state.tri_b.assign(b.begin(), b.begin() + triangles);
    f.state.tri_c.assign(c.begin(), c.begin() + triangles);
    f.state.tri_tag.assign(tags.begin(), tags.begin() + triangles);
}

/// The triangle colours drawn since the last clear of the calls.
std::vector<int> triangle_colours(const testing::RecordingSurface& s)
{
    std::vector<int> out;
    for (const int colour : {3, 5, 6, 7, 8}) {
        const std::size_t n = lines_of_colour(s, colour);
        EXPECT_TRUE(n == 0 || n == 3) << "colour " << colour << ": " << n << " lines";
        if (n > 0) {
            out.push_back(colour);
        }
    }
    return out;
}

TEST(Timer1_Timer, plays_three_triangles_and_stops_on_the_fourth_tick)
{
    TestForm f;
    set_mesh(f, 3);
    slow_saisei_Click(f.ctx);
    EXPECT_TRUE(f.state.timer_enabled);
    EXPECT_EQ(f.state.surface_display, surface_modes::playback);
    ASSERT_EQ(f.picture1.calls.size(), 1U);
    EXPECT_EQ(f.picture1.calls[0].kind, Recorded::Kind::clear) << "nothing drawn before a tick";

    for (int tick = 1; tick <= 3; ++tick) {
        f.picture1.calls.clear();
        Timer1_Timer(f.ctx);
        EXPECT_EQ(f.state.playback_index, tick);
        EXPECT_TRUE(f.state.timer_enabled);
        EXPECT_TRUE(f.picture1.of(Recorded::Kind::clear).empty()) << "earlier triangles stay";
        EXPECT_EQ(f.picture1.of(Recorded::Kind::pixel).size(), 5U) << "the points again";
        EXPECT_EQ(triangle_colours(f.picture1),
                  (std::vector<int>{std::vector<int>{3, 5, 6}[tick - 1]}))
            << "tick " << tick;
    }
    f.picture1.calls.clear();
    Timer1_Timer(f.ctx);
    EXPECT_FALSE(f.state.timer_enabled);
    EXPECT_EQ(f.state.playback_index, 0);
    EXPECT_EQ(f.state.surface_display, surface_modes::playback);
    EXPECT_EQ(f.picture1.of(Recorded::Kind::pixel).size(), 5U);
    EXPECT_TRUE(triangle_colours(f.picture1).empty());
}

TEST(Timer1_Timer, first_triangle_is_drawn_in_its_plane_colour)
{
    TestForm f;
    set_mesh(f, 1);
    slow_saisei_Click(f.ctx);
    Timer1_Timer(f.ctx);
    const auto lines = f.picture1.of(Recorded::Kind::line);
    ASSERT_GE(lines.size(), 3U);
    for (std::size_t k = lines.size() - 3; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k].colour, 3) << f.picture1.dump();
    }
}

TEST(slow_teishi, stop_and_start_again_go_on_after_the_last_triangle_drawn)
{
    TestForm f;
    set_mesh(f, 5);
    slow_saisei_Click(f.ctx);
    Timer1_Timer(f.ctx);
    Timer1_Timer(f.ctx);
    f.picture1.calls.clear();
    slow_teishi_Click(f.ctx);
    EXPECT_FALSE(f.state.timer_enabled);
    EXPECT_EQ(f.state.surface_display, surface_modes::mesh);
    EXPECT_TRUE(f.picture1.calls.empty()) << "no redraw on stop";
    Timer1_Timer(f.ctx); // a tick already queued draws nothing once stopped
    EXPECT_TRUE(f.picture1.calls.empty());

    slow_saisei_Click(f.ctx);
    ASSERT_EQ(f.picture1.calls.size(), 1U);
    EXPECT_EQ(f.picture1.calls[0].kind, Recorded::Kind::clear);
    std::vector<int> drawn;
    while (f.state.timer_enabled) {
        f.picture1.calls.clear();
        Timer1_Timer(f.ctx);
        for (const int colour : triangle_colours(f.picture1)) {
            drawn.push_back(colour);
        }
    }
    EXPECT_EQ(drawn, (std::vector<int>{6, 7, 8})) << "triangles 3, 4 and 5";
    EXPECT_EQ(f.state.playback_index, 0);
}

TEST(slow_saisei, with_no_triangles_the_first_tick_stops)
{
    TestForm f;
    set_mesh(f, 0);
    f.state.playback_index = 4; // from a longer mesh
    slow_saisei_Click(f.ctx);
    Timer1_Timer(f.ctx);
    EXPECT_FALSE(f.state.timer_enabled);
    EXPECT_EQ(f.state.playback_index, 0);
}

TEST(Picture1, drags_and_releases_leave_the_playback_alone)
{
    TestForm f;
    set_mesh(f, 3);
    f.state.marker_mode = 0;
    slow_saisei_Click(f.ctx);
    Timer1_Timer(f.ctx);
    const Mat3 view = f.state.view_matrix;
    f.picture1.calls.clear();
    Picture1_MouseMove(f.ctx, 1, 50.0F, 40.0F);
    Picture1_MouseMove(f.ctx, 3, 10.0F, 10.0F);
    Picture1_MouseUp(f.ctx, 1, 50.0F, 40.0F);
    EXPECT_EQ(f.state.view_matrix, view);
    EXPECT_TRUE(f.picture1.calls.empty());
    Timer1_Timer(f.ctx);
    EXPECT_EQ(f.state.playback_index, 2) << "the playback goes on";

    slow_teishi_Click(f.ctx);
    f.picture1.calls.clear();
    Picture1_MouseUp(f.ctx, 1, 50.0F, 40.0F);
    ASSERT_FALSE(f.picture1.calls.empty());
    EXPECT_EQ(f.picture1.calls.front().kind, Recorded::Kind::clear);
    EXPECT_EQ(triangle_colours(f.picture1), (std::vector<int>{3, 5, 6})) << "the whole mesh";
}

} // namespace
} // namespace tengun

namespace tengun {
namespace {

TEST(menhari, fewer_than_three_points_say_so_and_keep_the_mesh)
{
    testing::TestForm f;
    f.state.points.add({0, 0, 0});
    f.state.points.add({1, 0, 0});
    f.state.tri_a = {1};
    f.state.tri_b = {2};
    f.state.tri_c = {1};
    f.state.tri_tag = {4};
    menhari_Click(f.ctx);
    poly_plane_Click(f.ctx);
    ASSERT_EQ(f.dialogs.messages.size(), 2U);
    EXPECT_NE(f.dialogs.messages[0].find("３点以上"), std::string::npos);
    EXPECT_EQ(f.state.tri_tag, (std::vector<double>{4}));
    EXPECT_EQ(f.state.surface_display, surface_modes::points_only);
}

}  // namespace
}  // namespace tengun
