// tengun-cli's exit status when a command failed, and the dialogs of the CSV load and save
// answered from the command line; run as a process.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>

#include "cli_run.h"

namespace {

using tengun::testing::run_cli;
using tengun::testing::write_file;

QString read_text(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

TEST(tengun_cli, a_failed_load_or_save_exits_3_and_still_reports)
{
    QTemporaryDir dir;
    write_file(dir.filePath("ok.csv"), "0.30000000000000004 1 2\n4 5 6\n7 8 9\n");
    write_file(dir.filePath("short.csv"), "1 2 3\n4 5\n7 8 9\n");
    struct Case {
        const char* name;
        QStringList args;
        int exit_code;
        int points;
        const char* message; ///< part of the last message; nullptr: no message
    };
    const Case cases[] = {
        {"load and save", {"csv_file_input=ok.csv", "csv_file_output=out.csv"}, 0, 3, nullptr},
        {"missing file", {"csv_file_input=ok.csv", "open=missing.ply"}, 3, 3, "見つかりません"},
        {"save into no folder",
         {"csv_file_input=ok.csv", "csv_file_output=no/such/out.csv"},
         3,
         3,
         "作成できませんでした"},
        {"nothing to save", {"stl_file_output=mesh.stl"}, 3, 0, "作成されませんでした"},
        {"a short row refused", {"csv_file_input=short.csv"}, 3, 0, "2行目"},
        {"a short row skipped", {"csv_file_input=short.csv;skip"}, 0, 2, "飛ばしました"},
        {"full precision",
         {"csv_file_input=ok.csv", "csv_file_output=full.csv;full"},
         0,
         3,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = run_cli(c.args + QStringList{"--state", "point_count"}, dir.path());
        EXPECT_EQ(run.exit_code, c.exit_code) << run.err.toStdString();
        ASSERT_FALSE(run.json.isEmpty()) << "the report is printed all the same";
        EXPECT_EQ(run.json["point_count"].toInt(), c.points);
        const QJsonArray messages = run.json["messages"].toArray();
        if (c.message == nullptr) {
            EXPECT_TRUE(messages.isEmpty()) << messages.first().toString().toStdString();
        } else {
            ASSERT_FALSE(messages.isEmpty());
            EXPECT_TRUE(messages.last().toString().contains(QString::fromUtf8(c.message)))
                << messages.last().toString().toStdString();
        }
    }
    EXPECT_TRUE(read_text(dir.filePath("out.csv")).startsWith("0.3 1 2\r\n"));
    EXPECT_TRUE(read_text(dir.filePath("full.csv")).startsWith("0.30000000000000004 1 2\r\n"));
}

} // namespace
