#include "cli/state_json.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <limits>
#include <set>
#include <string>

namespace tengun::cli {
namespace {

std::string written(const StateValue& value, const ProgramWide& program, const FormState& state)
{
    JsonWriter out;
    value.write(out, program, state);
    return out.text();
}

/// The one JSON value in `text`, or Undefined when it is not one.
QJsonValue parsed(const std::string& text)
{
    QJsonParseError e{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString("[" + text + "]"), &e);
    if (e.error != QJsonParseError::NoError || doc.array().size() != 1) {
        return QJsonValue(QJsonValue::Undefined);
    }
    return doc.array().at(0);
}

FormState filled_state()
{
    FormState s;
    s.points.add({1.0, 2.0, 3.0}, 0.0);
    s.points.add({-4.0, std::numeric_limits<double>::quiet_NaN(), 6.5}, 1.0);
    s.tri_a = {1, 2};
    s.tri_b = {2, 1};
    s.tri_c = {1, 1};
    s.tri_tag = {4.0, 2.0};
    s.uu = {{0.0, 0.0, 1.0}};
    s.LL = {2.5};
    s.segments = {Segment{4.0, {1.0, 2.0, 3.0}, {4.0, 5.0, 6.0}},
                  Segment{2.0, {7.0, 8.0, 9.0}, {10.0, 11.0, 12.0}}};
    s.poly_x = {1.0, std::numeric_limits<double>::infinity()};
    s.timer_enabled = true;
    return s;
}

TEST(state_values, names_are_unique_and_each_writes_one_json_value)
{
    ProgramWide program;
    program.selected_file_name = "dir\\a \"b\".csv";
    const FormState state = filled_state();
    std::set<std::string_view> seen;
    for (const StateValue& v : state_values()) {
        SCOPED_TRACE(std::string(v.name));
        EXPECT_TRUE(seen.insert(v.name).second);
        EXPECT_EQ(find_state_value(v.name), &v);
        const std::string text = written(v, program, state);
        EXPECT_FALSE(parsed(text).isUndefined()) << text;
    }
    EXPECT_EQ(find_state_value("nonsense"), nullptr);
}

TEST(state_values, rows_keep_their_layout)
{
    const ProgramWide program;
    const FormState state = filled_state();
    const auto text = [&](const char* name) {
        return written(*find_state_value(name), program, state);
    };
    EXPECT_EQ(text("points"), "[[1,2,3],[-4,null,6.5]]");
    EXPECT_EQ(text("labels"), "[0,1]");
    EXPECT_EQ(text("point_mark"), "[0,1]");
    EXPECT_EQ(text("segment_start"), "[[4,1,2,3],[2,7,8,9]]");  // colour first
    EXPECT_EQ(text("segment_end"), "[[4,5,6],[10,11,12]]");
    EXPECT_EQ(text("segment_count"), "2");
    EXPECT_EQ(text("uu"), "[[0,0,1]]");
}

}  // namespace
}  // namespace tengun::cli
