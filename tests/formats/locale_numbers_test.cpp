// Numbers in files and fields keep the decimal point whatever locale the program runs in: with
// the C and the C++ global locale set to German (decimal comma), every writer writes what it
// writes in the C locale, and every reader reads decimal points as before.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <optional>

#include "app/status_text.h"
#include "formats/csv_points.h"
#include "formats/format_readers.h"
#include "formats/ply_mesh.h"
#include "formats/stl_binary.h"
#include "formats/stl_mesh.h"
#include "geometry/number_text.h"
#include "support/format_files.h"
#include "support/german_locale.h"

namespace tengun {
namespace {

/// Sets LOCPATH and the C and C++ global locales to German for its life, then restores them.
class GermanLocale {
public:
    explicit GermanLocale(const std::string& locpath)
    {
        const char* old = std::getenv("LOCPATH");
        old_locpath_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("LOCPATH", locpath.c_str(), 1);
        old_c_ = std::setlocale(LC_ALL, nullptr);
        active_ = std::setlocale(LC_ALL, testing::german_locale_name) != nullptr;
        if (active_) {
            old_cpp_ = std::locale::global(std::locale(testing::german_locale_name));
        }
    }
    ~GermanLocale()
    {
        std::setlocale(LC_ALL, old_c_.c_str());
        std::locale::global(old_cpp_);
        if (old_locpath_) {
            ::setenv("LOCPATH", old_locpath_->c_str(), 1);
        } else {
            ::unsetenv("LOCPATH");
        }
    }
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;
    [[nodiscard]] bool active() const { return active_; }

private:
    std::optional<std::string> old_locpath_;
    std::string old_c_;
    std::locale old_cpp_;
    bool active_ = false;
};

const std::vector<Vec3> points{{1.5, -2.25, 1e-5}, {1234.5678, 0.1, -3e20}, {0, 0.5, 7}};
const std::vector<int> tri_a{1}, tri_b{2}, tri_c{3};

/// Every text the program writes numbers into, as one list.
std::vector<std::string> written_texts()
{
    return {
        write_csv_points(points),
        write_stl_mesh(points, tri_a, tri_b, tri_c),
        write_ply_mesh(points, tri_a, tri_b, tri_c, PlyEncoding::ascii),
        format_number(-1234.5678) + " " + format_number(1e-5) + " " + format_number(0.1),
        fixed_number(1.25, 2) + " " + duration_text(1.25) + " " + duration_text(83.44),
    };
}

struct TextFile {
    FileFormat format;
    std::string bytes;
};

std::vector<LoadedMesh> read_texts()
{
    const std::vector<TextFile> files{
        {FileFormat::csv, "1.5,-2.25,0.125\n"},
        {FileFormat::xyz, "1.5 -2.25 0.125 7.5\n"},
        {FileFormat::obj, "v 1.5 -2.25 0.125\n"},
        {FileFormat::ply,
         "ply\nformat ascii 1.0\nelement vertex 1\nproperty double x\nproperty double y\n"
         "property double z\nend_header\n1.5 -2.25 0.125\n"},
        {FileFormat::pcd,
         "FIELDS x y z\nSIZE 4 4 4\nTYPE F F F\nWIDTH 1\nPOINTS 1\nDATA ascii\n1.5 -2.25 0.125\n"},
        {FileFormat::stl_ascii,
         "solid s\nfacet normal 0 0 1\nouter loop\nvertex 1.5 -2.25 0.125\nvertex 1.5 -2.25 "
         "0.125\nvertex 1.5 -2.25 0.125\nendloop\nendfacet\nendsolid\n"},
        {FileFormat::iges, testing::make_iges({"110,0.,0.,0.,1.5,-2.25,0.125;"})},
        {FileFormat::pix, testing::make_pix("260 110 5 E")},
    };
    std::vector<LoadedMesh> out;
    for (const TextFile& f : files) {
        LoadedMesh m;
        ReadError error;
        EXPECT_EQ(read_format(f.format, f.bytes, "numbers", m, error), Status::ok)
            << format_name(f.format) << ": " << error.reason;
        out.push_back(m);
    }
    return out;
}

TEST(german_locale, numbers_are_read_and_written_with_a_decimal_point)
{
    const std::vector<std::string> written_in_c = written_texts();
    const std::vector<LoadedMesh> read_in_c = read_texts();
    for (const LoadedMesh& m : read_in_c) {
        ASSERT_FALSE(m.points.empty());
        EXPECT_EQ(m.points.xyz.back(), (Vec3{1.5, -2.25, 0.125})) << "every file's last point";
    }
    EXPECT_NE(written_in_c[0].find("1.5 -2.25 1E-05"), std::string::npos) << written_in_c[0];
    EXPECT_EQ(written_in_c[4], "1.25 1.25 秒 83.4 秒");

    const std::string locpath = testing::german_locale_path();
    ASSERT_FALSE(locpath.empty());
    const GermanLocale german(locpath);
    ASSERT_TRUE(german.active());
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    ASSERT_STREQ(text, "1,5") << "the German locale is in force";

    EXPECT_EQ(written_texts(), written_in_c);
    EXPECT_EQ(read_texts(), read_in_c);
    double typed = 0.0;
    EXPECT_TRUE(parse_number(" 2.5 ", typed));
    EXPECT_EQ(typed, 2.5);
}

} // namespace
} // namespace tengun
