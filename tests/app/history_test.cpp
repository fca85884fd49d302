// Undo and redo of the form's commands through the command flow: every command that changes the
// form is undone and redone exactly (the whole state compared), view-only commands make no step,
// and the history keeps to its bounds, dropping the oldest steps first.
#include "app/history.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <set>

#include "app/command_runner.h"
#include "app/commands.h"
#include "formats/csv_points.h"
#include "support/clouds.h"
#include "support/format_files.h"
#include "support/merge_polygons.h"
#include "support/scripted_dialogs.h"
#include "support/surface_clouds.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::TempDir;
using testing::TestForm;

/// A form with a history, its commands run as the window runs them.
struct HistoryForm : TestForm {
    explicit HistoryForm(HistoryLimits limits = {}) : history(limits) { ctx.history = &history; }

    /// Runs the menu command `name` with the given dialog answers, then redraws as the window
    /// does once the command's dialogs have closed.
    CommandReport run(const char* name, std::vector<std::string> files = {},
                      std::optional<double> angle = std::nullopt, bool spline = false)
    {
        for (std::string& file : files) {
            dialogs.files.push_back(std::move(file));
        }
        if (angle) {
            dialogs.angles.push_back(*angle);
        }
        if (spline) {
            dialogs.splines.push_back(testing::ScriptedDialogs::Spline{3, 10});
        }
        const MenuEntry* entry = find_menu_command(name);
        EXPECT_NE(entry, nullptr) << name;
        if (entry == nullptr) {
            return {};
        }
        const CommandReport report = run_menu_command(ctx, *entry);
        form_activate(ctx);
        return report;
    }

    History history;
};

/// The files the rows load, written once.
struct Files {
    TempDir dir;
    std::string plane, sphere, circle, cylinder, line, curve, box;
    std::string pix, bmp, bmp24, igs, stl, out_csv;

    Files()
    {
        using testing::plane_cloud;
        using testing::round_cloud;
        const auto csv = [&](const char* name, const std::vector<Vec3>& pts) {
            return dir.write(name, write_csv_points(pts));
        };
        plane = csv("plane.csv", plane_cloud(60, {1, 2, 3}, {1, 0, 0.2}, {0, 1, -0.1}, 5, 0.02));
        sphere = csv("sphere.csv", round_cloud(80, 3, {1, 2, 3}, 10, 0.05, 7));
        circle = csv("circle.csv", testing::arc_cloud());
        cylinder = csv("cylinder.csv", testing::cylinder_cloud());
        line = csv("line.csv", testing::line_cloud());
        curve = csv("curve.csv", testing::halve_segments(testing::coarse_open_polygon(), false));
        box = csv("box.csv", testing::box_scan({{0, 0, 0}, {12, 10, 8}}, 2.0));
        pix = dir.write("a.pix", testing::make_pix("200 200 40 240 200 40 220 230 35 E"));
        bmp = dir.write("a.bmp",
                        testing::make_bmp(4, 3, 8, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 8, 7, 6}}));
        bmp24 = dir.write("b.bmp", testing::make_bmp(4, 3, 24,
                                                     {testing::grey_row({1, 2, 3, 4}),
                                                      testing::grey_row({5, 6, 7, 8}),
                                                      testing::grey_row({9, 8, 7, 6})}));
        igs = dir.write("a.igs", testing::make_iges({"110,0.,0.,0.,30.,0.,0.;"}));
        stl = dir.write("a.stl", testing::make_stl({{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
                                                    {{{1, 0, 0}, {1, 1, 0}, {0, 1, 0}}}}));
        out_csv = dir.file("out.csv");
    }
};

const Files& files()
{
    static const Files f;
    return f;
}

/// One row: what the form holds first, then the command whose undo and redo are checked.
struct UndoCase {
    const char* command;
    std::function<void(HistoryForm&)> setup;
    std::function<CommandReport(HistoryForm&)> run;
};

std::function<void(HistoryForm&)> load_and(const std::string& file,
                                           std::vector<const char*> commands = {})
{
    return [file, commands](HistoryForm& f) {
        f.run("csv_file_input", {file});
        for (const char* c : commands) {
            f.run(c, {}, std::nullopt,
                  std::string_view(c).find("spline") != std::string_view::npos);
        }
    };
}

std::function<CommandReport(HistoryForm&)> plain(const char* name)
{
    return [name](HistoryForm& f) { return f.run(name); };
}

std::function<CommandReport(HistoryForm&)> with_file(const char* name, const std::string& file)
{
    return [name, file](HistoryForm& f) { return f.run(name, {file}); };
}

std::function<CommandReport(HistoryForm&)> with_spline(const char* name)
{
    return [name](HistoryForm& f) { return f.run(name, {}, std::nullopt, true); };
}

std::vector<UndoCase> undo_cases()
{
    const Files& d = files();
    const auto fitted_sphere = load_and(d.sphere, {"kyuumen"});
    const auto marked_sphere = load_and(d.sphere, {"kyuumen", "ijou1_hyouji"});
    const auto planes = load_and(d.box, {"poly_plane"});
    const auto bspline = load_and(d.curve, {"bspline_kai"});
    const auto fitted_plane = load_and(d.plane, {"heimen"});
    // A fitted plane with a selection across the middle of the view.
    const auto selected = [fitted_plane](HistoryForm& f) {
        fitted_plane(f);
        const double w = f.picture1.scale_width();
        const double h = f.picture1.scale_height();
        select_rectangle(f.ctx, 0.3 * w, 0.0, 0.7 * w, h, SelectionChange::add);
        ASSERT_GT(f.state.selection_count(), 0U);
        ASSERT_LT(f.state.selection_count(), f.state.point_count());
    };
    return {
        {"csv_file_input", fitted_plane, with_file("csv_file_input", d.sphere)},
        {"csv_merge_input", fitted_plane, with_file("csv_merge_input", d.sphere)},
        {"pix_file_input", fitted_plane, with_file("pix_file_input", d.pix)},
        {"vivid_file_input", fitted_plane, with_file("vivid_file_input", d.bmp)},
        {"bmp_mabiki", fitted_plane,
         [&d](HistoryForm& f) { return f.run("bmp_mabiki", {d.bmp24}, 10.0); }},
        {"iges_file_input", fitted_plane, with_file("iges_file_input", d.igs)},
        {"stl_file_input", fitted_plane, with_file("stl_file_input", d.stl)},
        {"auto_file_input", fitted_plane, with_file("auto_file_input", d.stl)},
        {"hyouji_only", fitted_plane, plain("hyouji_only")},
        {"heimen", load_and(d.plane), plain("heimen")},
        {"kyuumen", load_and(d.sphere), plain("kyuumen")},
        {"enko", load_and(d.circle), plain("enko")},
        {"entou", load_and(d.cylinder), plain("entou")},
        {"chokusen", load_and(d.line), plain("chokusen")},
        {"mono_spline", load_and(d.curve), with_spline("mono_spline")},
        {"bspline_kai", load_and(d.curve), with_spline("bspline_kai")},
        {"bspline_hei", load_and(d.curve), with_spline("bspline_hei")},
        {"reverse_bspline_kai", load_and(d.curve), with_spline("reverse_bspline_kai")},
        {"reverse_bspline_hei", load_and(d.curve), with_spline("reverse_bspline_hei")},
        {"spline_tougou", bspline, plain("spline_tougou")},
        {"spline_csv_file_output", bspline, with_file("spline_csv_file_output", d.out_csv)},
        {"seigyoten_output", bspline, with_file("seigyoten_output", d.out_csv)},
        {"zen_hyouji", marked_sphere, plain("zen_hyouji")},
        {"ijou1_hyouji", fitted_sphere, plain("ijou1_hyouji")},
        {"ijou10_hyouji", fitted_sphere, plain("ijou10_hyouji")},
        {"ijou_shoukyo", marked_sphere, plain("ijou_shoukyo")},
        {"data_mabiki", load_and(d.curve),
         [](HistoryForm& f) { return f.run("data_mabiki", {}, 10.0); }},
        {"hosei_kaijo", marked_sphere, plain("hosei_kaijo")},
        {"juushin_hosei", marked_sphere, plain("juushin_hosei")},
        {"messhu_nashi", fitted_plane, plain("messhu_nashi")},
        {"menhari", load_and(d.box), plain("menhari")},
        {"poly_plane", load_and(d.box), plain("poly_plane")},
        {"heimen_tougou", planes, plain("heimen_tougou")},
        {"sentaku_kiridashi", selected, plain("sentaku_kiridashi")},
        {"sentaku_shoukyo", selected, plain("sentaku_shoukyo")},
        {"sentaku_kaijo", selected, plain("sentaku_kaijo")},
        {"kyoukai_hyouji", planes, plain("kyoukai_hyouji")},
        {"saidai_edge_kenshutu", planes, plain("saidai_edge_kenshutu")},
    };
}

TEST(undo_redo, every_changing_command_is_undone_and_redone_exactly)
{
    std::set<std::string_view> covered;
    for (const UndoCase& c : undo_cases()) {
        SCOPED_TRACE(c.command);
        covered.insert(c.command);
        HistoryForm f;
        c.setup(f);
        const FormState before = f.state;
        const std::size_t steps_before = f.history.undo_count();
        const CommandReport report = c.run(f);
        ASSERT_TRUE(report.recorded)
            << "the command changed nothing; messages: "
            << (f.dialogs.messages.empty() ? "" : f.dialogs.messages.back());
        EXPECT_EQ(f.history.undo_count(), steps_before + 1);
        EXPECT_EQ(f.history.undo_title(), command_title(*find_menu_command(c.command)));
        const FormState after = f.state;
        ASSERT_FALSE(after == before);

        f.picture1.calls.clear();
        undo_Click(f.ctx);
        EXPECT_TRUE(f.state == before) << "undo gives back the state before the command";
        EXPECT_FALSE(f.picture1.calls.empty()) << "undo redraws";
        EXPECT_TRUE(f.history.can_redo());

        redo_Click(f.ctx);
        EXPECT_TRUE(f.state == after) << "redo gives back the state after the command";
        undo_Click(f.ctx);
        EXPECT_TRUE(f.state == before) << "and undo again";
    }
    // A new command that changes the form must get a row here.
    for (const MenuEntry& e : menu_tree()) {
        if (e.run != nullptr && e.recording == Recording::step) {
            EXPECT_TRUE(covered.contains(e.name)) << e.name << " has no undo row";
        }
    }
}

TEST(undo_redo, view_and_file_commands_make_no_step_and_change_only_the_view)
{
    const Files& d = files();
    // Commands that write a file also keep what they wrote as the current file's state.
    const std::map<std::string_view, std::string> answers{
        {"csv_file_output", d.dir.file("saved.csv")},
        {"stl_file_output", d.dir.file("m.stl")},
        {"kekka_hozon", d.dir.file("r.json")}};
    for (const MenuEntry& e : menu_tree()) {
        if (e.run == nullptr || e.recording != Recording::none || e.name == "undo" ||
            e.name == "redo") {
            continue;
        }
        SCOPED_TRACE(std::string(e.name));
        HistoryForm f;
        load_and(d.box, {"poly_plane", "kyoukai_hyouji", "heimen"})(f);
        f.run("zoom_up");
        undo_Click(f.ctx); // one redo step waits
        ASSERT_TRUE(f.history.can_redo());
        const std::size_t undo_steps = f.history.undo_count();
        FormState before = f.state;
        if (e.name == "csv_file_output") {
            f.dialogs.choices.push_back(0); // 15 digits
        }
        const auto answer = answers.find(e.name);
        const CommandReport report =
            f.run(std::string(e.name).c_str(), answer == answers.end()
                                                   ? std::vector<std::string>{}
                                                   : std::vector<std::string>{answer->second});
        EXPECT_FALSE(report.recorded);
        EXPECT_EQ(f.history.undo_count(), undo_steps);
        EXPECT_TRUE(f.history.can_redo()) << "a step of none keeps the redo steps";
        if (e.name == "csv_file_output") {
            // Saving makes the saved file the current one.
            EXPECT_EQ(f.state.fields["Text5"], answer->second);
            before.fields["Text5"] = answer->second;
            before.base_point_count = f.state.base_point_count;
        }
        EXPECT_FALSE(differs_beyond_view(before, f.state));
    }
}

TEST(undo_redo, undo_keeps_a_view_turned_since_and_a_new_command_drops_the_redo_steps)
{
    const Files& d = files();
    HistoryForm f;
    f.run("csv_file_input", {d.sphere});
    const FormState loaded = f.state;
    f.run("kyuumen");
    const FormState fitted = f.state;
    f.run("zoom_up");
    f.run("xy_men");
    const Mat3 turned = f.state.view_matrix;
    const double zoomed = f.state.view_scale;
    EXPECT_EQ(f.history.undo_title(), "球面") << "view commands are no steps";

    undo_Click(f.ctx);
    EXPECT_EQ(f.state.view_matrix, turned);
    EXPECT_EQ(f.state.view_scale, zoomed);
    EXPECT_EQ(f.state.fitted_kind, loaded.fitted_kind);
    EXPECT_EQ(f.state.fields["Text6"], loaded.fields.at("Text6"));
    EXPECT_EQ(f.state.radius, loaded.radius);
    EXPECT_EQ(f.history.redo_title(), "球面");

    redo_Click(f.ctx);
    EXPECT_EQ(f.state.radius, fitted.radius);
    EXPECT_EQ(f.state.view_matrix, turned);

    undo_Click(f.ctx);
    f.run("heimen");
    EXPECT_FALSE(f.history.can_redo()) << "a new step after an undo drops the redo steps";
    EXPECT_EQ(f.history.undo_title(), "平面");
    undo_Click(f.ctx);
    undo_Click(f.ctx); // the load
    EXPECT_EQ(f.state.point_count(), 0U);
    EXPECT_FALSE(f.history.can_undo());
    f.dialogs.messages.clear();
    undo_Click(f.ctx);
    EXPECT_EQ(f.dialogs.messages, std::vector<std::string>{"元に戻す操作がありません。"});
}

TEST(undo_redo, titles_name_the_submenu_where_the_caption_is_only_a_bracket)
{
    const std::vector<std::pair<const char*, const char*>> rows{
        {"bspline_kai", "Ｂスプライン（開ループ）"},
        {"reverse_bspline_hei", "逆Bスプライン（閉ループ）"},
        {"ijou_shoukyo", "異常データ割愛再計算"},
        {"juushin_hosei", "重心"},
        {"csv_file_input", "csv_input"}};
    for (const auto& [name, title] : rows) {
        EXPECT_EQ(command_title(*find_menu_command(name)), title) << name;
    }
    EXPECT_EQ(top_menu_of(*find_menu_command("bspline_hei")), "spline");
    EXPECT_EQ(top_menu_of(*find_menu_command("undo")), "henshuu");
    EXPECT_EQ(menu_tree().front().name, "henshuu") << "編集 is the first menu";
}

/// A state whose labels tell the steps apart, with `points` points.
FormState numbered_state(double mark, std::size_t points = 4)
{
    FormState s;
    for (std::size_t i = 0; i < points; ++i) {
        s.points.add({double(i), 0.0, 0.0}, mark);
    }
    return s;
}

TEST(history, keeps_at_most_max_steps_and_drops_the_oldest)
{
    History h({std::size_t{1} << 30, 3});
    FormState state = numbered_state(0);
    for (int k = 1; k <= 5; ++k) {
        FormState before = state;
        state = numbered_state(k);
        EXPECT_TRUE(h.record("step " + std::to_string(k), std::move(before), state));
    }
    EXPECT_EQ(h.undo_count(), 3U);
    for (int k = 4; k >= 2; --k) {
        ASSERT_TRUE(h.undo(state));
        EXPECT_EQ(state.points.label[0], double(k));
    }
    EXPECT_FALSE(h.undo(state)) << "steps 1 and 2 were dropped";
    EXPECT_EQ(state.points.label[0], 2.0);
    EXPECT_EQ(h.redo_title(), "step 3");
    ASSERT_TRUE(h.redo(state));
    EXPECT_EQ(state.points.label[0], 3.0);
}

TEST(history, keeps_within_max_bytes_dropping_the_oldest)
{
    const std::size_t n = 10000; // 80 kB of labels a step
    const std::size_t step_bytes = snapshot_bytes(numbered_state(0, n)) - n * sizeof(Vec3);
    History h({5 * step_bytes / 2, 50}); // room for two steps
    FormState state = numbered_state(0, n);
    for (int k = 1; k <= 4; ++k) {
        FormState before = state;
        state = numbered_state(k, n);
        EXPECT_TRUE(h.record("label " + std::to_string(k), std::move(before), state));
        EXPECT_LE(h.bytes(), h.limits().max_bytes);
    }
    EXPECT_EQ(h.undo_count(), 2U) << "only the labels changed, so only they were kept";
    ASSERT_TRUE(h.undo(state));
    ASSERT_TRUE(h.undo(state));
    EXPECT_EQ(state.points.label[0], 2.0);
    EXPECT_FALSE(h.can_undo());

    // An undo swaps the large cloud of a load into its step: older steps go to keep the bound,
    // and the step itself when the large cloud alone is over it.
    for (const bool room_for_large : {true, false}) {
        SCOPED_TRACE(room_for_large ? "room for the large cloud" : "no room");
        const std::size_t large_bytes = snapshot_bytes(numbered_state(2, n));
        History g({room_for_large ? large_bytes + 100 : large_bytes / 2, 50});
        FormState s1 = numbered_state(2, 10);
        ASSERT_TRUE(g.record("small", numbered_state(1, 10), s1));
        FormState large = numbered_state(2, n);
        ASSERT_TRUE(g.record("load", FormState(s1), large));
        ASSERT_TRUE(g.undo(large));
        EXPECT_EQ(large.point_count(), 10U);
        EXPECT_LE(g.bytes(), g.limits().max_bytes);
        EXPECT_FALSE(g.can_undo()) << "the older step went";
        EXPECT_EQ(g.can_redo(), room_for_large);
        if (room_for_large) {
            ASSERT_TRUE(g.redo(large));
            EXPECT_EQ(large.point_count(), n);
        }
    }
}

TEST(history, a_step_larger_than_the_bound_clears_the_history)
{
    History h({20000, 50});
    FormState a = numbered_state(0);
    FormState b = numbered_state(1);
    ASSERT_TRUE(h.record("small", FormState(a), b));
    FormState after_big = numbered_state(2);
    EXPECT_FALSE(h.record("big", numbered_state(3, 5000), after_big)) << "5000 points to keep";
    EXPECT_FALSE(h.can_undo());
    EXPECT_EQ(h.bytes(), 0U);
}

TEST(command_runner, a_state_too_large_for_the_history_asks_before_the_command_runs)
{
    const Files& d = files();
    for (const bool answer : {false, true}) {
        SCOPED_TRACE(answer ? "run anyway" : "declined");
        HistoryForm f;
        f.run("csv_file_input", {d.plane});
        ASSERT_TRUE(f.history.can_undo());
        f.history = History({snapshot_bytes(f.state) - 1, 50}); // the state no longer fits
        ASSERT_FALSE(f.history.can_hold(f.state));
        FormState smaller = numbered_state(0);
        FormState small_after = numbered_state(1);
        ASSERT_TRUE(f.history.record("small", std::move(smaller), small_after));
        f.dialogs.confirms.push_back(answer);
        const FormState before = f.state;
        const CommandReport report = f.run("heimen");
        ASSERT_EQ(f.dialogs.confirm_questions.size(), 1U);
        EXPECT_NE(f.dialogs.confirm_questions[0].find("「平面」は元に戻せません"), std::string::npos)
            << f.dialogs.confirm_questions[0];
        EXPECT_EQ(report.ran, answer);
        EXPECT_FALSE(report.recorded);
        EXPECT_FALSE(report.undoable);
        EXPECT_EQ(f.state.fitted_kind == analysis_kinds::plane, answer);
        if (!answer) {
            EXPECT_TRUE(f.state == before) << "declined: nothing ran";
        }
        EXPECT_EQ(f.history.can_undo(), !answer) << "running it anyway forgets the older steps";
    }
}

TEST(differs_beyond_view, counts_every_change_but_the_view)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* name;
        std::function<void(FormState&)> change;
        bool differs;
    };
    const std::vector<Row> rows{
        {"nothing", [](FormState&) {}, false},
        {"zoom",
         [](FormState& s) {
             s.view_scale *= 2;
             s.view_extent /= 2;
         },
         false},
        {"turn", [](FormState& s) { s.view_matrix[0][1] = 0.5; }, false},
        {"typed angle", [](FormState& s) { s.fields["Text8(1)"] = "30"; }, false},
        {"plane angles", [](FormState& s) { s.fields["Text4(0)"] = "12"; }, false},
        {"display mode",
         [](FormState& s) {
             s.marker_mode = 1;
             s.surface_display = 2;
         },
         false},
        {"mouse", [](FormState& s) { s.last_mouse_x = 3; }, false},
        {"point moved", [](FormState& s) { s.points.xyz[2][1] = 0.25; }, true},
        {"label", [](FormState& s) { s.points.label[3] = 1; }, true},
        {"point added",
         [](FormState& s) {
             s.points.add({9, 9, 9});
         },
         true},
        {"minus zero", [](FormState& s) { s.points.xyz[0][0] = -0.0; }, true},
        {"result", [](FormState& s) { s.radius = 2; }, true},
        {"kind", [](FormState& s) { s.analysis_kind = 2; }, true},
        {"base", [](FormState& s) { s.base_point_count = 1; }, true},
        {"result field", [](FormState& s) { s.fields["Text6"] = "平面解析"; }, true},
        {"triangle", [](FormState& s) { s.tri_a.push_back(1); }, true},
        {"segment", [](FormState& s) { s.segments.push_back({}); }, true},
        {"plane",
         [](FormState& s) {
             s.uu.push_back({0, 0, 1});
         },
         true},
        {"curve", [](FormState& s) { s.control_x.push_back(1); }, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FormState a = numbered_state(0);
        a.std_deviation = nan; // the same NaN on both sides is no change
        FormState b = a;
        row.change(b);
        const FormState b_before = b;
        EXPECT_EQ(differs_beyond_view(a, b), row.differs);
        EXPECT_EQ(differs_beyond_view(b, a), row.differs);
        // Both states are left as they were (compared member by member, NaN aside).
        EXPECT_EQ(b.fields, b_before.fields);
        EXPECT_EQ(b.points, b_before.points);
    }
}

TEST(snapshot_bytes, grows_with_the_cloud_and_the_mesh)
{
    FormState s;
    const std::size_t empty = snapshot_bytes(s);
    s.points.resize(1000000);
    s.tri_a.resize(100);
    const std::size_t expected = 1000000 * (sizeof(Vec3) + sizeof(double)) + 100 * sizeof(int);
    EXPECT_EQ(snapshot_bytes(s) - empty, expected);
}

} // namespace
} // namespace tengun
