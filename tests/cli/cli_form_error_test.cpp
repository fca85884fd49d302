// tengun-cli end to end on the sample clouds: each fit's form errors as state values and fields,
// the minimum zone holding every point with its defining points on its surfaces, and the
// re-run after outlier removal.
#include <gtest/gtest.h>

#include <cmath>

#include "cli_run.h"

namespace {

using tengun::testing::field_number;
using tengun::testing::run_cli;
using tengun::testing::write_file;

struct P {
    double x, y, z;
};

P point(const QJsonValue& v)
{
    const QJsonArray a = v.toArray();
    return {a[0].toDouble(), a[1].toDouble(), a[2].toDouble()};
}
P sub(P a, P b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double dot(P a, P b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double length(P a)
{
    return std::sqrt(dot(a, a));
}
/// Distance of p from the line through o along the unit vector w.
double across(P p, P o, P w)
{
    const P r = sub(p, o);
    const double t = dot(r, w);
    return length({r.x - t * w.x, r.y - t * w.y, r.z - t * w.z});
}

/// The zone's coordinate of p: the offset along the normal, or the distance from the centre or
/// axis (for roundness within the plane).
double zone_coordinate(const QJsonObject& ref, P p)
{
    const QString kind = ref["kind"].toString();
    if (kind == "flatness") {
        return dot(point(ref["normal"]), p);
    }
    if (kind == "sphericity") {
        return length(sub(p, point(ref["centre"])));
    }
    if (kind == "roundness") {
        return across(p, point(ref["centre"]), point(ref["normal"]));
    }
    return across(p, point(ref["point"]), point(ref["axis"]));
}

struct Sample {
    const char* file;
    const char* command;
    const char* kind;
    const char* word;
    const char* lower; ///< the name of the zone's lower bound in min_zone_reference
    const char* upper;
};

class SampleForms : public ::testing::TestWithParam<Sample> {};

TEST_P(SampleForms, give_a_minimum_zone_holding_every_point_fixed_by_its_defining_points)
{
    const Sample& s = GetParam();
    const auto run =
        run_cli({QString("csv_file_input=") + TENGUN_SAMPLES + "/" + s.file, s.command, "--state",
                 "form_error,form_error_min_zone,min_zone_reference,points"});
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.json["messages"].toArray().isEmpty());
    const double ls = run.json["form_error"].toDouble(-1);
    const double mz = run.json["form_error_min_zone"].toDouble(-1);
    EXPECT_GT(mz, 0.0);
    EXPECT_LE(mz, ls);
    EXPECT_EQ(run.json["fields"].toObject()["Label13"].toString(), QString(s.word));
    EXPECT_NEAR(field_number(run, "Text10(0)"), ls, 1e-13 * ls);
    EXPECT_NEAR(field_number(run, "Text10(1)"), mz, 1e-13 * mz);

    const QJsonObject ref = run.json["min_zone_reference"].toObject();
    EXPECT_EQ(ref["kind"].toString(), QString(s.kind));
    EXPECT_EQ(ref["exact"].toBool(),
              QString(s.kind) == "flatness" || QString(s.kind) == "roundness");
    EXPECT_EQ(ref["width"].toDouble(), mz);
    const bool line = QString(s.kind) == "straightness";
    const double lower = line ? 0.0 : ref[s.lower].toDouble(1e300);
    const double upper = ref[s.upper].toDouble(-1e300);
    EXPECT_NEAR(line ? 2 * upper : upper - lower, mz, 1e-12);
    // Noisy samples: the fitted feature is not the thinnest, and the form says nothing of it.
    EXPECT_FALSE(ref["least_squares_is_minimal"].toBool(true));
    EXPECT_LT(mz, ls * (1 - 1e-6));
    EXPECT_EQ(run.json["fields"].toObject()["Label15"].toString(), "");

    const QJsonArray pts = run.json["points"].toArray();
    ASSERT_GT(pts.size(), 20);
    for (qsizetype i = 0; i < pts.size(); ++i) {
        const double c = zone_coordinate(ref, point(pts[i]));
        EXPECT_GE(c, lower - 1e-9) << "point " << i + 1;
        EXPECT_LE(c, upper + 1e-9) << "point " << i + 1;
    }
    const QJsonArray defining = ref["defining_points"].toArray();
    EXPECT_GE(defining.size(), line ? 3 : 4);
    for (const QJsonValue& k : defining) {
        ASSERT_GE(k.toInt(), 1);
        ASSERT_LE(k.toInt(), pts.size());
        const double c = zone_coordinate(ref, point(pts[k.toInt() - 1]));
        EXPECT_LT(std::min(std::abs(c - lower), std::abs(c - upper)), 1e-9 * (1 + std::abs(upper)))
            << "defining point " << k.toInt() << " lies on a bounding surface";
    }
}

INSTANTIATE_TEST_SUITE_P(
    samples, SampleForms,
    ::testing::Values(
        Sample{"plane.csv", "heimen", "flatness", "平面度", "offset_lower", "offset_upper"},
        Sample{"line.csv", "chokusen", "straightness", "真直度", "", "radius"},
        Sample{"arc.csv", "enko", "roundness", "真円度", "radius_inner", "radius_outer"},
        Sample{"sphere.csv", "kyuumen", "sphericity", "真球度", "radius_inner", "radius_outer"},
        Sample{"cylinder.csv", "entou", "cylindricity", "円筒度", "radius_inner", "radius_outer"}),
    [](const auto& info) { return std::string(info.param.kind); });

TEST(cli_form_errors, are_null_without_a_fit_and_recomputed_after_outlier_removal)
{
    const QString plane = QString("csv_file_input=") + TENGUN_SAMPLES + "/plane.csv";
    const auto none =
        run_cli({plane, "--state", "form_error,form_error_min_zone,min_zone_reference"});
    ASSERT_EQ(none.exit_code, 0);
    for (const char* name : {"form_error", "form_error_min_zone", "min_zone_reference"}) {
        EXPECT_TRUE(none.json[name].isNull()) << name;
    }

    // Which point the worst display keeps shown, then the removal and the re-run.
    const auto marked = run_cli(
        {plane, "heimen", "ijou1_hyouji", "--state", "point_mark,points,form_error_min_zone"});
    const QJsonArray marks = marked.json["point_mark"].toArray();
    qsizetype worst = -1;
    for (qsizetype i = 0; i < marks.size(); ++i) {
        if (marks[i].toDouble() == 0.0) {
            worst = i;
        }
    }
    ASSERT_GE(worst, 0);
    const QStringList state{"--state", "form_error,form_error_min_zone,min_zone_reference"};
    const auto removed =
        run_cli(QStringList{plane, "heimen", "ijou1_hyouji", "ijou_shoukyo"} + state);

    QTemporaryDir dir;
    QByteArray csv;
    const QJsonArray pts = marked.json["points"].toArray();
    for (qsizetype i = 0; i < pts.size(); ++i) {
        if (i != worst) {
            const P p = point(pts[i]);
            csv += QByteArray::number(p.x, 'g', 17) + "," + QByteArray::number(p.y, 'g', 17) + "," +
                   QByteArray::number(p.z, 'g', 17) + "\n";
        }
    }
    write_file(dir.filePath("rest.csv"), csv);
    const auto fresh =
        run_cli(QStringList{"csv_file_input=" + dir.filePath("rest.csv"), "heimen"} + state);
    for (const char* name : {"form_error", "form_error_min_zone", "min_zone_reference"}) {
        EXPECT_EQ(removed.json[name], fresh.json[name]) << name;
    }
    // A point fewer never needs a wider zone.
    EXPECT_LE(removed.json["form_error_min_zone"].toDouble(1e300),
              marked.json["form_error_min_zone"].toDouble(-1));
}

} // namespace
