// The spline commands and the spline result files, run on a form with scripted dialogs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/commands.h"
#include "formats/csv_points.h"
#include "spline/bspline_basis.h"
#include "spline/single_spline.h"
#include "support/clouds.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::expect_vec_near;
using testing::Recorded;
using testing::RecordingSurface;
using testing::TempDir;
using testing::TestForm;

/// A form with `pts` loaded from a CSV file of `dir`, its pictures' records cleared.
void load(TestForm& f, const TempDir& dir, const std::vector<Vec3>& pts)
{
    f.dialogs.files.push_back(dir.write("cloud.csv", write_csv_points(pts)));
    csv_file_input_Click(f.ctx);
    ASSERT_EQ(f.state.point_count(), pts.size());
    f.picture1.calls.clear();
    f.picture2.calls.clear();
}

std::vector<Vec3> square_points()
{
    return {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 5}};
}

std::size_t lines_in_colour(const RecordingSurface& surface, int colour)
{
    std::size_t n = 0;
    for (const Recorded& r : surface.of(Recorded::Kind::line)) {
        n += r.colour == colour ? 1 : 0;
    }
    return n;
}

/// Lines drawn in width 2 on the acceleration graph: the sample curves.
std::size_t graph_curve_lines(const RecordingSurface& surface)
{
    std::size_t n = 0;
    bool wide = false;
    for (const Recorded& r : surface.calls) {
        if (r.kind == Recorded::Kind::width) {
            wide = r.value == 2;
        }
        n += wide && r.kind == Recorded::Kind::line ? 1 : 0;
    }
    return n;
}

std::size_t line_count(const std::string& text)
{
    std::size_t n = 0;
    for (const char c : text) {
        n += c == '\n' ? 1 : 0;
    }
    return n;
}

double field(TestForm& f, const char* name)
{
    return std::stod(f.state.fields[name]);
}

/// What a refused or cancelled spline command must leave alone.
struct Snapshot {
    int kind;
    int loop;
    std::vector<double> cx, px;
    std::map<std::string, std::string> fields;
    double degree, divisions;
    explicit Snapshot(const TestForm& f)
        : kind(f.state.analysis_kind), loop(f.state.loop_closed), cx(f.state.control_x),
          px(f.state.poly_x), fields(f.state.fields), degree(f.program.spline_degree),
          divisions(f.program.division_count)
    {
    }
    void expect_same(const TestForm& f) const
    {
        EXPECT_EQ(f.state.analysis_kind, kind);
        EXPECT_EQ(f.state.loop_closed, loop);
        EXPECT_EQ(f.state.control_x, cx);
        EXPECT_EQ(f.state.poly_x, px);
        EXPECT_EQ(f.state.fields, fields);
        EXPECT_EQ(f.program.spline_degree, degree);
        EXPECT_EQ(f.program.division_count, divisions);
        EXPECT_TRUE(f.picture2.calls.empty());
    }
};

TEST(bspline_commands, open_and_closed_curves_with_their_graphs)
{
    TempDir dir;
    TestForm f;
    load(f, dir, square_points());
    f.dialogs.splines.push_back({{7, 10}});
    bspline_kai_Click(f.ctx);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::bspline);
    EXPECT_EQ(f.state.loop_closed, 0);
    EXPECT_EQ(f.state.control_x, (std::vector<double>{-10, 0, 10, 10, 0, -10}));
    EXPECT_EQ(f.state.control_z, (std::vector<double>{0, 0, 0, 0, 5, 10}));
    EXPECT_EQ(f.state.fields["Text6"], "Ｂスプライン");
    EXPECT_EQ(f.state.fields["Label5"], "");
    EXPECT_EQ(lines_in_colour(f.picture1, 0), 30U) << "3 segments of 10 pieces";
    EXPECT_EQ(graph_curve_lines(f.picture2), 3U * 30U);

    // Another division count changes the drawn curve only, not the graph.
    f.picture1.calls.clear();
    f.picture2.calls.clear();
    f.dialogs.splines.push_back({{3, 4}});
    bspline_hei_Click(f.ctx);
    EXPECT_EQ(f.state.loop_closed, 1);
    EXPECT_EQ(f.state.control_x, (std::vector<double>{0, 0, 10, 10, 0, 0, 10}));
    EXPECT_EQ(lines_in_colour(f.picture1, 0), 16U) << "4 segments of 4 pieces";
    EXPECT_EQ(graph_curve_lines(f.picture2), 3U * 40U);
    EXPECT_TRUE(f.dialogs.messages.empty());
}

TEST(bspline_commands, inverse_curves_pass_through_the_points)
{
    TempDir dir;
    TestForm f;
    const auto pts = square_points();
    load(f, dir, pts);
    for (const int closed : {0, 1}) {
        SCOPED_TRACE(closed);
        f.dialogs.splines.push_back({{3, 10}});
        (closed != 0 ? reverse_bspline_hei_Click : reverse_bspline_kai_Click)(f.ctx);
        EXPECT_EQ(f.state.analysis_kind, analysis_kinds::inverse_bspline);
        EXPECT_EQ(f.state.loop_closed, closed);
        EXPECT_EQ(f.state.fields["Text6"], "逆Ｂスプライン");
        ASSERT_EQ(f.state.control_y.size(), 6U + static_cast<std::size_t>(closed));
        const ControlPolygon c{f.state.control_x, f.state.control_y, f.state.control_z};
        for (std::size_t i = 1; i <= pts.size(); ++i) {
            if (closed != 0 || i < pts.size()) {
                expect_vec_near(bspline_point(static_cast<int>(i), 0.0, c), pts[i - 1], 1e-12);
            }
        }
        expect_vec_near(bspline_point(static_cast<int>(3 + closed), 1.0, c),
                        closed != 0 ? pts.front() : pts.back(), 1e-12);
        EXPECT_EQ(graph_curve_lines(f.picture2), 3U * (30U + 10U * closed));
        f.picture2.calls.clear();
    }
}

TEST(bspline_commands, cancelled_dialog_or_too_few_points_change_nothing)
{
    TempDir dir;
    TestForm f;
    load(f, dir, square_points());
    f.dialogs.splines.push_back({{3, 10}});
    bspline_kai_Click(f.ctx);
    f.picture2.calls.clear();
    const Snapshot before(f);

    f.dialogs.splines.push_back(std::nullopt); // cancel
    bspline_hei_Click(f.ctx);
    reverse_bspline_hei_Click(f.ctx); // close box
    mono_spline_Click(f.ctx);
    before.expect_same(f);
    EXPECT_TRUE(f.dialogs.messages.empty());

    TestForm g;
    load(g, dir, {{1, 2, 3}, {4, 5, 6}});
    g.dialogs.splines.push_back({{3, 10}});
    bspline_kai_Click(g.ctx); // two points open: one straight segment
    ASSERT_EQ(g.state.analysis_kind, analysis_kinds::bspline);
    g.picture2.calls.clear();
    const Snapshot two(g);
    g.dialogs.splines.push_back({{5, 20}});
    bspline_hei_Click(g.ctx);
    g.dialogs.splines.push_back({{5, 20}});
    reverse_bspline_hei_Click(g.ctx);
    two.expect_same(g);
    ASSERT_EQ(g.dialogs.messages.size(), 2U);
    EXPECT_EQ(g.dialogs.messages[0],
              "Ｂスプライン（閉ループ）には3点以上の点群が必要です（点群数＝2）。");
    EXPECT_EQ(g.dialogs.messages[1],
              "逆Ｂスプライン（閉ループ）には3点以上の点群が必要です（点群数＝2）。");

    TestForm empty;
    empty.dialogs.splines.push_back({{3, 10}});
    reverse_bspline_kai_Click(empty.ctx);
    ASSERT_EQ(empty.dialogs.messages.size(), 1U);
    EXPECT_NE(empty.dialogs.messages[0].find("2点以上"), std::string::npos);
    EXPECT_EQ(empty.state.analysis_kind, analysis_kinds::none);
    EXPECT_TRUE(empty.state.control_x.empty());
}

TEST(bspline_commands, division_counts_the_view_cannot_draw_are_refused)
{
    TempDir dir;
    TestForm f;
    load(f, dir, square_points());
    const Snapshot before(f);
    for (const double d : {0.0, -3.0, 2.5, 2e6}) {
        f.dialogs.splines.push_back({{3, d}});
        bspline_kai_Click(f.ctx);
    }
    before.expect_same(f);
    ASSERT_EQ(f.dialogs.messages.size(), 4U);
    EXPECT_EQ(f.dialogs.messages[2],
              "点間の分割数は1から1000000までの整数で指定して下さい（分割数＝2.5）。");
}

TEST(mono_spline, degree_one_on_a_line_fills_the_middle_point_direction_and_deviation)
{
    TempDir dir;
    TestForm f;
    std::vector<Vec3> pts;
    for (int k = 0; k < 5; ++k) {
        pts.push_back({2.0 * k, 1.0 + k, -1.0});
    }
    load(f, dir, pts);
    f.state.fields["Text1(0)"] = "plane row";
    f.dialogs.splines.push_back({{1, 10}});
    mono_spline_Click(f.ctx);
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::single_spline);
    EXPECT_EQ(f.state.fields["Text6"], "モノスプライン近似");
    EXPECT_EQ(f.state.fields["Label5"], "中間点");
    EXPECT_NEAR(field(f, "Text2(0)"), 4.0, 1e-12);
    EXPECT_NEAR(field(f, "Text2(1)"), 3.0, 1e-12);
    EXPECT_NEAR(field(f, "Text2(2)"), -1.0, 1e-12);
    EXPECT_NEAR(field(f, "Text2(3)"), 2.0 / std::sqrt(5.0), 1e-12);
    EXPECT_NEAR(field(f, "Text2(4)"), 1.0 / std::sqrt(5.0), 1e-12);
    EXPECT_NEAR(field(f, "Text2(5)"), 0.0, 1e-12);
    EXPECT_EQ(f.state.fields["Label3(0)"], "標準偏差");
    EXPECT_NEAR(field(f, "Text3(0)"), 0.0, 1e-12);
    EXPECT_EQ(f.state.fields["Text3(1)"], "");
    EXPECT_EQ(f.state.fields["Text1(0)"], "plane row") << "the plane row is not the spline's";
    EXPECT_EQ(f.state.poly_x.size(), 2U);
    expect_vec_near(f.state.line_point, {4, 3, -1}, 1e-12);
    EXPECT_EQ(lines_in_colour(f.picture1, 0), 50U) << "N·D chords";
    EXPECT_EQ(graph_curve_lines(f.picture2), 300U) << "101 samples";

    // A higher degree clears the direction and deviation fields.
    f.dialogs.splines.push_back({{3, 10}});
    mono_spline_Click(f.ctx);
    EXPECT_EQ(f.state.poly_x.size(), 4U);
    for (const char* name : {"Text2(3)", "Text2(4)", "Text2(5)", "Label3(0)", "Text3(0)"}) {
        EXPECT_EQ(f.state.fields[name], "") << name;
    }
    EXPECT_NEAR(field(f, "Text2(0)"), 4.0, 1e-9);
}

TEST(mono_spline, impossible_settings_are_refused_and_change_nothing)
{
    TempDir dir;
    TestForm f;
    load(f, dir, square_points());
    f.dialogs.splines.push_back({{2, 10}});
    mono_spline_Click(f.ctx);
    ASSERT_EQ(f.state.analysis_kind, analysis_kinds::single_spline);
    f.picture2.calls.clear();
    const Snapshot before(f);
    for (const double degree : {4.0, 9.0, 1.5, -1.0}) {
        f.dialogs.splines.push_back({{degree, 10}});
        mono_spline_Click(f.ctx);
    }
    f.dialogs.splines.push_back({{1, 0}});
    mono_spline_Click(f.ctx);
    before.expect_same(f);
    ASSERT_EQ(f.dialogs.messages.size(), 5U);
    EXPECT_EQ(f.dialogs.messages[0],
              "スプライン次数は点群数より小さくして下さい（次数＝4、点群数＝4）。"
              "全点通過なら(点群数-1）次です。");
    EXPECT_EQ(f.dialogs.messages[2], "スプライン次数は0以上の整数で指定して下さい（次数＝1.5）。");
    EXPECT_NE(f.dialogs.messages[4].find("点間の分割数"), std::string::npos);

    // Degree N − 1 passes through every point.
    f.dialogs.splines.push_back({{3, 10}});
    mono_spline_Click(f.ctx);
    const auto pts = square_points();
    for (std::size_t k = 0; k < pts.size(); ++k) {
        const double s = static_cast<double>(k) / 3.0;
        expect_vec_near({polynomial_value(f.state.poly_x, s), polynomial_value(f.state.poly_y, s),
                         polynomial_value(f.state.poly_z, s)},
                        pts[k], 1e-9);
    }

    TestForm one;
    load(one, dir, {{1, 2, 3}});
    one.dialogs.splines.push_back({{0, 10}});
    mono_spline_Click(one.ctx);
    ASSERT_EQ(one.dialogs.messages.size(), 1U);
    EXPECT_EQ(one.dialogs.messages[0], "単一スプラインには2点以上の点群が必要です（点群数＝1）。");
    EXPECT_EQ(one.state.analysis_kind, analysis_kinds::none);
}

// ---- spline result files

struct Export {
    TempDir dir;
    TestForm f;
    std::string out; ///< what the chooser is told
    std::string written;
    void pass_points()
    {
        f.dialogs.files.push_back(out);
        spline_csv_file_output_Click(f.ctx);
        written = TempDir::read(dir.file("out.csv"));
    }
    void control_points()
    {
        f.dialogs.files.push_back(out);
        seigyoten_output_Click(f.ctx);
        written = TempDir::read(dir.file("out.csv"));
    }
    Export() : out(dir.file("out.txt")) {}
};

TEST(spline_csv_file_output, single_spline_pass_points_from_start_to_end_reloaded)
{
    Export e;
    std::vector<Vec3> pts;
    for (int k = 0; k < 5; ++k) {
        pts.push_back({static_cast<double>(k), k * k / 4.0, 1.0});
    }
    load(e.f, e.dir, pts);
    e.f.dialogs.splines.push_back({{2, 10}});
    mono_spline_Click(e.f.ctx);
    const std::vector<double> poly_x = e.f.state.poly_x;
    e.pass_points();
    EXPECT_EQ(line_count(e.written), 51U);
    ASSERT_EQ(e.f.state.point_count(), 51U);
    EXPECT_EQ(e.f.program.selected_file_name, e.dir.file("out.csv"));
    EXPECT_EQ(e.f.state.fields["Text5"], e.dir.file("out.csv"));
    EXPECT_EQ(e.f.state.fields["Text7"], "51");
    EXPECT_EQ(e.f.state.analysis_kind, analysis_kinds::none);
    expect_vec_near(e.f.state.points.xyz.front(), pts.front(), 1e-12);
    expect_vec_near(e.f.state.points.xyz.back(), pts.back(), 1e-12);
    EXPECT_NEAR(e.f.state.points.xyz[10][0], polynomial_value(poly_x, 0.2), 1e-12);
    EXPECT_EQ(e.f.state.poly_x, poly_x) << "the spline result stays";
}

TEST(spline_csv_file_output, bspline_pass_points_open_and_closed)
{
    for (const int closed : {0, 1}) {
        SCOPED_TRACE(closed);
        Export e;
        const auto pts = square_points();
        load(e.f, e.dir, pts);
        e.f.dialogs.splines.push_back({{3, 10}});
        (closed != 0 ? bspline_hei_Click : bspline_kai_Click)(e.f.ctx);
        const ControlPolygon c{e.f.state.control_x, e.f.state.control_y, e.f.state.control_z};
        const Vec3 at_2_03 = bspline_point(2, 0.3, c);
        e.pass_points();
        EXPECT_EQ(line_count(e.written), closed != 0 ? 40U : 31U);
        ASSERT_EQ(e.f.state.point_count(), closed != 0 ? 40U : 31U);
        expect_vec_near(e.f.state.points.xyz[13], at_2_03, 1e-12);
        if (closed == 0) {
            expect_vec_near(e.f.state.points.xyz.back(), pts.back(), 1e-12);
        }
    }
}

TEST(spline_csv_file_output, without_a_spline_or_pass_points_shows_a_message_and_keeps_the_cloud)
{
    Export e;
    load(e.f, e.dir, square_points());
    heimen_Click(e.f.ctx);
    const PointCloud before = e.f.state.points;
    e.pass_points();
    ASSERT_EQ(e.f.dialogs.messages.size(), 1U);
    EXPECT_EQ(e.f.dialogs.messages[0],
              "ファイルは作成されませんでした。スプラインを実行してからファイル出力して下さい。");
    EXPECT_EQ(e.f.state.points, before);
    EXPECT_EQ(e.f.state.analysis_kind, analysis_kinds::plane);
    EXPECT_FALSE(std::filesystem::exists(e.dir.file("out.csv")));

    // A B-spline whose division count is gone: N·D = 0, no parameter step.
    e.f.dialogs.splines.push_back({{3, 10}});
    bspline_kai_Click(e.f.ctx);
    e.f.program.division_count = 0;
    e.pass_points();
    ASSERT_EQ(e.f.dialogs.messages.size(), 2U);
    EXPECT_EQ(e.f.dialogs.messages[1],
              "ファイルは作成されませんでした。通過点がありません（点群数＝4、点間の分割数＝0）。");
    EXPECT_FALSE(std::filesystem::exists(e.dir.file("out.csv")));

    e.f.dialogs.files.push_back(std::nullopt);
    spline_csv_file_output_Click(e.f.ctx);
    EXPECT_EQ(e.f.dialogs.messages.size(), 2U);
    EXPECT_EQ(e.f.state.points, before);
}

TEST(seigyoten_output, control_points_of_a_bspline_reload_the_same_cloud)
{
    Export e;
    const auto pts = square_points();
    load(e.f, e.dir, pts);
    e.f.dialogs.splines.push_back({{3, 10}});
    bspline_hei_Click(e.f.ctx);
    const PointCloud before = e.f.state.points;
    e.control_points();
    EXPECT_EQ(line_count(e.written), 4U);
    EXPECT_EQ(e.f.state.points, before);
    EXPECT_EQ(e.f.state.fields["Text5"], e.dir.file("out.csv"));
    EXPECT_TRUE(e.f.dialogs.messages.empty());

    // The inverse B-spline's control points are new points.
    e.f.dialogs.splines.push_back({{3, 10}});
    reverse_bspline_kai_Click(e.f.ctx);
    const std::vector<double> cx = e.f.state.control_x;
    e.control_points();
    ASSERT_EQ(e.f.state.point_count(), 4U);
    EXPECT_NEAR(e.f.state.points.xyz[1][0], cx[2], 1e-12);
}

TEST(seigyoten_output, without_control_points_for_this_cloud_says_so)
{
    Export e;
    load(e.f, e.dir, square_points());
    const PointCloud before = e.f.state.points;
    e.control_points();
    ASSERT_EQ(e.f.dialogs.messages.size(), 1U);
    EXPECT_NE(e.f.dialogs.messages[0].find("制御点がありません"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(e.dir.file("out.csv")));

    // Control points of a curve through another cloud are not this cloud's.
    e.f.dialogs.splines.push_back({{3, 10}});
    bspline_kai_Click(e.f.ctx);
    load(e.f, e.dir, {{0, 0, 0}, {1, 1, 1}});
    e.control_points();
    EXPECT_EQ(e.f.dialogs.messages.size(), 2U);
    EXPECT_EQ(e.f.state.point_count(), 2U);
    EXPECT_FALSE(std::filesystem::exists(e.dir.file("out.csv")));
}

} // namespace
} // namespace tengun
