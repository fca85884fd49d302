// tengun-cli as a user runs it: a process, its exit status, its JSON on stdout, its PNG files.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "cli/cli_options.h"
#include "cli_run.h"

namespace {

using tengun::testing::CliRun;
using tengun::testing::dark_pixels;
using tengun::testing::field_number;
using tengun::testing::run_cli;

TEST(tengun_cli, first_view_as_png_and_its_angle_fields)
{
    const QTemporaryDir dir;
    const CliRun run =
        run_cli({"hyouji_only", "--png1", "view.png", "--size", "400x300"}, dir.path());
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    ASSERT_FALSE(run.json.isEmpty()) << run.out.toStdString();
    EXPECT_NEAR(field_number(run, "Text8(0)"), -45.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text8(1)"), 45.0, 1e-9);
    EXPECT_NEAR(field_number(run, "Text8(2)"), 145.0, 1e-9);
    EXPECT_EQ(run.json["fields"].toObject()["Label7(2)"].toString(), "点群数＝");
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());

    const QImage view(dir.filePath("view.png"));
    ASSERT_FALSE(view.isNull());
    EXPECT_EQ(view.size(), QSize(400, 300));
    // The three axis labels are printed at the centre before anything is loaded.
    EXPECT_GT(dark_pixels(view), 20);
    EXPECT_EQ(dark_pixels(view.copy(0, 0, 150, 300)), 0);
}

TEST(tengun_cli, both_pictures_take_the_size_and_the_default_is_800x600)
{
    const QTemporaryDir dir;
    ASSERT_EQ(
        run_cli({"--png2=graph.png", "--png1=view.png", "--size=123x45"}, dir.path()).exit_code, 0);
    EXPECT_EQ(QImage(dir.filePath("view.png")).size(), QSize(123, 45));
    EXPECT_EQ(QImage(dir.filePath("graph.png")).size(), QSize(123, 45));
    ASSERT_EQ(run_cli({"--png1", "default.png"}, dir.path()).exit_code, 0);
    EXPECT_EQ(QImage(dir.filePath("default.png")).size(), QSize(800, 600));
}

TEST(tengun_cli, initial_state_before_any_load)
{
    const CliRun run = run_cli({"--state", "point_count,view_extent,view_scale", "--state=points"});
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["point_count"].toDouble(-1), 0.0);
    EXPECT_EQ(run.json["view_extent"].toDouble(-1), 1.0);
    EXPECT_EQ(run.json["view_scale"].toDouble(-1), 0.0);
    EXPECT_TRUE(run.json["points"].isArray());
    EXPECT_TRUE(run.json["points"].toArray().isEmpty());
}

TEST(tengun_cli, typed_zero_angles_give_the_identity_view)
{
    const CliRun run = run_cli({"Command1=0,0,0", "--state", "view_matrix"});
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    const QJsonArray rows = run.json["view_matrix"].toArray();
    ASSERT_EQ(rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QJsonArray row = rows[i].toArray();
        ASSERT_EQ(row.size(), 3);
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(row[j].toDouble(99.0), i == j ? 1.0 : 0.0, 1e-12) << i << ',' << j;
        }
    }
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
}

TEST(tengun_cli, an_angle_that_is_no_number_is_reported_and_keeps_the_view)
{
    const CliRun before = run_cli({"--state", "view_matrix"});
    const CliRun run = run_cli({"Command1=a,0,0", "--state", "view_matrix"});
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    const QJsonArray messages = run.json["messages"].toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_FALSE(messages[0].toString().isEmpty());
    EXPECT_EQ(run.json["view_matrix"], before.json["view_matrix"]);
    EXPECT_NEAR(field_number(run, "Text8(0)"), -45.0, 1e-9);  // the redraw shows the view again
}

TEST(tengun_cli, messhu_nashi_names_the_plain_3d_display)
{
    const CliRun run = run_cli({"messhu_nashi", "--state", "surface_display"});
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["fields"].toObject()["Text6"].toString(), "３次元表示");
    EXPECT_EQ(run.json["surface_display"].toDouble(-1), 0.0);
}

TEST(tengun_cli, spline_dialog_answered_or_closed)
{
    const QStringList names{"--state", "spline_degree,division_count,analysis_kind"};
    const QTemporaryDir dir;  // a spline of degree 2 needs three points
    QFile cloud(dir.filePath("three.csv"));
    ASSERT_TRUE(cloud.open(QIODevice::WriteOnly));
    cloud.write("0,0,0\n1,1,0\n2,0,1\n");
    cloud.close();
    const CliRun answered =
        run_cli(QStringList{"csv_file_input=three.csv", "mono_spline=2,5"} + names, dir.path());
    ASSERT_EQ(answered.exit_code, 0) << answered.err.toStdString();
    EXPECT_EQ(answered.json["spline_degree"].toDouble(), 2.0);
    EXPECT_EQ(answered.json["division_count"].toDouble(), 5.0);
    EXPECT_EQ(answered.json["analysis_kind"].toDouble(), 6.0);

    const CliRun closed = run_cli(QStringList{"mono_spline", "--state=dialog_cancelled"} + names);
    ASSERT_EQ(closed.exit_code, 0) << closed.err.toStdString();
    EXPECT_EQ(closed.json["analysis_kind"].toDouble(-1), 0.0);
    EXPECT_EQ(closed.json["spline_degree"].toDouble(), 3.0);
    EXPECT_TRUE(closed.json["dialog_cancelled"].toBool());

    const CliRun malformed = run_cli({"mono_spline=two,5"});
    EXPECT_EQ(malformed.exit_code, 2);
    EXPECT_TRUE(malformed.out.isEmpty());
    EXPECT_TRUE(malformed.err.contains("two,5")) << malformed.err.toStdString();
}

TEST(tengun_cli, chooser_ok_with_empty_name_asks_for_a_file)
{
    const CliRun run =
        run_cli({"csv_file_input=", "--state", "selected_file_name,dialog_cancelled,point_count"});
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    const QJsonArray messages = run.json["messages"].toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toString(), "ファイルを選択して下さい");
    EXPECT_EQ(run.json["selected_file_name"].toString("?"), "");
    EXPECT_FALSE(run.json["dialog_cancelled"].toBool(true));
    EXPECT_EQ(run.json["point_count"].toDouble(-1), 0.0);
}

TEST(tengun_cli, help_prints_the_usage_text_and_exits_0)
{
    const CliRun run = run_cli({"heimen", "--help", "nonsense"});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out.toStdString(), tengun::cli::usage_text());
}

TEST(tengun_cli, bad_command_lines_exit_2_naming_the_culprit_and_the_valid_names)
{
    struct Case {
        QStringList args;
        QStringList mentions;
    };
    const std::vector<Case> cases{
        {{"nonsense"}, {"nonsense", "heimen", "csv_file_input", "Command1"}},
        {{"hyouji_only", "--state", "bogus"}, {"bogus", "point_count", "view_matrix"}},
        {{"--size", "10"}, {"--size", "10"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun run = run_cli(c.args);
        EXPECT_EQ(run.exit_code, 2);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        for (const QString& m : c.mentions) {
            EXPECT_TRUE(run.err.contains(m))
                << m.toStdString() << " not in " << run.err.toStdString();
        }
    }
}

TEST(tengun_cli, a_png_that_cannot_be_written_exits_1_with_a_message)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath("no-such-folder/view.png");
    const CliRun run = run_cli({"--png1", path});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(run.err.contains(path)) << run.err.toStdString();
}

}  // namespace
