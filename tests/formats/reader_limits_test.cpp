// Files whose header or count claims more than they hold: every reader refuses them (or reads
// what is there) without asking for memory in proportion to the claim. Each read runs under an
// allocation limit of 1 MB, far above what these small files need and far below what the
// claims would take.
#include <gtest/gtest.h>

#include "correction/thinning.h"
#include "formats/format_readers.h"
#include "support/allocation_limit.h"
#include "support/format_files.h"
#include "support/scan_files.h"

namespace tengun {
namespace {

using testing::AllocationLimit;

constexpr std::size_t limit_bytes = std::size_t{1} << 20U;

std::string ply_header(std::string_view format, std::string_view elements)
{
    return "ply\nformat " + std::string(format) + " 1.0\n" + std::string(elements) + "end_header\n";
}

const std::string xyz_properties = "property float x\nproperty float y\nproperty float z\n";

std::string pcd_header(std::string_view counts, std::string_view data)
{
    return "VERSION .7\nFIELDS x y z\nSIZE 4 4 4\nTYPE F F F\nCOUNT 1 1 1\n" + std::string(counts) +
           "DATA " + std::string(data) + "\n";
}

std::string las_claiming(int minor, std::uint64_t count)
{
    testing::LasLayout layout;
    layout.minor = minor;
    std::string b = testing::make_las(layout, {{1, 2, 3}});
    if (minor >= 4) {
        testing::put_le(b, 247, count);
    } else {
        testing::put_le(b, 107, static_cast<std::uint32_t>(count));
    }
    return b;
}

std::string bmp_claiming(std::uint32_t width, std::uint32_t height, int bits)
{
    std::string b = testing::make_bmp(2, 2, bits, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    testing::put_u32(b, 18, width);
    testing::put_u32(b, 22, height);
    return b;
}

std::string stl_claiming(std::uint32_t count)
{
    std::string b = testing::make_binary_stl({{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}}});
    testing::put_u32(b, 80, count);
    return b;
}

struct Claim {
    const char* name;
    FileFormat format;
    std::string bytes;
    Status expected;
};

TEST(reader_limits, counts_beyond_the_file_are_refused_before_allocating)
{
    const std::string float3(12, '\0');
    const Claim claims[] = {
        {"ply ascii vertices", FileFormat::ply,
         ply_header("ascii", "element vertex 900000000\n" + xyz_properties) + "1 2 3\n",
         Status::error},
        {"ply binary vertices", FileFormat::ply,
         ply_header("binary_little_endian", "element vertex 100000000\n" + xyz_properties) + float3,
         Status::error},
        {"ply faces", FileFormat::ply,
         ply_header("ascii", "element vertex 3\n" + xyz_properties +
                                 "element face 900000000\nproperty list uchar int "
                                 "vertex_indices\n") +
             "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
         Status::error},
        {"ply long list", FileFormat::ply,
         ply_header("binary_little_endian", "element vertex 1\n" + xyz_properties +
                                                "element face 1\nproperty list uint int "
                                                "vertex_indices\n") +
             float3 + "\xFF\xFF\xFF\x7F" + "\0\0\0\0",
         Status::error},
        {"pcd binary", FileFormat::pcd,
         pcd_header("WIDTH 500000000\nHEIGHT 1\nPOINTS 500000000\n", "binary") + float3,
         Status::error},
        {"pcd ascii", FileFormat::pcd,
         pcd_header("WIDTH 500000000\nHEIGHT 1\nPOINTS 500000000\n", "ascii") + "1 2 3\n",
         Status::error},
        {"pcd width times height", FileFormat::pcd,
         pcd_header("WIDTH 4294967295\nHEIGHT 4294967295\n", "binary") + float3, Status::error},
        {"pcd compressed sizes", FileFormat::pcd,
         pcd_header("WIDTH 1\nHEIGHT 1\nPOINTS 1\n", "binary_compressed") +
             std::string("\x0D\0\0\0\x00\x94\x35\x77", 8) + std::string(13, '\x0B'),
         Status::error},
        {"pcd compressed points", FileFormat::pcd,
         pcd_header("WIDTH 300000000\nHEIGHT 1\nPOINTS 300000000\n", "binary_compressed") +
             std::string("\x0D\0\0\0\x0C\0\0\0", 8) + std::string(13, '\x0B'),
         Status::error},
        {"las legacy count", FileFormat::las, las_claiming(2, 500000000), Status::error},
        {"las 64-bit count", FileFormat::las, las_claiming(4, std::uint64_t{1} << 40U),
         Status::error},
        {"binary stl count", FileFormat::stl_binary, stl_claiming(100000000), Status::error},
        {"bitmap 24 bits", FileFormat::bmp, bmp_claiming(40000, 40000, 24), Status::error},
        {"bitmap 1 bit", FileFormat::bmp, bmp_claiming(0x7FFFFFFF, 1, 1), Status::error},
        {"bitmap 8 bits tall", FileFormat::bmp, bmp_claiming(1, 0x7FFFFFFF, 8), Status::error},
        // Counts that only describe the file: the points it holds load, nothing more is asked.
        {"pts count", FileFormat::xyz, "900000000\n1 2 3\n", Status::ok},
        {"iges hollerith", FileFormat::iges,
         testing::make_iges({"110,1.,0.,0.,10.,0.,0.;"}, "999999999H,,1H;,4Htest;"), Status::ok},
    };
    for (const Claim& c : claims) {
        SCOPED_TRACE(c.name);
        LoadedMesh out;
        ReadError error;
        Status status = Status::error;
        std::size_t refused = 0;
        {
            const AllocationLimit limit(limit_bytes);
            status = read_format(c.format, c.bytes, "claim.dat", out, error);
            refused = limit.largest_refused();
        }
        EXPECT_EQ(refused, 0U) << "asked for memory by the claim: " << error.reason;
        EXPECT_EQ(status, c.expected) << error.reason;
        if (status == Status::error) {
            EXPECT_TRUE(out.points.empty());
        }
    }
}

TEST(reader_limits, thinning_refuses_a_bitmap_larger_than_its_file)
{
    for (const std::string& bytes :
         {bmp_claiming(40000, 40000, 24), bmp_claiming(0x7FFFFFFF, 5, 24)}) {
        PointCloud cloud;
        ReadError error;
        const AllocationLimit limit(limit_bytes);
        EXPECT_EQ(thin_bitmap_rows(bytes, 10.0, cloud, error), Status::error);
        EXPECT_EQ(limit.largest_refused(), 0U) << error.reason;
    }
}

} // namespace
} // namespace tengun
