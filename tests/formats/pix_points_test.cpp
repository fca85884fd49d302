#include "formats/pix_points.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/format_files.h"

namespace tengun {
namespace {

using testing::make_pix;

PointCloud read_ok(std::string_view text)
{
    PointCloud cloud;
    ReadError error;
    EXPECT_EQ(read_pix_points(text, cloud, error), Status::ok) << error.reason;
    EXPECT_EQ(cloud.label.size(), cloud.xyz.size());
    return cloud;
}

TEST(find_token, moves_to_the_token_after_the_key_or_to_zero)
{
    const std::vector<std::string_view> tokens{"a", "W", "b", "W", "c"};
    const auto find = [&tokens](std::size_t position, std::string_view key) {
        find_token(position, tokens, key);
        return position;
    };
    EXPECT_EQ(find(1, "W"), 3U);
    EXPECT_EQ(find(3, "W"), 5U);
    EXPECT_EQ(find(4, "W"), 5U) << "the token at the start position counts";
    EXPECT_EQ(find(5, "W"), 0U);
    EXPECT_EQ(find(6, "a"), 0U) << "past the last token";
    EXPECT_EQ(find(1, "w"), 0U) << "exact comparison";
    EXPECT_EQ(find(1, "c"), 6U) << "a key at the end leaves the position past it";
}

TEST(read_pix_points, centres_on_the_window_and_scales_by_0_025)
{
    const PointCloud c = read_ok(make_pix("200 200 40 0 400 8 E"));
    EXPECT_EQ(c.xyz, (std::vector<Vec3>{{0, 0, 1}, {-5, 5, 0.2}}));
    // The window is searched from token 8 on: a "W" among the first seven tokens is header.
    const PointCloud d = read_ok("P W 9 9 9 9 9\nW 100 0 300 200 L 1\n200 100 4 E");
    EXPECT_EQ(d.xyz, (std::vector<Vec3>{{0, 0, 0.1}}));
}

TEST(read_pix_points, record_kinds_each_consume_their_tokens)
{
    // A zero height gives no point but uses its three tokens.
    EXPECT_EQ(read_ok(make_pix("100 200 0 200 200 40 E")).xyz, (std::vector<Vec3>{{0, 0, 1}}));
    // "A" and its two parameters are skipped; "S" alone; anything after "E" is ignored.
    EXPECT_EQ(read_ok(make_pix("A 7 8 200 200 40 S S 240 200 4 Eof 1 1 1")).xyz,
              (std::vector<Vec3>{{0, 0, 1}, {1, 0, 0.1}}));
    EXPECT_EQ(read_ok(make_pix("Sep,200,200,40,End,200,200,40")).size(), 1U)
        << "only the first character of S and E records is looked at";
    EXPECT_EQ(read_ok("h h h h h h h W 0 0 2 2 L A 1 1 4 E").xyz, (std::vector<Vec3>{{0, 0, 0.1}}))
        << "the token after L is skipped even when it looks like a record";
}

TEST(read_pix_points, files_without_an_end_or_a_measured_record_still_read)
{
    EXPECT_EQ(read_ok(make_pix("200 200 40\n200 200 80")).size(), 2U) << "no end token";
    EXPECT_EQ(read_ok(make_pix("200 200 40 200 200")).size(), 1U) << "a record cut short";
    EXPECT_TRUE(read_ok(make_pix("1 2 0 3 4 0 E")).empty());
    EXPECT_TRUE(read_ok(make_pix("")).empty());
}

TEST(read_pix_points, missing_window_header_or_numbers_are_errors_and_keep_the_cloud)
{
    PointCloud cloud;
    cloud.add({9, 9, 9});
    const PointCloud before = cloud;
    ReadError error;
    EXPECT_EQ(read_pix_points("PIX 1 2 3 4 5 6 L 1 200 200 40 E", cloud, error), Status::error);
    EXPECT_NE(error.reason.find("W"), std::string::npos) << error.reason;
    EXPECT_EQ(read_pix_points("", cloud, error), Status::error);
    EXPECT_EQ(read_pix_points("PIX 1 2 3 4 5 6 W 0 0 400 400 200 200 40 E", cloud, error),
              Status::error);
    EXPECT_NE(error.reason.find("L"), std::string::npos) << error.reason;
    EXPECT_EQ(read_pix_points("PIX 1 2 3 4 5 6 W 0 0", cloud, error), Status::error);
    EXPECT_EQ(read_pix_points("PIX 1 2 3 4 5 6\nW 0 x 4 4 L 1", cloud, error), Status::error);
    EXPECT_EQ(error.line, 2U);
    EXPECT_EQ(error.field, 3U);
    EXPECT_EQ(read_pix_points(make_pix("200 200 40\n1 2 3\n200 Q 5 E"), cloud, error),
              Status::error);
    EXPECT_EQ(error.line, 6U);
    EXPECT_EQ(error.field, 2U);
    EXPECT_NE(error.reason.find("Q"), std::string::npos);
    EXPECT_EQ(cloud, before);
}

}  // namespace
}  // namespace tengun
