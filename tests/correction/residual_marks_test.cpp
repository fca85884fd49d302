#include "correction/residual_marks.h"

#include <gtest/gtest.h>

#include <random>

#include "correction/outlier_removal.h"
#include "geometry/rotation.h"

namespace tengun {
namespace {

std::vector<double> marks_after(bool (*mark)(int, std::span<const Vec3>, std::span<double>,
                                             const FittedShape&),
                                int kind, const std::vector<Vec3>& pts, const FittedShape& shape)
{
    std::vector<double> marks(pts.size(), 7.0);
    EXPECT_TRUE(mark(kind, pts, marks, shape));
    return marks;
}

TEST(mark_worst_point, plane_picks_the_largest_squared_distance)
{
    FittedShape plane;
    plane.normal = {0, 0, 1};
    plane.offset = 0;
    const std::vector<Vec3> pts{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 2}};
    EXPECT_EQ(marks_after(mark_worst_point, 1, pts, plane), (std::vector<double>{1, 1, 1, 0}));
    // Ties keep the lower point; a negative residual counts by its square.
    const std::vector<Vec3> tie{{0, 0, 1}, {0, 0, -3}, {0, 0, 3}};
    EXPECT_EQ(marks_after(mark_worst_point, 1, tie, plane), (std::vector<double>{1, 0, 1}));
    // All on the plane: no worst point, everything hidden.
    const std::vector<Vec3> flat{{0, 0, 0}, {5, 5, 0}};
    EXPECT_EQ(marks_after(mark_worst_point, 1, flat, plane), (std::vector<double>{1, 1}));
}

TEST(mark_worst_point, cylinder_only_looks_outside)
{
    FittedShape cyl;
    cyl.frame = mat_identity3();  // axis along Z through the origin
    cyl.radius = 2;
    const std::vector<Vec3> pts{{0.5, 0, 0}, {2.1, 0, 5}, {0, 2.3, -1}, {0, 0, 9}};
    EXPECT_EQ(marks_after(mark_worst_point, 4, pts, cyl), (std::vector<double>{1, 1, 0, 1}));
    const std::vector<Vec3> inside{{0.5, 0, 0}, {0, 1, 0}};
    EXPECT_EQ(marks_after(mark_worst_point, 3, inside, cyl), (std::vector<double>{1, 1}));
}

TEST(mark_beyond_deviation, boundaries_and_kinds)
{
    FittedShape sphere;
    sphere.centre = {1, 2, 3};
    sphere.radius = 10;
    sphere.sd = 0.5;
    const std::vector<Vec3> pts{{11.5, 2, 3}, {11.50001, 2, 3}, {1, 2, 12.4}, {1, 2, -6.8}};
    EXPECT_EQ(marks_after(mark_beyond_deviation, 2, pts, sphere),
              (std::vector<double>{1, 0, 0, 1}))
        << "exactly at sd is hidden, just beyond is shown, both sides count";

    FittedShape line;
    line.frame = rotation_matrix(deg_to_rad(90), 0, 0);  // axis along -Y
    line.line_point = {1, 0, 1};
    line.sd = 0.01;
    const std::vector<Vec3> on_line{{1, 5, 1}, {1, -3, 1}, {1.1, 0, 1}};
    EXPECT_EQ(marks_after(mark_beyond_deviation, 5, on_line, line),
              (std::vector<double>{1, 1, 0}));
    EXPECT_NEAR(fit_residual(5, {4, 7, 5}, line), 5.0, 1e-12);
}

TEST(mark_displays, other_kinds_change_nothing)
{
    std::vector<double> marks{0, 1};
    const std::vector<Vec3> pts{{0, 0, 0}, {1, 1, 1}};
    for (const int kind : {0, 6, 7, 8}) {
        EXPECT_FALSE(mark_worst_point(kind, pts, marks, FittedShape{}));
        EXPECT_FALSE(mark_beyond_deviation(kind, pts, marks, FittedShape{}));
    }
    EXPECT_EQ(marks, (std::vector<double>{0, 1}));
}

TEST(remove_shown_points, keeps_the_hidden_points_in_order)
{
    PointCloud cloud;
    for (int i = 0; i < 5; ++i) {
        cloud.add({double(i), 0, 0}, i == 2 ? 0.0 : 1.0);
    }
    EXPECT_EQ(remove_shown_points(cloud), 4U);
    EXPECT_EQ(cloud.xyz, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {3, 0, 0}, {4, 0, 0}}));
    EXPECT_EQ(cloud.label, (std::vector<double>(4, 0.0)));
    // Nothing hidden any more: a second removal does nothing.
    EXPECT_EQ(remove_shown_points(cloud), 0U);
    EXPECT_EQ(cloud.size(), 4U);
    // Labels of other meanings (plane numbers) are not "kept".
    cloud.label = {2, 1, -1, 1};
    EXPECT_EQ(remove_shown_points(cloud), 2U);
    EXPECT_EQ(cloud.xyz, (std::vector<Vec3>{{1, 0, 0}, {4, 0, 0}}));
}

TEST(Residual, equals_fit_residual_bit_for_bit_for_every_kind)
{
    std::mt19937 rng(21);
    std::uniform_real_distribution<double> u(-20.0, 20.0);
    std::vector<Vec3> pts;
    for (int i = 0; i < 500; ++i) {
        pts.push_back({u(rng), u(rng), u(rng)});
    }
    FittedShape shape;
    const Vec3 n{0.3, -0.5, 0.7};
    shape.normal = vec_scale(n, 1.0 / vec_length(n));
    shape.offset = 2.5;
    shape.centre = {1, 2, 3};
    shape.radius = 7.5;
    shape.line_point = {-4, 0.5, 9};
    shape.frame = rotation_matrix(0.7, -0.2, 1.1);
    for (const int kind : {0, 1, 2, 3, 4, 5, 6, 8}) {
        SCOPED_TRACE(kind);
        const Residual residual(kind, shape);
        std::vector<double> block(pts.size(), 99.0);
        residual(pts, block);
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const double expected = fit_residual(kind, pts[i], shape);
            ASSERT_EQ(residual(pts[i]), expected) << i;
            ASSERT_EQ(block[i], expected) << i;
        }
    }
}

}  // namespace
}  // namespace tengun
