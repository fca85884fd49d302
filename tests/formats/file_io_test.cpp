#include "formats/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::TempDir;

TEST(write_whole_file, replaces_a_file_whole_and_leaves_nothing_beside_it)
{
    TempDir dir;
    const std::string path = dir.write("cloud.csv", "old contents that are longer than the new");
    std::string reason;
    ASSERT_EQ(write_whole_file(path, "1 2 3\r\n", reason), Status::ok) << reason;
    EXPECT_EQ(TempDir::read(path), "1 2 3\r\n");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
        ++files;
    }
    EXPECT_EQ(files, 1U);
}

TEST(write_whole_file, failures_say_why_and_keep_what_was_there)
{
    TempDir dir;
    std::string reason;
    EXPECT_EQ(write_whole_file(dir.file("no/such/folder/a.csv"), "x", reason), Status::error);
    EXPECT_FALSE(reason.empty());
    std::filesystem::create_directory(dir.file("folder"));
    reason.clear();
    EXPECT_EQ(write_whole_file(dir.file("folder"), "x", reason), Status::error);
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder")));
}

TEST(read_whole_file, reads_every_byte_or_says_why)
{
    TempDir dir;
    std::string bytes = "kept";
    ReadError error;
    EXPECT_EQ(read_whole_file(dir.file("missing.csv"), bytes, error), Status::error);
    EXPECT_EQ(bytes, "kept");
    EXPECT_FALSE(error.reason.empty());
    const std::string binary("a\0b\r\n\xff", 6);
    ASSERT_EQ(read_whole_file(dir.write("b.bin", binary), bytes, error), Status::ok);
    EXPECT_EQ(bytes, binary);
    ASSERT_EQ(read_whole_file(dir.write("empty", ""), bytes, error), Status::ok);
    EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace tengun

namespace tengun {
namespace {

TEST(write_whole_file, a_link_stays_a_link_to_the_new_contents)
{
    TempDir dir;
    const std::string target = dir.write("real.csv", "old");
    std::filesystem::create_symlink(target, dir.file("link.csv"));
    std::string reason;
    ASSERT_EQ(write_whole_file(dir.file("link.csv"), "new", reason), Status::ok) << reason;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.csv")));
    EXPECT_EQ(TempDir::read(target), "new");
}

}  // namespace
}  // namespace tengun
