// The result report of every analysis kind, read back from its CSV, tab-separated and text
// forms: each value comes back exactly as the form holds it. The commands that save and copy it.
#include "app/result_report.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "app/command_helpers.h"
#include "app/commands.h"
#include "formats/csv_points.h"
#include "support/clouds.h"
#include "support/merge_polygons.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::TempDir;
using testing::TestForm;

/// Splits one CSV record (RFC 4180 quotes) or, with '\t', one tab-separated row.
std::vector<std::string> split_row(const std::string& line, char separator)
{
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            cells.back() += '"';
            ++i;
        } else if (separator == ',' && c == '"') {
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

/// Header and value row of a two-line table.
std::pair<std::vector<std::string>, std::vector<std::string>> read_table(const std::string& text,
                                                                         char separator)
{
    const std::size_t end = text.find('\n');
    EXPECT_NE(end, std::string::npos);
    EXPECT_EQ(text.back(), '\n');
    const std::string second = text.substr(end + 1, text.size() - end - 2);
    EXPECT_EQ(second.find('\n'), std::string::npos) << "exactly two rows";
    return {split_row(text.substr(0, end), separator), split_row(second, separator)};
}

double number(const std::string& cell)
{
    double x = std::nan("");
    const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), x);
    EXPECT_TRUE(ec == std::errc{} && end == cell.data() + cell.size()) << cell;
    return x;
}

std::vector<double> values_of(const Vec3& v)
{
    return {v[0], v[1], v[2]};
}

struct KindCase {
    const char* name;
    std::vector<Vec3> cloud;
    void (*command)(CommandContext&);
    bool spline;
    /// key -> the numbers the form holds for it
    std::function<std::map<std::string, std::vector<double>>(const FormState&)> expected;
};

std::vector<KindCase> kind_cases()
{
    using testing::plane_cloud;
    using testing::round_cloud;
    std::vector<Vec3> ring = round_cloud(40, 2, {1, 2, 0}, 4, 0.01, 8);
    for (Vec3& p : ring) {
        p[2] = 0.001 * p[0];
    }
    std::vector<Vec3> tube;
    for (int i = 0; i < 90; ++i) {
        const double t = 0.7 * i;
        tube.push_back({3 * std::cos(t), 3 * std::sin(t), 0.1 * i + 0.01 * std::sin(5.0 * i)});
    }
    std::vector<Vec3> rod;
    for (int i = 0; i < 30; ++i) {
        rod.push_back({1.0 * i, 0.5 * i + 0.02 * (i % 3), 2.0 - 0.01 * (i % 2)});
    }
    const std::vector<Vec3> curve = testing::halve_segments(testing::coarse_open_polygon(), false);
    return {
        {"plane", plane_cloud(60, {1, 2, 3}, {1, 0, 0.2}, {0, 1, -0.1}, 5, 0.02), heimen_Click,
         false,
         [](const FormState& s) {
             return std::map<std::string, std::vector<double>>{{"normal", values_of(s.axis_vector)},
                                                               {"offset", {s.plane_offset}},
                                                               {"foot", values_of(s.plane_foot)},
                                                               {"sigma", {s.std_deviation}}};
         }},
        {"sphere", round_cloud(80, 3, {1, 2, 3}, 10, 0.05, 7), kyuumen_Click, false,
         [](const FormState& s) {
             return std::map<std::string, std::vector<double>>{{"centre", values_of(s.centre)},
                                                               {"radius", {s.radius}},
                                                               {"sigma", {s.std_deviation}}};
         }},
        {"arc", ring, enko_Click, false,
         [](const FormState& s) {
             return std::map<std::string, std::vector<double>>{{"normal", values_of(s.axis_vector)},
                                                               {"offset", {s.plane_offset}},
                                                               {"foot", values_of(s.plane_foot)},
                                                               {"centre", values_of(s.centre)},
                                                               {"radius", {s.radius}},
                                                               {"sigma", {s.std_deviation}}};
         }},
        {"cylinder", tube, entou_Click, false,
         [](const FormState& s) {
             return std::map<std::string, std::vector<double>>{{"axis", values_of(s.axis_vector)},
                                                               {"centre", values_of(s.centre)},
                                                               {"radius", {s.radius}},
                                                               {"sigma", {s.std_deviation}}};
         }},
        {"line", rod, chokusen_Click, false,
         [](const FormState& s) {
             return std::map<std::string, std::vector<double>>{
                 {"point", values_of(s.line_point)},
                 {"direction", values_of(s.axis_vector)},
                 {"sigma", {s.std_deviation}}};
         }},
        {"single_spline", curve, mono_spline_Click, true,
         [](const FormState& s) {
             return std::map<std::string, std::vector<double>>{
                 {"degree", {3.0}},
                 {"coefficients_x", s.poly_x},
                 {"coefficients_y", s.poly_y},
                 {"coefficients_z", s.poly_z},
                 {"middle", values_of(s.line_point)},
                 {"tangent", values_of(s.axis_vector)}};
         }},
        {"bspline", curve, bspline_hei_Click, true,
         [](const FormState& s) {
             return std::map<std::string, std::vector<double>>{
                 {"control_point_count", {double(s.control_x.size())}}};
         }},
        {"inverse_bspline", curve, reverse_bspline_kai_Click, true,
         [](const FormState& s) {
             return std::map<std::string, std::vector<double>>{
                 {"control_point_count", {double(s.control_x.size())}}};
         }},
    };
}

/// The worst point by brute force: largest |residual|, the first of equal ones.
std::pair<std::size_t, double> reference_worst(const FormState& s)
{
    std::size_t worst = 0;
    double value = -1.0;
    double residual = 0.0;
    for (std::size_t i = 0; i < s.point_count(); ++i) {
        const double r = fit_residual(s.analysis_kind, s.points.xyz[i], fitted_shape(s));
        if (std::fabs(r) > value) {
            value = std::fabs(r);
            worst = i;
            residual = r;
        }
    }
    return {worst + 1, residual};
}

TEST(result_report, every_kind_reads_back_exactly_from_csv_tsv_and_text)
{
    TempDir dir;
    for (const KindCase& c : kind_cases()) {
        SCOPED_TRACE(c.name);
        TestForm f;
        f.dialogs.files.push_back(dir.write("cloud.csv", write_csv_points(c.cloud)));
        csv_file_input_Click(f.ctx);
        if (c.spline) {
            f.dialogs.splines.push_back(testing::ScriptedDialogs::Spline{3, 10});
        }
        c.command(f.ctx);
        ASSERT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front();
        ResultReport report;
        std::string why;
        ASSERT_TRUE(
            build_result_report(f.state, "2026-01-02T03:04:05+09:00", "Tengun 9.9.9", report, why))
            << why;

        // The values the columns must hold: common ones, the kind's own, the worst point.
        std::map<std::string, std::vector<double>> numbers = c.expected(f.state);
        numbers["point_count"] = {double(c.cloud.size())};
        std::map<std::string, std::string> texts{{"file", f.state.fields["Text5"]},
                                                 {"kind", c.name},
                                                 {"date", "2026-01-02T03:04:05+09:00"},
                                                 {"version", "Tengun 9.9.9"}};
        if (f.state.analysis_kind <= analysis_kinds::line) {
            const auto [point, residual] = reference_worst(f.state);
            numbers["worst_point"] = {double(point)};
            numbers["worst_point_xyz"] = values_of(f.state.points.xyz[point - 1]);
            numbers["worst_residual"] = {residual};
        }

        const auto [header, values] = read_table(result_csv(report), ',');
        const auto [labels, cells] = read_table(result_tsv(report), '\t');
        ASSERT_EQ(header.size(), values.size());
        ASSERT_EQ(labels.size(), values.size());
        EXPECT_EQ(cells, values) << "the clipboard holds the same values";
        const std::string text = result_text(report);
        std::size_t column = 0;
        std::set<std::string> seen;
        for (const ResultItem& item : report.items) {
            SCOPED_TRACE(item.key);
            seen.insert(item.key);
            EXPECT_NE(text.find(item.label + "（" + item.key + "）: "), std::string::npos);
            const std::vector<std::string> columns = result_columns(item);
            for (std::size_t k = 0; k < columns.size(); ++k) {
                ASSERT_LT(column + k, header.size());
                EXPECT_EQ(header[column + k], columns[k]);
            }
            if (const auto t = texts.find(item.key); t != texts.end()) {
                EXPECT_EQ(values[column], t->second);
            }
            if (const auto n = numbers.find(item.key); n != numbers.end()) {
                ASSERT_EQ(columns.size(), n->second.size());
                for (std::size_t k = 0; k < columns.size(); ++k) {
                    EXPECT_EQ(number(values[column + k]), n->second[k]) << columns[k];
                    EXPECT_NE(text.find(full_precision(n->second[k], item.whole)),
                              std::string::npos);
                }
            }
            column += columns.size();
        }
        EXPECT_EQ(column, header.size());
        for (const auto& [key, expected] : numbers) {
            EXPECT_TRUE(seen.contains(key)) << key << " missing";
        }
        const bool sigma_defined = text.find("σ = √") != std::string::npos;
        EXPECT_EQ(sigma_defined, !c.spline) << "σ comes with its definition";
    }
}

TEST(result_report, refuses_without_a_result_of_the_current_analysis)
{
    TempDir dir;
    TestForm f;
    ResultReport report;
    report.items.push_back({"keep", "", "", ResultItem::Shape::text, {}, "me"});
    std::string why;
    EXPECT_FALSE(build_result_report(f.state, "", "", report, why));
    EXPECT_NE(why.find("解析結果がありません"), std::string::npos);

    // A flat cloud: the plane fit holds, the sphere fit fails and keeps its kind selected.
    f.dialogs.files.push_back(dir.write(
        "flat.csv",
        write_csv_points(testing::plane_cloud(30, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 3, 0.0))));
    csv_file_input_Click(f.ctx);
    heimen_Click(f.ctx);
    EXPECT_TRUE(build_result_report(f.state, "", "", report, why));
    kyuumen_Click(f.ctx);
    ASSERT_EQ(f.state.analysis_kind, analysis_kinds::sphere);
    why.clear();
    ResultReport untouched;
    EXPECT_FALSE(build_result_report(f.state, "", "", untouched, why));
    EXPECT_NE(why.find("「球面解析」の結果がありません"), std::string::npos) << why;
    EXPECT_TRUE(untouched.items.empty());

    // A load keeps the old results but they are not the new cloud's.
    heimen_Click(f.ctx);
    f.dialogs.files.push_back(dir.file("flat.csv"));
    csv_file_input_Click(f.ctx);
    f.state.analysis_kind = analysis_kinds::plane;
    EXPECT_FALSE(build_result_report(f.state, "", "", untouched, why));
}

TEST(full_precision, seventeen_digits_counts_as_integers_and_named_non_numbers)
{
    const std::vector<std::tuple<double, bool, const char*>> rows{
        {0.1, false, "0.10000000000000001"},
        {-2.5, false, "-2.5"},
        {1e-5, false, "1.0000000000000001e-05"},
        {1.0 / 3.0, false, "0.33333333333333331"},
        {1234.0, true, "1234"},
        {std::nan(""), false, "nan"},
        {-HUGE_VAL, false, "-inf"},
    };
    for (const auto& [x, whole, text] : rows) {
        EXPECT_EQ(full_precision(x, whole), text);
    }
}

TEST(result_formats, quote_and_escape_the_texts)
{
    ResultReport r;
    r.items.push_back({"file", "ファイル", "", ResultItem::Shape::text, {}, "a,\"b\"\tc\nd"});
    r.items.push_back({"v", "ベクトル", "", ResultItem::Shape::vector, {1, 2, 3}, {}});
    r.items.push_back({"x", "値", "意味", ResultItem::Shape::number, {std::nan("")}, {}});
    EXPECT_EQ(result_csv(r), "file,v_x,v_y,v_z,x\n\"a,\"\"b\"\"\tc\nd\",1,2,3,nan\n");
    EXPECT_EQ(result_tsv(r),
              "ファイル\tベクトル x\tベクトル y\tベクトル z\t値\na,\"b\" c d\t1\t2\t3\tnan\n");
    EXPECT_EQ(result_json(r), "{\n  \"file\": \"a,\\\"b\\\"\\tc\\nd\",\n  \"v\": [1, 2, 3],\n"
                              "  \"x\": null,\n  \"meanings\": {\n    \"x\": \"意味\"\n  }\n}\n");
}

TEST(kekka_commands, save_by_the_name_given_and_copy_tab_separated_rows)
{
    TempDir dir;
    TestForm f;
    f.dialogs.files.push_back(dir.file("x.csv"));
    kekka_hozon_Click(f.ctx);
    EXPECT_EQ(f.dialogs.chooser_shown, 0) << "told before the chooser opens";
    ASSERT_EQ(f.dialogs.messages.size(), 1U);
    f.dialogs.files.clear();
    f.dialogs.messages.clear();

    f.dialogs.files.push_back(dir.write(
        "p.csv",
        write_csv_points(testing::plane_cloud(20, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, 2, 0.01))));
    csv_file_input_Click(f.ctx);
    heimen_Click(f.ctx);
    const std::vector<std::pair<std::string, std::string>> rows{
        {"r.JSON", "{\n"}, {"r.csv", "file,point_count,kind,"}, {"r", "Tengun 解析結果\n"}};
    for (const auto& [name, start] : rows) {
        SCOPED_TRACE(name);
        f.dialogs.files.push_back(dir.file(name));
        kekka_hozon_Click(f.ctx);
        const std::string written = name == "r" ? dir.file("r.txt") : dir.file(name);
        EXPECT_EQ(TempDir::read(written).substr(0, start.size()), start);
        EXPECT_EQ(f.program.selected_file_name, written);
    }
    EXPECT_EQ(f.state.fields["Text5"], dir.file("p.csv")) << "the source file stays";
    kekka_copy_Click(f.ctx);
    ASSERT_EQ(f.dialogs.clipboard.size(), 1U);
    EXPECT_TRUE(f.dialogs.clipboard[0].starts_with("ファイル\t点群数\t解析の種類\t"));
    EXPECT_TRUE(f.dialogs.messages.empty());
}

} // namespace
} // namespace tengun
