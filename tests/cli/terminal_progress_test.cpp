#include "cli/terminal_progress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace tengun::cli {
namespace {

/// Everything written to `file` so far.
std::string written(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string out;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        out += static_cast<char>(c);
    }
    return out;
}

TEST(TerminalProgress, one_line_rewritten_per_step_and_share_at_most_every_fifth_of_a_second)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    TerminalProgress line(file);
    const Progress progress = line.progress();
    EXPECT_FALSE(progress.stopped());
    progress(0.0, "読み込み");
    progress(0.004, "読み込み"); // the same percentage: nothing
    progress(0.5, "読み込み");   // too soon after the last line: nothing
    progress(0.25, "面張り");    // a new step is shown at once
    std::this_thread::sleep_for(std::chrono::milliseconds(220));
    progress(1.7, "面張り"); // clamped
    line.finish();
    line.finish(); // nothing more to wipe
    EXPECT_EQ(written(file), "\r読み込み   0%\033[K"
                             "\r面張り  25%\033[K"
                             "\r面張り 100%\033[K"
                             "\r\033[K");
    std::fclose(file);
}

TEST(TerminalProgress, a_run_without_reports_writes_nothing)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    TerminalProgress line(file);
    line.finish();
    EXPECT_EQ(written(file), "");
    std::fclose(file);
}

} // namespace
} // namespace tengun::cli
