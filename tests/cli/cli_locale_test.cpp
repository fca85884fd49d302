// tengun-cli run by a user whose locale writes a decimal comma (German): the JSON it prints and
// the files it writes keep decimal points, and the files it reads are read as before.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include "cli_run.h"
#include "support/german_locale.h"

namespace {

using tengun::testing::CliRun;
using tengun::testing::run_cli;
using tengun::testing::write_file;

TEST(tengun_cli_locale, german_locale_keeps_decimal_points_in_json_and_files)
{
    const std::string locpath = tengun::testing::german_locale_path();
    ASSERT_FALSE(locpath.empty());
    const QTemporaryDir dir;
    // A tilted plane z = 5.5 + 0.25 x through points with fractions.
    QByteArray text;
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 4; ++j) {
            const double x = 0.5 * i;
            const double y = 1.25 * j;
            text += QByteArray::number(x) + "," + QByteArray::number(y) + "," +
                    QByteArray::number(5.5 + 0.25 * x) + "\n";
        }
    }
    write_file(dir.filePath("in.csv"), text);
    const QStringList args{"csv_file_input=in.csv", "heimen", "csv_file_output=out.csv", "--state",
                           "points,plane_offset"};
    const CliRun plain = run_cli(args, dir.path(), {"LC_ALL=C"});
    ASSERT_EQ(plain.exit_code, 0) << plain.err.toStdString();
    QFile written(dir.filePath("out.csv"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray csv_in_c = written.readAll();
    written.close();
    ASSERT_TRUE(QFile::remove(dir.filePath("out.csv")));

    const CliRun german = run_cli(args, dir.path(),
                                  {"LC_ALL=" + QString(tengun::testing::german_locale_name),
                                   "LOCPATH=" + QString::fromStdString(locpath)});
    ASSERT_EQ(german.exit_code, 0) << german.err.toStdString();
    ASSERT_FALSE(german.json.isEmpty()) << "not JSON: " << german.out.toStdString();
    EXPECT_EQ(german.out, plain.out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), csv_in_c);

    // What the JSON says is the plane and the points as read, with decimal points.
    EXPECT_EQ(german.json["points"].toArray().size(), 20);
    EXPECT_EQ(german.json["points"].toArray()[5].toArray()[1].toDouble(), 1.25);
    EXPECT_NE(csv_in_c.indexOf("0.5 1.25 5.625"), -1) << csv_in_c.toStdString();
    const QString fields = QJsonDocument(german.json["fields"].toObject()).toJson();
    EXPECT_FALSE(fields.contains(QRegularExpression("\\d,\\d"))) << fields.toStdString();
}

} // namespace
