#include "geometry/line_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "geometry/rotation.h"
#include "support/clouds.h"

namespace tengun {
namespace {

using testing::expect_vec_near;

struct Line {
    Status status = Status::error;
    Vec3 u{};
    Vec3 point{};
    Mat3 frame{};
    double alpha = 0;
    double beta = 0;
    double sd = -1;
};

Line fit(const std::vector<Vec3>& pts)
{
    Line l;
    l.status = fit_line(pts, l.u, l.point, l.frame, l.alpha, l.beta, l.sd);
    return l;
}

/// u equals want or -want.
void expect_direction(const Vec3& u, const Vec3& want, double tol)
{
    const Vec3 w = vec_dot(u, want) < 0 ? vec_scale(want, -1.0) : want;
    expect_vec_near(u, w, tol);
}

/// The frame is rotation_matrix(alpha, beta -+ pi/2, 0) and its third row is u (beta < 0) or
/// -u (beta >= 0), so it turns the line onto the Z axis.
void expect_frame_along_line(const Line& l)
{
    EXPECT_NEAR(vec_length(l.u), 1.0, 1e-14);
    const Vec3 row3 = l.beta < 0 ? l.u : vec_scale(l.u, -1.0);
    expect_vec_near(l.frame[2], row3, 1e-14);
    expect_vec_near(mat_vec(l.frame, l.u), {0, 0, l.beta < 0 ? 1.0 : -1.0}, 1e-14);
}

TEST(fit_line, recovers_a_sampled_line)
{
    std::vector<Vec3> pts;
    Vec3 mean{};
    for (int i = -7; i <= 12; ++i) {
        const double t = 0.37 * i;
        pts.push_back({1 + t, 2 + t, 3 + t});
        mean = mean + vec_scale(pts.back(), 1.0 / 20);
    }
    const Line l = fit(pts);
    ASSERT_EQ(l.status, Status::ok);
    expect_direction(l.u, vec_scale({1, 1, 1}, 1 / std::sqrt(3.0)), 1e-12);
    expect_vec_near(l.point, mean, 1e-12);
    EXPECT_NEAR(l.sd, 0.0, 1e-12);
    expect_frame_along_line(l);
}

TEST(fit_line, axis_lines_take_the_stated_angles)
{
    {
        SCOPED_TRACE("along X: the first spreads tie, alpha = pi/4");
        const Line l = fit({{-2, 0, 0}, {1, 0, 0}, {5, 0, 0}});
        ASSERT_EQ(l.status, Status::ok);
        EXPECT_EQ(l.alpha, 0.7853981633974475);
        expect_vec_near(l.u, {1, 0, 0}, 1e-14);
        expect_vec_near(l.frame[2], {-1, 0, 0}, 1e-14);
        expect_vec_near(l.point, {4.0 / 3, 0, 0}, 1e-15);
        EXPECT_EQ(l.sd, 0.0);
    }
    {
        SCOPED_TRACE("along Z: the frame is the identity");
        const Line l = fit({{0, 0, -1}, {0, 0, 2}, {0, 0, 8}});
        ASSERT_EQ(l.status, Status::ok);
        expect_vec_near(l.u, {0, 0, -1}, 1e-14);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                EXPECT_EQ(l.frame[i][j], i == j ? 1.0 : 0.0) << i << ',' << j;
            }
        }
        expect_vec_near(l.point, {0, 0, 3}, 1e-15);
    }
    {
        SCOPED_TRACE("a single point: both angles pi/4");
        const Line l = fit({{4, -5, 6}});
        ASSERT_EQ(l.status, Status::ok);
        EXPECT_EQ(l.alpha, 0.7853981633974475);
        EXPECT_EQ(l.beta, 0.7853981633974475);
        expect_vec_near(l.u, {std::sqrt(0.5), 0.5, -0.5}, 1e-15);
        EXPECT_EQ(l.point, (Vec3{4, -5, 6}));
        EXPECT_EQ(l.sd, 0.0);
        expect_frame_along_line(l);
    }
}

TEST(fit_line, deviation_divides_the_summed_squares_by_n)
{
    const Line l = fit({{0, 1, 0}, {0, -1, 0}, {10, 1, 0}, {10, -1, 0}});
    ASSERT_EQ(l.status, Status::ok);
    expect_vec_near(l.u, {1, 0, 0}, 1e-15);
    expect_vec_near(l.point, {5, 0, 0}, 1e-14);
    EXPECT_NEAR(l.sd, 1.0, 1e-14);
    expect_frame_along_line(l);
}

TEST(fit_line, noisy_lines_in_many_directions)
{
    std::mt19937 rng(11);
    std::normal_distribution<double> g(0.0, 1.0);
    for (int trial = 0; trial < 8; ++trial) {
        Vec3 dir{g(rng), g(rng), g(rng)};
        dir = vec_scale(dir, 1 / vec_length(dir));
        const Vec3 through{100 * g(rng), 100 * g(rng), 100 * g(rng)};
        SCOPED_TRACE(::testing::Message() << "direction " << dir[0] << ' ' << dir[1] << ' '
                                          << dir[2]);
        std::vector<Vec3> pts;
        std::uniform_real_distribution<double> t(-50, 50);
        for (int i = 0; i < 10000; ++i) {
            Vec3 p = through + vec_scale(dir, t(rng));
            for (int k = 0; k < 3; ++k) {
                p[k] += 0.01 * g(rng);
            }
            pts.push_back(p);
        }
        const Line l = fit(pts);
        ASSERT_EQ(l.status, Status::ok);
        expect_direction(l.u, dir, 1e-5);
        EXPECT_NEAR(point_line_distance(through, l.u, l.point), 0.0, 0.001);
        // Two of the three noise directions lie across the line.
        EXPECT_NEAR(l.sd, 0.01 * std::sqrt(2.0), 0.0005);
        expect_frame_along_line(l);
    }
}

TEST(fit_line, no_points_write_nothing)
{
    Line l;
    l.u = {1, 2, 3};
    l.sd = 7;
    EXPECT_EQ(fit_line({}, l.u, l.point, l.frame, l.alpha, l.beta, l.sd), Status::error);
    EXPECT_EQ(l.u, (Vec3{1, 2, 3}));
    EXPECT_EQ(l.sd, 7);
}

TEST(point_line_distance, perpendicular_distance_and_its_rms)
{
    const Vec3 u{0, 0.6, 0.8};
    const Vec3 p{1, 1, 1};
    EXPECT_NEAR(point_line_distance({1, 1 + 6, 1 + 8}, u, p), 0.0, 1e-15);
    EXPECT_NEAR(point_line_distance({4, 1 + 6, 1 + 8}, u, p), 3.0, 1e-15);
    EXPECT_NEAR(point_line_distance({1, 1 + 0.8, 1 - 0.6}, u, p), 1.0, 1e-15);
    const std::vector<Vec3> pts{{4, 1, 1}, {1, 1.8, 0.4}, {1, 7, 9}};
    EXPECT_NEAR(line_deviation(pts, u, p), std::sqrt((9.0 + 1.0 + 0.0) / 3), 1e-15);
    EXPECT_EQ(line_deviation({}, u, p), 0.0);
}

}  // namespace
}  // namespace tengun
