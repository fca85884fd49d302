// The status bar's texts.
#include "app/status_text.h"

#include <gtest/gtest.h>

namespace tengun {
namespace {

TEST(status_text, counts_durations_and_the_last_command)
{
    const std::vector<std::pair<std::size_t, const char*>> counts{
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {1234567, "1,234,567"}, {100000, "100,000"}};
    for (const auto& [n, text] : counts) {
        EXPECT_EQ(grouped_count(n), text);
    }
    const std::vector<std::pair<double, const char*>> durations{
        {0.0, "1 ミリ秒未満"},  {0.0004, "1 ミリ秒未満"}, {0.0123, "12 ミリ秒"},
        {0.9994, "999 ミリ秒"}, {1.25, "1.25 秒"},        {83.44, "83.4 秒"}};
    for (const auto& [s, text] : durations) {
        EXPECT_EQ(duration_text(s), text) << s;
    }
    CommandReport r;
    EXPECT_EQ(command_status(r), "");
    r.title = "平面";
    EXPECT_EQ(command_status(r), "最後の操作：平面（実行しませんでした）");
    r.ran = true;
    r.seconds = 0.5;
    EXPECT_EQ(command_status(r), "最後の操作：平面（500 ミリ秒）");
    r.undoable = false;
    EXPECT_EQ(command_status(r), "最後の操作：平面（500 ミリ秒）（元に戻せません）");
    FormState s;
    s.points.resize(12345);
    EXPECT_EQ(point_count_status(s), "点群数：12,345");
    EXPECT_EQ(selection_status(s), "選択：0");
    s.selection.assign(12345, 1);
    s.selection[7] = 0;
    EXPECT_EQ(selection_status(s), "選択：12,344");
    s.points.resize(100); // a mask of another cloud selects nothing
    EXPECT_EQ(selection_status(s), "選択：0");
}

} // namespace
} // namespace tengun
