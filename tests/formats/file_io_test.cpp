#include "formats/file_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

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

namespace tengun {
namespace {

/// Resident kilobytes of the mapping that starts at `address`, from /proc/self/smaps.
std::size_t resident_kb(const void* address)
{
    std::ifstream smaps("/proc/self/smaps");
    const auto start = reinterpret_cast<std::uintptr_t>(address);
    std::string line;
    bool in_it = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t from = 0;
        std::uintptr_t to = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2) {
            in_it = from <= start && start < to;
        } else if (in_it && line.starts_with("Rss:")) {
            return std::stoul(line.substr(4));
        }
    }
    return 0;
}

TEST(open_file_bytes, maps_regular_files_and_reads_the_rest)
{
    TempDir dir;
    const std::string binary("a\0b\r\n\xff", 6);
    struct Case {
        const char* name;
        std::string path;
        std::string bytes;
        bool mapped;
    };
    const Case cases[] = {
        {"file", dir.write("b.bin", binary), binary, true},
        {"empty file", dir.write("empty", ""), "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileBytes file;
        ReadError error;
        ASSERT_EQ(open_file_bytes(c.path, file, error), Status::ok) << error.reason;
        EXPECT_EQ(file.bytes(), c.bytes);
        EXPECT_EQ(file.mapped(), c.mapped);
        FileBytes moved = std::move(file);
        EXPECT_EQ(moved.bytes(), c.bytes);
        EXPECT_TRUE(file.bytes().empty());  // NOLINT(bugprone-use-after-move): moved from
    }
    FileBytes kept;
    ASSERT_EQ(open_file_bytes(cases[0].path, kept, *std::make_unique<ReadError>()), Status::ok);
    for (const std::string& bad : {dir.file("missing.ply"), dir.file("")}) {
        ReadError error;
        EXPECT_EQ(open_file_bytes(bad, kept, error), Status::error);
        EXPECT_FALSE(error.reason.empty());
        EXPECT_EQ(kept.bytes(), binary) << "unchanged on error";
    }
}

TEST(open_file_bytes, pages_behind_the_reader_leave_memory_and_stay_readable)
{
    TempDir dir;
    std::string big(32U << 20U, '\0');
    for (std::size_t i = 0; i < big.size(); i += 4096) {
        big[i] = static_cast<char>(i / 4096);
    }
    FileBytes file;
    ReadError error;
    ASSERT_EQ(open_file_bytes(dir.write("big.bin", big), file, error), Status::ok);
    ASSERT_TRUE(file.mapped());
    const std::string_view bytes = file.bytes();
    std::size_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 4096) {
        sum += static_cast<unsigned char>(bytes[i]);
    }
    EXPECT_GT(resident_kb(bytes.data()), 30U << 10U) << "all pages touched";
    file.releaser()(bytes.size() - 100);  // the last, partial page stays
    EXPECT_LT(resident_kb(bytes.data()), 1U << 10U);
    EXPECT_EQ(bytes, big) << "read again from the file";
    EXPECT_GT(sum, 0U);
}

}  // namespace
}  // namespace tengun
