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

TEST(run_session, draws_the_view_once_at_the_end_and_only_for_a_picture)
{
    // Without a picture to save nothing is drawn; with one, the closing activation draws once,
    // whatever the commands and dialogs before it. The report is the same either way.
    const std::vector<std::vector<std::string>> runs{
        {"hyouji_only"},
        {"csv_file_output", "messhu_ari"},
        {"Command1=x,0,0", "messhu_ari"},
        {"Command1=10,20,30", "heimen", "xy_men"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.front());
        const Session plain(run);
        std::vector<std::string> with_picture = run;
        with_picture.insert(with_picture.end(), {"--png1", "view.png"});
        const Session drawn(with_picture);
        EXPECT_EQ(plain.clears(), 0U);
        EXPECT_EQ(drawn.clears(), 1U);
        EXPECT_EQ(plain.result.json, drawn.result.json);
    }
}

TEST(run_session, a_dialog_answer_it_cannot_take_stops_the_run)
{
    const Session s({"mono_spline=3", "hyouji_only", "--png1", "view.png"});
    EXPECT_EQ(s.result.json, "");
    EXPECT_NE(s.result.error.find("mono_spline"), std::string::npos) << s.result.error;
    EXPECT_NE(s.result.error.find("'3'"), std::string::npos) << s.result.error;
    EXPECT_EQ(s.clears(), 0U);  // the run stopped before its closing redraw
}

}  // namespace
}  // namespace tengun::cli
