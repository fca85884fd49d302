#include "cli/cli_options.h"
#include "cli/state_json.h"

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/commands.h"

namespace tengun::cli {
namespace {

ParseResult parse(std::vector<std::string> args)
{
    return parse_arguments(args);
}

TEST(parse_arguments, commands_keep_order_input_and_run)
{
    const ParseResult r =
        parse({"csv_file_input=a=b.csv", "heimen", "mono_spline=3,10", "csv_file_input="});
    ASSERT_EQ(r.error, "");
    const auto& c = r.options.commands;
    ASSERT_EQ(c.size(), 4U);
    EXPECT_EQ(c[0].name, "csv_file_input");
    EXPECT_EQ(c[0].input, "a=b.csv"); // only the first '=' separates
    EXPECT_EQ(c[0].run, &csv_file_input_Click);
    EXPECT_EQ(c[1].name, "heimen");
    EXPECT_FALSE(c[1].input.has_value());
    EXPECT_EQ(c[1].run, &heimen_Click);
    EXPECT_EQ(c[2].input, "3,10");
    EXPECT_EQ(c[3].input, ""); // given but empty: not the same as no input
}

TEST(parse_arguments, state_names_from_lists_and_repeats_each_once)
{
    const ParseResult r = parse({"--state", "point_count,view_extent", "--state=point_mark",
                                 "--state", "view_extent,labels"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.state_names,
              (std::vector<std::string>{"point_count", "view_extent", "point_mark", "labels"}));
}

TEST(parse_arguments, command1_takes_three_texts_as_typed)
{
    const ParseResult r = parse({"Command1=-45,a, 7", "Command1"});
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.options.commands.size(), 2U);
    EXPECT_EQ(r.options.commands[0].angle_texts, (std::vector<std::string>{"-45", "a", " 7"}));
    EXPECT_FALSE(r.options.commands[0].input.has_value());
    EXPECT_EQ(r.options.commands[0].run, &Command1_Click);
    EXPECT_TRUE(r.options.commands[1].angle_texts.empty());
    EXPECT_EQ(r.options.commands[1].run, &Command1_Click);
}

TEST(parse_arguments, selection_commands_take_corners_in_pixels)
{
    const ParseResult r = parse({"select_rect=10,20.5,-3,400", "deselect_rect=1,2,3,4",
                                 "select_polygon=0,0, 10,0,10,10,0,10"});
    ASSERT_EQ(r.error, "");
    const auto& c = r.options.commands;
    ASSERT_EQ(c.size(), 3U);
    EXPECT_EQ(c[0].selection->px, (std::vector<double>{10, 20.5, -3, 400}));
    EXPECT_FALSE(c[0].selection->polygon);
    EXPECT_EQ(c[1].selection->change, SelectionChange::remove);
    EXPECT_TRUE(c[2].selection->polygon);
    EXPECT_EQ(c[2].selection->px.size(), 8U);
    EXPECT_EQ(c[2].run, nullptr);
}

struct BadLine {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::string> mentions; // each must appear in the error
};

void PrintTo(const BadLine& b, std::ostream* os)
{
    *os << b.name;
}

class parse_arguments_errors : public ::testing::TestWithParam<BadLine> {};

TEST_P(parse_arguments_errors, name_the_culprit_and_what_is_valid)
{
    const ParseResult r = parse_arguments(GetParam().args);
    ASSERT_NE(r.error, "");
    for (const std::string& m : GetParam().mentions) {
        EXPECT_NE(r.error.find(m), std::string::npos) << "missing '" << m << "' in\n" << r.error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    parse_arguments, parse_arguments_errors,
    ::testing::Values(
        BadLine{"unknown_command", {"heimen", "nonsense"}, {"'nonsense'", "heimen", "Command1"}},
        BadLine{"submenu_is_no_command", {"file_input=x.csv"}, {"'file_input'", "submenu"}},
        BadLine{"case_matters", {"Heimen"}, {"'Heimen'", "heimen"}},
        BadLine{"unknown_state", {"--state", "point_count,bogus"}, {"'bogus'", "view_matrix"}},
        BadLine{"empty_state_name", {"--state", "point_count,"}, {"empty", "point_count"}},
        BadLine{"state_without_value", {"--state"}, {"--state"}},
        BadLine{"value_looks_like_option", {"--png1", "--size", "10x10"}, {"--png1"}},
        BadLine{"size_one_number", {"--size", "10"}, {"--size", "'10'", "800x600"}},
        BadLine{"size_zero", {"--size", "0x10"}, {"'0x10'"}},
        BadLine{"size_negative", {"--size", "-5x10"}, {"'-5x10'"}},
        BadLine{"size_trailing", {"--size", "10x10px"}, {"'10x10px'"}},
        BadLine{"size_too_big", {"--size=40000x10"}, {"'40000x10'"}},
        BadLine{"size_empty", {"--size="}, {"--size"}},
        BadLine{"png_empty_name", {"--png2="}, {"--png2"}},
        BadLine{"clipboard_empty_name", {"--clipboard="}, {"--clipboard"}},
        BadLine{"undo_is_no_submenu_but_edit_is", {"henshuu"}, {"'henshuu'", "submenu", "undo"}},
        BadLine{"unknown_option", {"--colour", "red"}, {"'--colour'", "--state", "--clipboard"}},
        BadLine{"command1_two_texts", {"Command1=1,2"}, {"Command1=1,2", "three"}},
        BadLine{"command1_four_texts", {"Command1=1,2,3,4"}, {"Command1=1,2,3,4"}},
        BadLine{"select_rect_without_corners", {"select_rect"}, {"'select_rect'", "x0,y0,x1,y1"}},
        BadLine{"select_rect_three_numbers", {"select_rect=1,2,3"}, {"'select_rect=1,2,3'"}},
        BadLine{"select_rect_not_a_number", {"select_rect=1,2,x,4"}, {"pixels", "--size"}},
        BadLine{"deselect_rect_five_numbers", {"deselect_rect=1,2,3,4,5"}, {"deselect_rect"}},
        BadLine{"select_polygon_two_corners", {"select_polygon=0,0,5,5"}, {"three or more"}},
        BadLine{"select_polygon_odd_count", {"select_polygon=0,0,5,5,9,9,1"}, {"select_polygon"}},
        BadLine{"select_polygon_infinite", {"select_polygon=0,0,5,5,inf,9"}, {"select_polygon"}}),
    [](const ::testing::TestParamInfo<BadLine>& info) { return std::string(info.param.name); });

/// Every command with its caption and English gloss, and every state name with its meaning, as
/// --help lists them; the README carries the same lines, so it cannot fall behind the program.
TEST(usage_text, lists_every_command_and_state_name_with_its_meaning_as_the_readme_does)
{
    const std::string text = usage_text();
    std::ifstream in(std::string(TENGUN_SAMPLES) + "/../README.md");
    ASSERT_TRUE(in.good());
    const std::string readme((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    const auto listed = [&](const std::string& line) {
        EXPECT_NE(text.find(line), std::string::npos) << "--help lacks: " << line;
        EXPECT_NE(readme.find(line), std::string::npos) << "README lacks: " << line;
    };
    for (const MenuEntry& e : menu_tree()) {
        EXPECT_FALSE(e.gloss.empty()) << e.name;
        const std::string name =
            e.run != nullptr ? std::string(e.name) : "[" + std::string(e.name) + "]";
        listed(name + "  \"" + std::string(e.caption) + "\"  " + std::string(e.gloss) + "\n");
    }
    for (const StateValue& v : state_values()) {
        EXPECT_FALSE(v.meaning.empty()) << v.name;
        listed("  " + std::string(v.name) + "  " + std::string(v.meaning) + "\n");
    }
    for (const char* name : {"Command1", "--png1", "--size"}) {
        EXPECT_NE(text.find(name), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace tengun::cli
