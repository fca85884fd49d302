// The control-point merge command on a form with scripted dialogs: the merged polygon becomes
// the cloud, is offered for saving and is drawn as a B-spline; refusals change nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/commands.h"
#include "formats/csv_points.h"
#include "spline/bspline_basis.h"
#include "spline/bspline_curve.h"
#include "support/clouds.h"
#include "support/merge_polygons.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::coarse_closed_polygon;
using testing::coarse_open_polygon;
using testing::expect_vec_near;
using testing::halve_segments;
using testing::Recorded;
using testing::TempDir;
using testing::TestForm;

void load(TestForm& f, const TempDir& dir, const std::vector<Vec3>& pts)
{
    f.dialogs.files.push_back(dir.write("cloud.csv", write_csv_points(pts)));
    csv_file_input_Click(f.ctx);
    ASSERT_EQ(f.state.point_count(), pts.size());
}

/// Loads `pts` and runs one spline command on them with 10 divisions.
void spline_of(TestForm& f, const TempDir& dir, const std::vector<Vec3>& pts,
               void (*command)(CommandContext&))
{
    load(f, dir, pts);
    f.dialogs.splines.push_back({{3, 10}});
    command(f.ctx);
    ASSERT_TRUE(f.dialogs.messages.empty());
    f.picture1.calls.clear();
    f.picture2.calls.clear();
}

ControlPolygon polygon(const FormState& s)
{
    return {s.control_x, s.control_y, s.control_z};
}

/// Lines drawn in width 2 on the acceleration graph: its sample curves.
std::size_t graph_curve_lines(const testing::RecordingSurface& surface)
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

/// The pass points of a curve: the start of every segment, and the end of an open one.
std::vector<Vec3> pass_points(const std::vector<Vec3>& control_polygon, bool closed)
{
    const ControlPoints c = control_points_with_ends(control_polygon, closed);
    const std::size_t segments = bspline_segment_count(control_polygon.size(), closed);
    std::vector<Vec3> p;
    for (std::size_t i = 1; i <= segments; ++i) {
        p.push_back(bspline_point(static_cast<int>(i), 0.0, c.polygon()));
    }
    if (!closed) {
        p.push_back(bspline_point(static_cast<int>(segments), 1.0, c.polygon()));
    }
    return p;
}

std::size_t files_in(const TempDir& dir)
{
    const auto folder = std::filesystem::path(dir.file("x")).parent_path();
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

TEST(spline_tougou, open_merge_becomes_the_cloud_is_saved_and_drawn_from_end_to_end)
{
    TempDir dir;
    TestForm f;
    const std::vector<Vec3> q = coarse_open_polygon();
    const std::vector<Vec3> r = halve_segments(q, false);
    spline_of(f, dir, r, bspline_kai_Click);
    f.state.points.label.assign(r.size(), 1.0); // marks of an earlier display

    f.dialogs.files.push_back(dir.file("merged"));
    f.dialogs.choices.push_back(0);  // the save's 15 digits
    spline_tougou_Click(f.ctx);

    EXPECT_TRUE(f.dialogs.messages.empty());
    ASSERT_EQ(f.state.point_count(), q.size());
    for (std::size_t i = 0; i < q.size(); ++i) {
        expect_vec_near(f.state.points.xyz[i], q[i], 1e-9);
    }
    EXPECT_EQ(f.state.points.label, std::vector<double>(q.size(), 0.0));
    EXPECT_EQ(f.state.base_point_count, q.size());
    EXPECT_EQ(f.state.fields["Text7"], "6");

    // Saved through the chooser as a CSV point file.
    const std::string saved = dir.file("merged.csv");
    EXPECT_EQ(f.state.fields["Text5"], saved);
    PointCloud back;
    ReadError error;
    ASSERT_EQ(read_csv_points(TempDir::read(saved), back, error), Status::ok);
    EXPECT_EQ(back.xyz, f.state.points.xyz);

    // Drawn at once as the open B-spline of the new points, from the old first to the old last.
    EXPECT_EQ(f.state.analysis_kind, analysis_kinds::bspline);
    EXPECT_EQ(f.state.loop_closed, 0);
    EXPECT_EQ(f.state.fields["Text6"], "Ｂスプライン");
    ASSERT_EQ(f.state.control_x.size(), q.size() + 2);
    expect_vec_near(bspline_point(1, 0.0, polygon(f.state)), r.front(), 1e-9);
    expect_vec_near(bspline_point(static_cast<int>(q.size()) - 1, 1.0, polygon(f.state)), r.back(),
                    1e-9);
    EXPECT_FALSE(f.picture1.of(Recorded::Kind::line).empty());
    EXPECT_EQ(graph_curve_lines(f.picture2), 3U * 10U * (q.size() - 1));
}

TEST(spline_tougou, closed_merges_keep_the_first_point_or_the_curve_through_it)
{
    const std::vector<Vec3> q = coarse_closed_polygon();
    const std::vector<Vec3> r = halve_segments(q, true);
    {
        SCOPED_TRACE("after an inverse B-spline: the curve passes through the first point");
        TempDir dir;
        TestForm f;
        const std::vector<Vec3> pass = pass_points(r, true);
        spline_of(f, dir, pass, reverse_bspline_hei_Click);
        f.dialogs.files.push_back(dir.file("merged.csv"));
        spline_tougou_Click(f.ctx);
        EXPECT_TRUE(f.dialogs.messages.empty());
        ASSERT_EQ(f.state.point_count(), q.size());
        for (std::size_t i = 0; i < q.size(); ++i) {
            expect_vec_near(f.state.points.xyz[i], q[i], 1e-9);
        }
        EXPECT_EQ(f.state.analysis_kind, analysis_kinds::bspline);
        EXPECT_EQ(f.state.loop_closed, 1);
        ASSERT_EQ(f.state.control_x.size(), q.size() + 3);
        expect_vec_near(bspline_point(1, 0.0, polygon(f.state)), pass.front(), 1e-9);
        EXPECT_EQ(graph_curve_lines(f.picture2), 3U * 10U * q.size());
    }
    {
        SCOPED_TRACE("after a B-spline: the first control point stays");
        TempDir dir;
        TestForm f;
        spline_of(f, dir, r, bspline_hei_Click);
        f.dialogs.files.push_back(dir.file("merged.csv"));
        spline_tougou_Click(f.ctx);
        ASSERT_EQ(f.state.point_count(), q.size());
        expect_vec_near(f.state.points.xyz[0], r[0], 0.0);
        // The same shape as the coarse polygon, moved so that it starts at the old first point.
        for (std::size_t i = 0; i < q.size(); ++i) {
            expect_vec_near(f.state.points.xyz[i] - q[i], r[0] - q[0], 1e-9);
        }
    }
}

TEST(spline_tougou, the_save_is_optional_and_a_failed_save_is_reported)
{
    const std::vector<Vec3> q = coarse_open_polygon();
    const std::vector<Vec3> r = halve_segments(q, false);
    {
        SCOPED_TRACE("cancelled after an open inverse B-spline");
        TempDir dir;
        TestForm f;
        spline_of(f, dir, pass_points(r, false), reverse_bspline_kai_Click);
        f.dialogs.files.push_back(std::nullopt);
        spline_tougou_Click(f.ctx);
        EXPECT_EQ(f.dialogs.chooser_shown, 2);
        EXPECT_TRUE(f.dialogs.messages.empty());
        EXPECT_EQ(files_in(dir), 1U) << "only the loaded cloud";
        ASSERT_EQ(f.state.point_count(), q.size());
        for (std::size_t i = 0; i < q.size(); ++i) {
            expect_vec_near(f.state.points.xyz[i], q[i], 1e-9);
        }
        EXPECT_EQ(f.state.analysis_kind, analysis_kinds::bspline);
    }
    {
        SCOPED_TRACE("a file that cannot be made");
        TempDir dir;
        TestForm f;
        spline_of(f, dir, r, bspline_kai_Click);
        const std::string nowhere = dir.file("no_such_folder/merged.csv");
        f.dialogs.files.push_back(nowhere);
        f.dialogs.choices.push_back(0);
        spline_tougou_Click(f.ctx);
        ASSERT_EQ(f.dialogs.messages.size(), 1U);
        EXPECT_EQ(
            f.dialogs.messages[0].rfind("ファイル「" + nowhere + "」を作成できませんでした。", 0),
            0U)
            << f.dialogs.messages[0];
        EXPECT_EQ(f.state.point_count(), 6U) << "the merged polygon is still there to save";
        EXPECT_EQ(f.state.analysis_kind, analysis_kinds::bspline);
    }
}

/// What a refused merge must leave alone.
struct Before {
    PointCloud points;
    int kind;
    int loop;
    std::vector<double> cx, cy, cz;
    std::map<std::string, std::string> fields;
    explicit Before(const TestForm& f)
        : points(f.state.points), kind(f.state.analysis_kind), loop(f.state.loop_closed),
          cx(f.state.control_x), cy(f.state.control_y), cz(f.state.control_z),
          fields(f.state.fields)
    {
    }
    void expect_same(const TestForm& f) const
    {
        EXPECT_EQ(f.state.points, points);
        EXPECT_EQ(f.state.analysis_kind, kind);
        EXPECT_EQ(f.state.loop_closed, loop);
        EXPECT_EQ(f.state.control_x, cx);
        EXPECT_EQ(f.state.control_y, cy);
        EXPECT_EQ(f.state.control_z, cz);
        EXPECT_EQ(f.state.fields, fields);
        EXPECT_TRUE(f.picture1.calls.empty());
        EXPECT_TRUE(f.picture2.calls.empty());
    }
};

/// Runs the merge, expecting one message that contains `part` and no change at all.
void expect_refused(TestForm& f, const std::string& part)
{
    f.picture1.calls.clear();
    f.picture2.calls.clear();
    f.dialogs.messages.clear();
    const int choosers = f.dialogs.chooser_shown;
    const Before before(f);
    f.dialogs.files.push_back("never.csv");
    spline_tougou_Click(f.ctx);
    f.dialogs.files.clear();
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    EXPECT_NE(f.dialogs.messages[0].find("制御点は統合されませんでした。"), std::string::npos);
    EXPECT_NE(f.dialogs.messages[0].find(part), std::string::npos) << f.dialogs.messages[0];
    EXPECT_EQ(f.dialogs.chooser_shown, choosers);
    before.expect_same(f);
}

TEST(spline_tougou, without_a_curve_of_this_cloud_it_refuses)
{
    TempDir dir;
    TestForm f;
    const std::vector<Vec3> r = halve_segments(coarse_open_polygon(), false);
    load(f, dir, r);
    expect_refused(f, "Ｂスプライン制御点がありません");

    heimen_Click(f.ctx);
    expect_refused(f, "（点群数＝11）");

    f.dialogs.splines.push_back({{3, 10}});
    bspline_kai_Click(f.ctx);
    f.state.control_z.pop_back(); // arrays of another cloud
    expect_refused(f, "Ｂスプライン制御点がありません");
}

TEST(spline_tougou, one_group_open_or_fewer_than_three_closed_is_refused)
{
    TempDir dir;
    {
        SCOPED_TRACE("straight, evenly spaced: zero jerk everywhere, one group");
        TestForm f;
        std::vector<Vec3> line;
        for (int k = 0; k < 7; ++k) {
            line.push_back({2.0 * k, 1.0 - k, 3.0});
        }
        spline_of(f, dir, line, bspline_kai_Click);
        expect_refused(f, "（区間数＝6、グループ数＝1）");
    }
    {
        SCOPED_TRACE("a fine regular polygon: neighbouring jerks differ by a sixteenth");
        TestForm f;
        std::vector<Vec3> ring;
        for (int k = 0; k < 100; ++k) {
            const double a = 2.0 * pi * k / 100.0;
            ring.push_back({10.0 * std::cos(a), 10.0 * std::sin(a), 2.0});
        }
        spline_of(f, dir, ring, bspline_hei_Click);
        expect_refused(f, "（区間数＝100、グループ数＝1）");
    }
}

} // namespace
} // namespace tengun
