#include "cli/cli_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tengun::cli {
namespace {

TEST(CliDialogs, chooser_follows_the_ok_and_close_box_protocol)
{
    ProgramWide program;
    CliDialogs dialogs;
    dialogs.set_input("cloud.csv");
    dialogs.choose_file(program);
    EXPECT_TRUE(file_chosen(program));
    EXPECT_EQ(program.selected_file_name, "cloud.csv");

    dialogs.choose_file(program);  // no answer left: close box, the name stays
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(program.selected_file_name, "cloud.csv");

    program.spline_degree = 4.0;
    dialogs.set_input("");  // OK with an empty name
    dialogs.choose_file(program);
    EXPECT_FALSE(program.dialog_cancelled);
    EXPECT_FALSE(file_chosen(program));
    EXPECT_EQ(program.spline_degree, 4.0);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"ファイルを選択して下さい"});
    EXPECT_EQ(dialogs.windows_shown(), 4);  // three choosers and one message box
}

TEST(CliDialogs, settings_read_numbers_as_the_fields_do_and_close_without_answer)
{
    ProgramWide program;
    CliDialogs dialogs;
    dialogs.set_input(" 1.5e1 , -2 ");
    dialogs.ask_spline_settings(program);
    EXPECT_FALSE(program.dialog_cancelled);
    EXPECT_EQ(program.spline_degree, 15.0);
    EXPECT_EQ(program.division_count, -2.0);  // no range check, as in the window
    dialogs.ask_spline_settings(program);
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(program.spline_degree, 15.0);

    dialogs.set_input("30");
    dialogs.ask_thinning_angle(program);
    EXPECT_FALSE(program.dialog_cancelled);
    EXPECT_EQ(program.thinning_angle, 30.0);
    dialogs.ask_thinning_angle(program);
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(dialogs.input_error(), "");
}

TEST(CliDialogs, answers_that_are_not_numbers_cancel_and_are_reported)
{
    for (const char* answer : {"3", "3,", "3,10,1", "x,10"}) {
        SCOPED_TRACE(answer);
        ProgramWide program;
        CliDialogs dialogs;
        dialogs.set_input(answer);
        dialogs.ask_spline_settings(program);
        EXPECT_TRUE(program.dialog_cancelled);
        EXPECT_EQ(program.spline_degree, 3.0);
        EXPECT_NE(dialogs.input_error().find(std::string("'") + answer + "'"), std::string::npos)
            << dialogs.input_error();
    }
    for (const char* answer : {"10,2", "ten"}) {
        SCOPED_TRACE(answer);
        ProgramWide program;
        CliDialogs dialogs;
        dialogs.set_input(answer);
        dialogs.ask_thinning_angle(program);
        EXPECT_TRUE(program.dialog_cancelled);
        EXPECT_NE(dialogs.input_error(), "");
    }
}

TEST(CliDialogs, one_answer_per_dialog_separated_by_semicolons)
{
    ProgramWide program;
    CliDialogs dialogs;
    dialogs.set_input("12.5;scan.bmp");
    dialogs.ask_thinning_angle(program);
    EXPECT_EQ(program.thinning_angle, 12.5);
    dialogs.choose_file(program);
    EXPECT_FALSE(program.dialog_cancelled);
    EXPECT_EQ(program.selected_file_name, "scan.bmp");
    dialogs.choose_file(program);  // no answer left: the close box
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(program.selected_file_name, "scan.bmp");

    // An empty answer closes the settings dialogs without an error.
    dialogs.set_input(";other.bmp");
    dialogs.ask_thinning_angle(program);
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(dialogs.input_error(), "");
    EXPECT_EQ(program.thinning_angle, 12.5);
    dialogs.choose_file(program);
    EXPECT_EQ(program.selected_file_name, "other.bmp");
    dialogs.set_input("");
    dialogs.ask_spline_settings(program);
    EXPECT_TRUE(program.dialog_cancelled);
    EXPECT_EQ(dialogs.input_error(), "");
}

}  // namespace
}  // namespace tengun::cli
