#include "cli/cli_session.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>
#include <vector>

#include "support/recording_surface.h"

namespace tengun::cli {
namespace {

using testing::Recorded;
using testing::RecordingSurface;

struct Session {
    RecordingSurface picture1{200.0, 100.0};
    RecordingSurface picture2{200.0, 60.0};
    SessionResult result;
    QJsonObject json;

    explicit Session(const std::vector<std::string>& args)
    {
        const ParseResult parsed = parse_arguments(args);
        EXPECT_EQ(parsed.error, "");
        result = run_session(parsed.options, picture1, picture2);
        if (result.error.empty()) {
            QJsonParseError e{};
            json = QJsonDocument::fromJson(QByteArray::fromStdString(result.json), &e).object();
            EXPECT_EQ(e.error, QJsonParseError::NoError) << result.json;
        }
    }
    [[nodiscard]] std::size_t clears() const { return picture1.of(Recorded::Kind::clear).size(); }
};

TEST(run_session, an_unused_answer_does_not_reach_the_next_command)
{
    const Session s({"hyouji_only=cloud.csv", "csv_file_output",
                     "--state=selected_file_name,dialog_cancelled,file_kind"});
    ASSERT_EQ(s.result.error, "");
    EXPECT_EQ(s.json["selected_file_name"].toString(), "");
    EXPECT_TRUE(s.json["dialog_cancelled"].toBool());
    EXPECT_EQ(s.json["file_kind"].toInt(), 1);
    EXPECT_TRUE(s.json["messages"].toArray().isEmpty());
}

TEST(run_session, reports_state_names_in_the_order_asked_after_fields_and_messages)
{
    const Session s({"--state", "view_scale,point_count"});
    const QStringList keys = s.json.keys();  // sorted by Qt; check the text for the order
    EXPECT_TRUE(keys.contains("fields"));
    EXPECT_TRUE(keys.contains("messages"));
    const std::string& text = s.result.json;
    EXPECT_LT(text.find("\"fields\""), text.find("\"messages\""));
    EXPECT_LT(text.find("\"messages\""), text.find("\"view_scale\""));
    EXPECT_LT(text.find("\"view_scale\""), text.find("\"point_count\""));
    EXPECT_EQ(text.back(), '\n');
}

TEST(run_session, redraws_first_after_every_dialog_and_at_the_end)
{
    // Form activation at start and at the end; hyouji_only draws once itself.
    EXPECT_EQ(Session({"hyouji_only"}).clears(), 3U);
    // The cancelled chooser draws nothing itself, but the form is active again afterwards; after
    // the last command that activation is the closing one.
    EXPECT_EQ(Session({"csv_file_output"}).clears(), 2U);
    EXPECT_EQ(Session({"csv_file_output", "messhu_ari"}).clears(), 4U);
    // A message box makes the form active again too.
    EXPECT_EQ(Session({"Command1=x,0,0", "messhu_ari"}).clears(), 4U);
    EXPECT_EQ(Session({"Command1=x,0,0"}).clears(), 2U);
}

TEST(run_session, a_dialog_answer_it_cannot_take_stops_the_run)
{
    const Session s({"mono_spline=3", "hyouji_only"});
    EXPECT_EQ(s.result.json, "");
    EXPECT_NE(s.result.error.find("mono_spline"), std::string::npos) << s.result.error;
    EXPECT_NE(s.result.error.find("'3'"), std::string::npos) << s.result.error;
    EXPECT_EQ(s.clears(), 1U);  // only the first activation ran
}

}  // namespace
}  // namespace tengun::cli
