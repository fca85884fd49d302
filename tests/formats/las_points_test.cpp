#include "formats/las_points.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/scan_files.h"

namespace tengun {
namespace {

using testing::BadFile;
using testing::external_file;
using testing::LasLayout;
using testing::make_las;

LoadedMesh read_ok(std::string_view bytes)
{
    return testing::read_ok(read_las_points, bytes);
}

TEST(read_las_points, real_files_give_the_counts_and_bounds_of_their_sources)
{
    const testing::FileFacts files[] = {
        {"las/pdal_epsg_4326.las",
         5380,
         0,
         {-94.6834654, 31.0367341, 39.0810002},
         {-94.6606311, 31.0473291, 78.1190002},
         {-94.6639387, 31.0367341, 47.8700002},
         1e-12},
        {"las/pdal_mvk-thin.las",
         6280,
         0,
         {2045001.76, 1267501.19, 95.79},
         {2049993.92, 1272499.79, 228.73},
         {2045008.17, 1272222.64, 106.61},
         1e-12},
        {"las/pyntcloud_has_offsets.las",
         20,
         0,
         {-44498.07294816, -135821.71900007, 34.40499999},
         {-44403.54700002, -135697.21900004, 61.80793099},
         {-44490.84294818, -135781.17522365, 54.58493098},
         1e-10},  // listed to 8 decimals
        {"las/pdal_1.2-with-color.las",
         1065,
         0,
         {635619.85, 848899.70, 406.59},
         {638982.55, 853535.43, 586.38},
         {637012.24, 849028.31, 431.66},
         1e-12},
        {"las/laspy_vegetation_1_3.las",
         10683,
         0,
         {-98451.205, -55975.417, -81460.091},
         {-98447.447, -55969.405, -81455.203},
         {-98449.688, -55970.553, -81458.594},
         1e-12},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.path);
        const LoadedMesh m = read_ok(external_file(f.path));
        testing::expect_facts(m, f);
        EXPECT_TRUE(m.notes.empty());
    }
}

/// The stored integers, scales and offsets of a real LAS file, read by the header table.
struct Stored {
    LasLayout layout;
    std::vector<std::array<std::int32_t, 3>> xyz;
};

Stored stored_points(const std::string& b)
{
    const auto u32 = [&](std::size_t at) { return testing::get_le<std::uint32_t>(b, at); };
    Stored s;
    const std::size_t length = testing::get_le<std::uint16_t>(b, 105);
    for (std::size_t i = 0, at = u32(96); i < u32(107); ++i, at += length) {
        s.xyz.push_back({testing::get_le<std::int32_t>(b, at),
                         testing::get_le<std::int32_t>(b, at + 4),
                         testing::get_le<std::int32_t>(b, at + 8)});
    }
    for (std::size_t k = 0; k < 3; ++k) {
        s.layout.scale[k] = testing::get_le<double>(b, 131 + 8 * k);
        s.layout.offset[k] = testing::get_le<double>(b, 155 + 8 * k);
    }
    return s;
}

TEST(read_las_points, the_same_points_read_alike_in_every_version_and_record_layout)
{
    const std::string original = external_file("las/pdal_1.2-with-color.las");
    const LoadedMesh reference = read_ok(original);
    Stored s = stored_points(original);
    struct Variant {
        int minor, format;
        std::size_t extra, gap;
        bool legacy_zero;
    };
    const Variant variants[] = {
        {0, 1, 0, 0, false},  {1, 0, 3, 2, false}, {2, 2, 0, 100, false}, {3, 3, 7, 0, false},
        {3, 5, 0, 54, false}, {4, 6, 0, 0, true},  {4, 7, 5, 31, true},   {4, 10, 2, 0, false},
        {4, 4, 0, 0, false},  {4, 8, 11, 9, true},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE("1." + std::to_string(v.minor) + " format " + std::to_string(v.format));
        s.layout.minor = v.minor;
        s.layout.format = v.format;
        s.layout.extra_bytes = v.extra;
        s.layout.gap = v.gap;
        s.layout.legacy_count_zero = v.legacy_zero;
        std::string file = make_las(s.layout, s.xyz);
        file += std::string(300, '\x01');  // waveform data or extended records after the points
        EXPECT_EQ(read_ok(file), reference);
    }
}

TEST(read_las_points, coordinates_are_stored_integer_times_scale_plus_offset_in_double)
{
    LasLayout layout;
    layout.scale = {0.001, 1e-7, 0.25};
    layout.offset = {500000.0, -4e6, 0.1};
    const std::int32_t lo = std::numeric_limits<std::int32_t>::min();
    const std::int32_t hi = std::numeric_limits<std::int32_t>::max();
    const LoadedMesh m = read_ok(make_las(layout, {{lo, hi, 0}, {1, -1, hi}, {123456789, 0, lo}}));
    const auto at = [&](std::int32_t v, std::size_t k) {
        return static_cast<double>(v) * layout.scale[k] + layout.offset[k];
    };
    EXPECT_EQ(m.points.xyz, (std::vector<Vec3>{{at(lo, 0), at(hi, 1), at(0, 2)},
                                               {at(1, 0), at(-1, 1), at(hi, 2)},
                                               {at(123456789, 0), at(0, 1), at(lo, 2)}}));
}

TEST(read_las_points, broken_and_compressed_files_are_refused_and_leave_the_output_alone)
{
    const std::string good = make_las({}, {{1, 2, 3}, {4, 5, 6}});
    LasLayout v14;
    v14.minor = 4;
    v14.format = 6;
    v14.legacy_count_zero = true;
    const std::string good14 = make_las(v14, {{1, 2, 3}, {4, 5, 6}});
    const auto poke = [](std::string s, std::size_t at, auto v) {
        testing::put_le(s, at, v);
        return s;
    };
    std::string laszip_record = make_las({}, {});
    laszip_record += std::string(54 + 10, '\0');
    laszip_record.replace(227 + 2, 14, "laszip encoded");
    laszip_record =
        poke(poke(poke(laszip_record, 227 + 18, std::uint16_t{22204}), 227 + 20, std::uint16_t{10}),
             100, std::uint32_t{1});
    laszip_record = poke(poke(laszip_record, 96, std::uint32_t(227 + 64)), 107, std::uint32_t{1});
    laszip_record += std::string(20, '\0');
    const char* laz = "圧縮された LAS（LAZ）";
    const BadFile cases[] = {
        {"not LAS", "LASX" + good.substr(4), "LASファイルではありません", 0, 0},
        {"header cut short", good.substr(0, 200), "ヘッダーの途中", 0, 200},
        {"version 2.0", poke(good, 24, std::uint8_t{2}), "版 2.2", 0, 24},
        {"header size too small", poke(good, 94, std::uint16_t{100}), "ヘッダーの大きさ", 0, 94},
        {"points before the header end", poke(good, 96, std::uint32_t{200}), "点データの位置", 0,
         96},
        {"points past the end", poke(good, 96, std::uint32_t{100000}), "点データの位置", 0, 96},
        {"format 11", poke(good, 104, std::uint8_t{11}), "形式 11", 0, 104},
        {"record too short", poke(good, 105, std::uint16_t{19}), "短すぎます", 0, 105},
        {"no points", poke(good, 107, std::uint32_t{0}), "点の数が 0", 0, 107},
        {"one point past the end", poke(good, 107, std::uint32_t{3}), "入りきりません", 0, 107},
        {"count far past the end", poke(good, 107, std::uint32_t{0xFFFFFFFF}), "入りきりません", 0,
         107},
        {"1.4 count past the end", poke(good14, 247, std::uint64_t{1} << 62U), "入りきりません", 0,
         247},
        {"1.4 without any count", poke(good14, 247, std::uint64_t{0}), "点の数が 0", 0, 107},
        {"scale 0", poke(good, 139, 0.0), "Y のスケール", 0, 139},
        {"scale past the range", poke(good, 131, 1e300), "X のスケールとオフセット", 0, 131},
        {"scale and offset past the range together", poke(poke(good, 139, 5e298), 163, 1e308),
         "Y のスケールとオフセット", 0, 139},
        {"offset not a number", poke(good, 171, std::numeric_limits<double>::quiet_NaN()),
         "Z のオフセット", 0, 171},
        {"LAZ by the format byte", poke(good, 104, std::uint8_t{0x83}), laz, 0, 104},
        {"LAZ by its record", laszip_record, laz, 0, 104},
        {"real LAZ", external_file("las/pdal_simple.laz"), laz, 0, 104},
    };
    for (const BadFile& c : cases) {
        testing::expect_refused(read_las_points, c);
    }
}

}  // namespace
}  // namespace tengun
