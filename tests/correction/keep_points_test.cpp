// Deleting points with everything that refers to them kept in step.
#include "correction/keep_points.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace tengun {
namespace {

struct KeepCase {
    const char* name;
    std::vector<std::uint8_t> keep;       // one flag per point; point i is at (i, 10 i, -i)
    std::vector<std::array<int, 4>> mesh; // corners a, b, c (1-based) and tag
    std::vector<std::size_t> kept;        // old 0-based positions, in order
    std::vector<std::array<int, 4>> kept_mesh;
};

void PrintTo(const KeepCase& c, std::ostream* os)
{
    *os << c.name;
}

class keep_points_case : public ::testing::TestWithParam<KeepCase> {};

TEST_P(keep_points_case, keeps_order_shows_all_and_renumbers_the_mesh)
{
    const KeepCase& c = GetParam();
    PointCloud cloud;
    for (std::size_t i = 0; i < c.keep.size(); ++i) {
        const double x = static_cast<double>(i);
        cloud.add({x, 10 * x, -x}, i % 3 == 0 ? 1.0 : 4.0); // labels of an earlier command
    }
    std::vector<std::uint8_t> flags(c.keep.size());
    for (std::size_t i = 0; i < flags.size(); ++i) {
        flags[i] = static_cast<std::uint8_t>(100 + i);
    }
    std::vector<int> a, b, cc;
    std::vector<double> tags;
    for (const auto& t : c.mesh) {
        a.push_back(t[0]);
        b.push_back(t[1]);
        cc.push_back(t[2]);
        tags.push_back(t[3]);
    }

    EXPECT_EQ(keep_points(cloud, c.keep), c.kept.size());
    keep_flags(flags, c.keep);
    keep_triangles(c.keep, a, b, cc, tags);

    ASSERT_EQ(cloud.size(), c.kept.size());
    ASSERT_EQ(flags.size(), c.kept.size());
    for (std::size_t j = 0; j < c.kept.size(); ++j) {
        const double x = static_cast<double>(c.kept[j]);
        EXPECT_EQ(cloud.xyz[j], (Vec3{x, 10 * x, -x})) << j;
        EXPECT_EQ(cloud.label[j], 0.0) << j;
        EXPECT_EQ(flags[j], 100 + c.kept[j]) << j;
    }
    ASSERT_EQ(a.size(), c.kept_mesh.size());
    ASSERT_EQ(tags.size(), c.kept_mesh.size());
    for (std::size_t t = 0; t < a.size(); ++t) {
        EXPECT_EQ((std::array<int, 4>{a[t], b[t], cc[t], static_cast<int>(tags[t])}),
                  c.kept_mesh[t])
            << "triangle " << t + 1;
        // Every renumbered corner names the point it named before.
        for (const int corner : {a[t], b[t], cc[t]}) {
            ASSERT_GE(corner, 1);
            ASSERT_LE(static_cast<std::size_t>(corner), cloud.size());
        }
    }
    // The count of kept points among a leading run.
    std::size_t leading = 0;
    for (std::size_t i = 0; i < c.keep.size() / 2; ++i) {
        leading += c.keep[i] != 0 ? 1 : 0;
    }
    EXPECT_EQ(count_kept(c.keep, c.keep.size() / 2), leading);
    EXPECT_EQ(count_kept(c.keep, c.keep.size() + 5), c.kept.size()) << "a count beyond the end";
}

INSTANTIATE_TEST_SUITE_P(masks, keep_points_case,
                         ::testing::Values(KeepCase{"keep_all",
                                                    {1, 1, 1, 1},
                                                    {{1, 2, 3, 5}, {2, 3, 4, 6}},
                                                    {0, 1, 2, 3},
                                                    {{1, 2, 3, 5}, {2, 3, 4, 6}}},
                                           KeepCase{"keep_none", {0, 0, 0}, {{1, 2, 3, 5}}, {}, {}},
                                           KeepCase{"drop_the_first",
                                                    {0, 1, 1, 1, 1},
                                                    {{1, 2, 3, 1}, {2, 3, 4, 2}, {5, 4, 3, 3}},
                                                    {1, 2, 3, 4},
                                                    {{1, 2, 3, 2}, {4, 3, 2, 3}}},
                                           KeepCase{"every_other",
                                                    {1, 0, 1, 0, 1, 0, 1},
                                                    {{1, 3, 5, 1}, {1, 2, 3, 2}, {7, 5, 3, 3}},
                                                    {0, 2, 4, 6},
                                                    {{1, 2, 3, 1}, {4, 3, 2, 3}}},
                                           KeepCase{"flags_other_than_one_keep",
                                                    {0, 7, 255, 0},
                                                    {{2, 3, 2, 9}},
                                                    {1, 2},
                                                    {{1, 2, 1, 9}}},
                                           KeepCase{"mesh_of_an_earlier_cloud",
                                                    {1, 1, 1},
                                                    {{1, 2, 9, 1}, {0, 1, 2, 2}, {3, 2, 1, 4}},
                                                    {0, 1, 2},
                                                    {{3, 2, 1, 4}}}),
                         [](const ::testing::TestParamInfo<KeepCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(keep_flags, flags_that_are_not_one_per_point_are_left_alone)
{
    std::vector<std::uint8_t> flags{1, 2};
    const std::vector<std::uint8_t> keep{1, 0, 1};
    keep_flags(flags, keep);
    EXPECT_EQ(flags, (std::vector<std::uint8_t>{1, 2}));
}

} // namespace
} // namespace tengun
