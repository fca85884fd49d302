// tengun-cli end to end with undo and redo, and the results written as JSON, CSV and text and
// copied as tab-separated rows: each form read back gives the values the form holds.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <cmath>

#include <map>

#include "cli_run.h"
#include "correction/residual_marks.h"
#include "formats/csv_points.h"
#include "support/clouds.h"
#include "support/merge_polygons.h"

namespace tengun {
namespace {

using testing::run_cli;
using testing::write_file;

const QString states = QStringLiteral(
    "--state=point_count,analysis_kind,axis_vector,plane_offset,plane_foot,centre,radius,"
    "std_deviation,line_point,poly_x,control_x,labels,view_scale,fit_rotation,points,form_error,"
    "form_error_min_zone,min_zone_reference");

class CliHistory : public ::testing::Test {
protected:
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString cloud(const char* name, const std::vector<Vec3>& points) const
    {
        write_file(file(name), write_csv_points(points));
        return file(name);
    }
    QTemporaryDir dir;
};

TEST_F(CliHistory, undo_and_redo_give_back_the_states_before_and_after)
{
    const QString input = "csv_file_input=" +
                          cloud("sphere.csv", testing::round_cloud(60, 3, {1, 2, 3}, 10, 0.05, 4));
    const auto run = [&](QStringList commands) {
        commands.prepend(input);
        commands << states;
        const testing::CliRun r = run_cli(commands);
        EXPECT_EQ(r.exit_code, 0) << r.err.toStdString();
        return r.json;
    };
    const QJsonObject loaded = run({});
    const QJsonObject fitted = run({"kyuumen"});
    const QJsonObject marked = run({"kyuumen", "ijou1_hyouji"});
    const QJsonObject removed = run({"kyuumen", "ijou1_hyouji", "ijou_shoukyo"});
    ASSERT_FALSE(loaded.isEmpty());
    ASSERT_NE(fitted, loaded);
    ASSERT_NE(removed["point_count"], marked["point_count"]);

    EXPECT_EQ(run({"kyuumen", "undo"}), loaded);
    EXPECT_EQ(run({"kyuumen", "undo", "redo"}), fitted);
    EXPECT_EQ(run({"kyuumen", "ijou1_hyouji", "ijou_shoukyo", "undo"}), marked);
    EXPECT_EQ(run({"kyuumen", "ijou1_hyouji", "ijou_shoukyo", "undo", "undo", "undo"}), loaded);
    EXPECT_EQ(run({"kyuumen", "ijou1_hyouji", "ijou_shoukyo", "undo", "undo", "redo", "redo"}),
              removed);

    // The view is no step: an undo after a zoom takes back the fit and keeps the zoom.
    const QJsonObject zoomed = run({"kyuumen", "zoom_up", "undo"});
    EXPECT_EQ(zoomed["std_deviation"], loaded["std_deviation"]);
    EXPECT_EQ(zoomed["view_scale"].toDouble(), 2 * loaded["view_scale"].toDouble());

    // A new command after an undo leaves nothing to redo.
    const testing::CliRun nothing =
        run_cli({input, "kyuumen", "undo", "heimen", "redo", "undo", "undo", "undo"});
    EXPECT_EQ(nothing.exit_code, 0);
    EXPECT_EQ(nothing.json["messages"].toArray(),
              (QJsonArray{"やり直す操作がありません。", "元に戻す操作がありません。"}));
}

struct KindRow {
    const char* name;
    const char* command;
    std::vector<Vec3> cloud;
    /// JSON key of the result file -> state name of the run
    std::vector<std::pair<const char*, const char*>> values;
};

std::vector<KindRow> kind_rows()
{
    using testing::plane_cloud;
    using testing::round_cloud;
    const std::vector<Vec3> curve = testing::halve_segments(testing::coarse_open_polygon(), false);
    return {
        {"plane",
         "heimen",
         plane_cloud(50, {1, 2, 3}, {1, 0, 0.2}, {0, 1, -0.1}, 5, 0.02),
         {{"normal", "axis_vector"},
          {"offset", "plane_offset"},
          {"foot", "plane_foot"},
          {"sigma", "std_deviation"}}},
        {"sphere",
         "kyuumen",
         round_cloud(70, 3, {1, 2, 3}, 10, 0.05, 7),
         {{"centre", "centre"}, {"radius", "radius"}, {"sigma", "std_deviation"}}},
        {"arc",
         "enko",
         testing::arc_cloud(),
         {{"normal", "axis_vector"},
          {"centre", "centre"},
          {"radius", "radius"},
          {"sigma", "std_deviation"}}},
        {"cylinder",
         "entou",
         testing::cylinder_cloud(),
         {{"axis", "axis_vector"},
          {"centre", "centre"},
          {"radius", "radius"},
          {"sigma", "std_deviation"}}},
        {"line",
         "chokusen",
         testing::line_cloud(),
         {{"point", "line_point"}, {"direction", "axis_vector"}, {"sigma", "std_deviation"}}},
        {"single_spline", "mono_spline=3,10", curve, {{"coefficients_x", "poly_x"}}},
        {"bspline", "bspline_kai=3,10", curve, {}},
        {"inverse_bspline", "reverse_bspline_hei=3,10", curve, {}},
    };
}

/// The CSV value of each column as text, by column name.
std::map<QString, QString> csv_columns(const QString& text)
{
    const QStringList rows = text.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(rows.size(), 2);
    std::map<QString, QString> columns;
    if (rows.size() == 2) {
        const QStringList header = rows[0].split(',');
        const QStringList values = rows[1].split(','); // no commas in these names
        EXPECT_EQ(header.size(), values.size());
        for (qsizetype k = 0; k < header.size() && k < values.size(); ++k) {
            columns[header[k]] = values[k];
        }
    }
    return columns;
}

Vec3 vec(const QJsonValue& v)
{
    const QJsonArray a = v.toArray();
    return {a[0].toDouble(), a[1].toDouble(), a[2].toDouble()};
}

/// The worst point by brute force from the run's state values: the first of the largest
/// residuals in size, as number (1-based) and residual.
std::pair<int, double> reference_worst(const QJsonObject& run)
{
    FittedShape shape;
    shape.normal = vec(run["axis_vector"]);
    shape.offset = run["plane_offset"].toDouble();
    shape.centre = vec(run["centre"]);
    shape.radius = run["radius"].toDouble();
    shape.line_point = vec(run["line_point"]);
    const QJsonArray frame = run["fit_rotation"].toArray();
    for (int k = 0; k < 3; ++k) {
        shape.frame[static_cast<std::size_t>(k)] = vec(frame[k]);
    }
    const QJsonArray points = run["points"].toArray();
    int worst = 0;
    double residual = 0.0;
    for (int i = 0; i < points.size(); ++i) {
        const double r = fit_residual(run["analysis_kind"].toInt(), vec(points[i]), shape);
        if (i == 0 || std::fabs(r) > std::fabs(residual)) {
            worst = i + 1;
            residual = r;
        }
    }
    return {worst, residual};
}

QString read_text(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(f.readAll());
}

TEST_F(CliHistory, results_file_in_json_csv_and_text_and_the_clipboard_for_every_kind)
{
    for (const KindRow& row : kind_rows()) {
        SCOPED_TRACE(row.name);
        const QString input = cloud("cloud.csv", row.cloud);
        const testing::CliRun r =
            run_cli({"csv_file_input=" + input, row.command, "kekka_hozon=" + file("r.json"),
                     "kekka_hozon=" + file("r.csv"), "kekka_hozon=" + file("r"), "kekka_copy",
                     "--clipboard", file("copy.tsv"), states});
        ASSERT_EQ(r.exit_code, 0) << r.err.toStdString();
        ASSERT_TRUE(r.json["messages"].toArray().isEmpty())
            << r.json["messages"].toArray().first().toString().toStdString();

        QJsonParseError error{};
        const QJsonObject result =
            QJsonDocument::fromJson(read_text(file("r.json")).toUtf8(), &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError);
        EXPECT_EQ(result["kind"].toString(), row.name);
        EXPECT_EQ(result["file"].toString(), input);
        EXPECT_EQ(result["point_count"], r.json["point_count"]);
        EXPECT_EQ(result["version"].toString(), "Tengun " TENGUN_TEST_VERSION);
        EXPECT_TRUE(QDateTime::fromString(result["date"].toString(), Qt::ISODate).isValid())
            << result["date"].toString().toStdString();
        const QJsonObject meanings = result["meanings"].toObject();
        for (const auto& [key, state] : row.values) {
            SCOPED_TRACE(key);
            EXPECT_EQ(result[key], r.json[state]) << "exactly the value the form holds";
            EXPECT_FALSE(meanings[key].toString().isEmpty());
        }
        if (row.values.size() > 1) {
            // The form errors as the form holds them.
            EXPECT_EQ(result["form_error"], r.json["form_error"]);
            EXPECT_EQ(result["form_error_min_zone"], r.json["form_error_min_zone"]);
            EXPECT_EQ(result["min_zone_points"],
                      r.json["min_zone_reference"].toObject()["defining_points"]);
            EXPECT_TRUE(meanings["sigma"].toString().startsWith("σ = √"));
            const auto [worst, residual] = reference_worst(r.json);
            EXPECT_EQ(result["worst_point"].toInt(), worst);
            EXPECT_EQ(result["worst_residual"].toDouble(), residual);
            EXPECT_EQ(result["worst_point_xyz"], r.json["points"].toArray()[worst - 1]);
        }

        // The CSV holds the same values as the JSON, column by column.
        const std::map<QString, QString> columns = csv_columns(read_text(file("r.csv")));
        std::size_t numbers = 0;
        for (auto it = result.begin(); it != result.end(); ++it) {
            const QJsonValue v = it.value();
            if (v.isDouble()) {
                ++numbers;
                EXPECT_EQ(columns.at(it.key()).toDouble(), v.toDouble()) << it.key().toStdString();
            } else if (v.isArray()) {
                const QJsonArray a = v.toArray();
                for (qsizetype k = 0; k < a.size(); ++k) {
                    const QString suffix = a.size() == 3 && !it.key().startsWith("coefficients") &&
                                                   it.key() != "min_zone_points"
                                               ? QString(QChar("xyz"[k]))
                                               : QString::number(k);
                    EXPECT_EQ(columns.at(it.key() + "_" + suffix).toDouble(), a[k].toDouble());
                    ++numbers;
                }
            } else if (v.isString() && it.key() != "date") { // written a moment apart
                EXPECT_EQ(columns.at(it.key()), v.toString());
            }
        }
        EXPECT_GE(numbers, 2U);

        const QString text = read_text(file("r.txt"));
        EXPECT_TRUE(text.startsWith("Tengun 解析結果\n"));
        EXPECT_TRUE(text.contains("ファイル（file）: " + input + "\n"));
        const QString tsv = read_text(file("copy.tsv"));
        EXPECT_EQ(tsv, r.json["clipboard"].toString());
        const QStringList rows = tsv.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(rows.size(), 2);
        QStringList copied = rows[1].split('\t');
        const QStringList header = read_text(file("r.csv")).split('\n').front().split(',');
        ASSERT_EQ(copied.size(), header.size());
        for (qsizetype k = 0; k < header.size(); ++k) {
            if (header[k] != "date") { // copied a moment after the file was written
                EXPECT_EQ(copied[k], columns.at(header[k])) << header[k].toStdString();
            }
        }
    }
}

TEST_F(CliHistory, no_result_is_said_and_no_file_is_written)
{
    const testing::CliRun r = run_cli(
        {"csv_file_input=" + cloud("c.csv", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
         "kekka_hozon=" + file("none.json"), "kekka_copy", "--clipboard", file("copy.tsv")});
    EXPECT_EQ(r.exit_code, 3) << "nothing to save or copy";
    EXPECT_EQ(r.json["messages"].toArray().size(), 2);
    EXPECT_FALSE(QFile::exists(file("none.json")));
    EXPECT_TRUE(QFile::exists(file("copy.tsv")));
    EXPECT_EQ(read_text(file("copy.tsv")), "") << "nothing copied: an empty file";
    EXPECT_FALSE(r.json.contains("clipboard"));
}

} // namespace
} // namespace tengun
