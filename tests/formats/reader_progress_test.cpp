// The readers that walk big files tell how far they are and stop when asked: every format that
// takes a BytesPassed, on a file of a few times its report step, reports rising offsets within
// the file, reads the same points as without a listener, and, stopped at its first report,
// fails with the cancelled reason and leaves the output as it was.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/csv_points.h"
#include "formats/las_points.h"
#include "formats/loaded_mesh.h"
#include "formats/pcd_points.h"
#include "formats/xyz_points.h"
#include "support/scan_files.h"

namespace tengun {
namespace {

using Read = std::function<Status(std::string_view, LoadedMesh&, ReadError&, const BytesPassed&)>;

struct BigFile {
    const char* name;
    std::function<std::string()> make;
    Read read;
};

constexpr std::size_t points = 1200000; // over 12 MB in every format below

std::string text_lines(const char* separator)
{
    std::string text;
    for (std::size_t i = 0; i < points; ++i) {
        text +=
            std::to_string(i % 1000) + separator + std::to_string(i / 1000) + separator + "1.25\n";
    }
    return text;
}

std::vector<std::vector<double>> records()
{
    std::vector<std::vector<double>> out;
    out.reserve(points);
    for (std::size_t i = 0; i < points; ++i) {
        out.push_back({static_cast<double>(i % 1000), static_cast<double>(i / 1000), 1.25});
    }
    return out;
}

const std::vector<BigFile>& big_files()
{
    static const std::vector<BigFile> files{
        {"csv", [] { return text_lines(","); },
         [](std::string_view b, LoadedMesh& m, ReadError& e, const BytesPassed& p) {
             return read_csv_points(b, m.points, e, p);
         }},
        {"xyz", [] { return text_lines(" "); },
         [](std::string_view b, LoadedMesh& m, ReadError& e, const BytesPassed& p) {
             return read_xyz_points(b, m, e, p);
         }},
        {"pcd_ascii",
         [] {
             testing::PcdLayout layout;
             layout.data = "ascii";
             return testing::make_pcd(layout, records());
         },
         [](std::string_view b, LoadedMesh& m, ReadError& e, const BytesPassed& p) {
             return read_pcd_points(b, m, e, p);
         }},
        {"pcd_binary",
         [] {
             testing::PcdLayout layout;
             layout.fields = {{"x", 'F', 8}, {"y", 'F', 8}, {"z", 'F', 8}};
             return testing::make_pcd(layout, records());
         },
         [](std::string_view b, LoadedMesh& m, ReadError& e, const BytesPassed& p) {
             return read_pcd_points(b, m, e, p);
         }},
        {"las",
         [] {
             std::vector<std::array<std::int32_t, 3>> stored;
             for (std::size_t i = 0; i < points; ++i) {
                 stored.push_back(
                     {static_cast<std::int32_t>(i % 1000), static_cast<std::int32_t>(i / 1000), 7});
             }
             return testing::make_las({}, stored);
         },
         [](std::string_view b, LoadedMesh& m, ReadError& e, const BytesPassed& p) {
             return read_las_points(b, m, e, p);
         }},
    };
    return files;
}

class ReaderProgress : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ReaderProgress, reports_rising_offsets_reads_alike_and_stops_when_asked)
{
    const BigFile& file = big_files()[GetParam()];
    const std::string bytes = file.make();
    ASSERT_GT(bytes.size(), std::size_t{12} << 20U) << "a file of more than one report step";

    LoadedMesh plain;
    ReadError error;
    ASSERT_EQ(file.read(bytes, plain, error, {}), Status::ok) << error.reason;
    ASSERT_EQ(plain.points.size(), points);

    std::vector<std::size_t> offsets;
    LoadedMesh heard;
    ASSERT_EQ(file.read(bytes, heard, error,
                        [&](std::size_t at) {
                            offsets.push_back(at);
                            return true;
                        }),
              Status::ok);
    EXPECT_TRUE(heard.points == plain.points);
    ASSERT_GE(offsets.size(), 1U);
    EXPECT_TRUE(std::is_sorted(offsets.begin(), offsets.end()));
    EXPECT_LE(offsets.back(), bytes.size());

    LoadedMesh kept;
    kept.points.add({9.0, 9.0, 9.0});
    const LoadedMesh before = kept;
    int calls = 0;
    ReadError stopped;
    EXPECT_EQ(file.read(bytes, kept, stopped,
                        [&](std::size_t) {
                            ++calls;
                            return false;
                        }),
              Status::error);
    EXPECT_EQ(calls, 1) << "the reader stops at the first report that says so";
    EXPECT_EQ(stopped.reason, cancelled_reason);
    EXPECT_TRUE(kept == before) << "a stopped read leaves the output alone";
}

INSTANTIATE_TEST_SUITE_P(formats, ReaderProgress, ::testing::Range<std::size_t>(0, 5),
                         [](const auto& info) {
                             return std::string(big_files()[info.param].name);
                         });

} // namespace
} // namespace tengun
