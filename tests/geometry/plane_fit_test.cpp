#include "geometry/plane_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "geometry/rotation.h"
#include "support/clouds.h"
#include "support/plain_plane_fit.h"

namespace tengun {
namespace {

using testing::expect_vec_near;
using testing::plane_cloud;

TEST(fit_plane, recovers_horizontal_planes_with_positive_offset)
{
    for (const double z : {5.0, -5.0}) {
        SCOPED_TRACE(z);
        const auto pts = plane_cloud(50, {1, 2, z}, {1, 0, 0}, {0, 1, 0}, 10.0, 0.0);
        Vec3 n{};
        double d = 0;
        Vec3 foot{};
        Mat3 frame{};
        double sd = -1;
        ASSERT_EQ(plane_analysis(pts, n, d, foot, frame, sd), Status::ok);
        expect_vec_near(n, {0, 0, z > 0 ? 1.0 : -1.0}, 1e-12);
        EXPECT_NEAR(d, 5.0, 1e-12);
        EXPECT_NEAR(sd, 0.0, 1e-12);
        expect_vec_near(foot, {0, 0, z}, 1e-12);
        expect_vec_near(frame[2], n, 1e-12);
        expect_vec_near(mat_vec(frame, n), {0, 0, 1}, 1e-12);
    }
}

TEST(fit_plane, order_does_not_matter_and_deviation_divides_by_n)
{
    std::vector<Vec3> pts{{0, 0, 1.1}, {4, 0, 0.9}, {0, 4, 0.9}, {4, 4, 1.1}, {2, 1, 1.3}};
    Vec3 n{};
    double d = 0;
    double sd = 0;
    ASSERT_EQ(fit_plane(pts, 3, n, d, sd), Status::ok);
    double sum = 0;
    for (const Vec3& p : pts) {
        sum += (vec_dot(n, p) - d) * (vec_dot(n, p) - d);
    }
    EXPECT_NEAR(sd, std::sqrt(sum / 5.0), 1e-12) << "divided by N, not N - 3";
    EXPECT_GT(sd, 0.05);
    std::reverse(pts.begin(), pts.end());
    std::swap(pts[1], pts[2]);
    Vec3 n2{};
    double d2 = 0;
    double sd2 = 0;
    ASSERT_EQ(fit_plane(pts, 3, n2, d2, sd2), Status::ok);
    expect_vec_near(n2, n, 1e-14);
    EXPECT_NEAR(d2, d, 1e-14);
    EXPECT_NEAR(sd2, sd, 1e-14);
}

TEST(fit_plane, tilted_noisy_plane)
{
    const Vec3 u{1, 0, 0.3};
    const Vec3 v{0, 1, -0.2};
    const auto pts = plane_cloud(2000, {10, -20, 30}, u, v, 50.0, 0.01, 7);
    Vec3 n{};
    double d = 0;
    double sd = 0;
    ASSERT_EQ(fit_plane(pts, 3, n, d, sd), Status::ok);
    Vec3 w = vec_cross(u, v);
    w = vec_scale(w, 1.0 / vec_length(w));
    if (vec_dot(w, n) < 0) {
        w = vec_scale(w, -1.0);
    }
    expect_vec_near(n, w, 1e-4);
    EXPECT_GT(d, 0.0);
    EXPECT_NEAR(sd, 0.01, 0.001);
}

TEST(fit_plane, planes_through_or_near_the_origin_come_out_right)
{
    for (const double z : {0.0, 0.001}) {
        SCOPED_TRACE(z);
        const auto pts = plane_cloud(2000, {0, 0, z}, {1, 0, 0}, {0, 1, 0}, 50.0, 0.01, 3);
        Vec3 n{};
        double d = -1;
        double sd = 0;
        ASSERT_EQ(fit_plane(pts, 3, n, d, sd), Status::ok);
        EXPECT_NEAR(std::abs(n[2]), 1.0, 1e-6);
        EXPECT_GE(d, 0.0);
        EXPECT_NEAR(sd, 0.01, 0.001) << "as close as the best plane";
    }
    // Exactly through the origin and exactly planar: the moment matrix is singular.
    const std::vector<Vec3> pts{{1, 0, 1}, {0, 1, 1}, {-1, 0, -1}, {0, -1, -1}, {2, 2, 4}};
    Vec3 n{};
    double d = -1;
    double sd = -1;
    ASSERT_EQ(fit_plane(pts, 3, n, d, sd), Status::ok);
    const double r = 1.0 / std::sqrt(3.0);
    expect_vec_near(vec_scale(n, n[2] > 0 ? 1.0 : -1.0), {-r, -r, r}, 1e-12);
    EXPECT_NEAR(d, 0.0, 1e-12);
    EXPECT_NEAR(sd, 0.0, 1e-12);
}

/// The orthogonal least-squares plane by an independent route: the centred scatter in long
/// double, its smallest eigenvector by inverse iteration.
struct ReferencePlane {
    Vec3 n{};
    double d = 0;
    double rms = 0;
};

ReferencePlane reference_plane(const std::vector<Vec3>& pts)
{
    using L = long double;
    L c[3] = {0, 0, 0};
    for (const Vec3& p : pts) {
        for (int k = 0; k < 3; ++k) {
            c[k] += p[k];
        }
    }
    for (L& x : c) {
        x /= static_cast<L>(pts.size());
    }
    L s[3][3] = {};
    for (const Vec3& p : pts) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) {
                s[j][k] += (p[j] - c[j]) * (p[k] - c[k]);
            }
        }
    }
    // Inverse iteration: solve S y = x by Cramer's rule (S is 3 x 3 and regular for noisy data).
    const auto det = [](const L m[3][3]) {
        return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    const L ds = det(s);
    L x[3] = {0.3L, 0.5L, 0.8L};
    for (int it = 0; it < 200; ++it) {
        L y[3];
        for (int col = 0; col < 3; ++col) {
            L m[3][3];
            for (int j = 0; j < 3; ++j) {
                for (int k = 0; k < 3; ++k) {
                    m[j][k] = k == col ? x[j] : s[j][k];
                }
            }
            y[col] = det(m) / ds;
        }
        const L len = std::sqrt(y[0] * y[0] + y[1] * y[1] + y[2] * y[2]);
        for (int k = 0; k < 3; ++k) {
            x[k] = y[k] / len;
        }
    }
    L d = x[0] * c[0] + x[1] * c[1] + x[2] * c[2];
    if (d < 0) {
        d = -d;
        for (L& v : x) {
            v = -v;
        }
    }
    L sum = 0;
    for (const Vec3& p : pts) {
        const L e = x[0] * p[0] + x[1] * p[1] + x[2] * p[2] - d;
        sum += e * e;
    }
    return {{static_cast<double>(x[0]), static_cast<double>(x[1]), static_cast<double>(x[2])},
            static_cast<double>(d), static_cast<double>(std::sqrt(sum / pts.size()))};
}

TEST(fit_plane, exact_planes_give_a_deviation_at_rounding_level)
{
    // x + 2y + 2z = 30: the normal (1, 2, 2) / 3, d = 10.
    const std::vector<Vec3> ten{{10, 5, 5}, {0, 5, 10}, {2, 4, 10}, {4, 8, 5},  {6, 2, 10},
                                {8, 9, 2},  {12, 3, 6}, {14, 0, 8}, {16, 7, 0}, {18, 1, 5}};
    Vec3 n{};
    double d = 0;
    double sd = 1;
    ASSERT_EQ(fit_plane(ten, 3, n, d, sd), Status::ok);
    expect_vec_near(n, {1.0 / 3, 2.0 / 3, 2.0 / 3}, 1e-15);
    EXPECT_NEAR(d, 10.0, 1e-13);
    EXPECT_LT(sd, 1e-15);

    struct Case {
        const char* name;
        Vec3 origin, u, v;
        double size;
    };
    const Case cases[] = {
        {"tilted near the origin", {1, 2, 3}, {1, 0.3, -0.2}, {0.1, 1, 0.7}, 5},
        {"through the origin", {0, 0, 0}, {1, 1, 0}, {0, 0.2, 1}, 50},
        {"far off, small", {1e4, -8e3, 9e3}, {0.6, 0.8, 0}, {0, 0.28, 0.96}, 10},
        {"far off, large", {-5e3, 7e3, 2e3}, {1, -2, 0.5}, {0.3, 0.1, -1}, 3e3},
        {"vertical", {200, 300, 0}, {0, 0, 1}, {1, 1, 0}, 100},
        {"steep, tiny", {3e3, 3e3, 3e3}, {1e-3, 0, 1e-3}, {0, 1e-3, 0}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pts = plane_cloud(200, c.origin, c.u, c.v, c.size, 0.0, 11);
        Vec3 lo = pts[0];
        Vec3 hi = pts[0];
        for (const Vec3& p : pts) {
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], p[k]);
                hi[k] = std::max(hi[k], p[k]);
            }
        }
        const double extent = vec_length(vec_sub(hi, lo));
        ASSERT_EQ(fit_plane(pts, 3, n, d, sd), Status::ok);
        EXPECT_LE(sd, 1e-12 * extent);
        const Vec3 w = vec_cross(c.u, c.v);
        EXPECT_NEAR(std::abs(vec_dot(n, w)) / vec_length(w), 1.0, 1e-12);
    }
}

TEST(fit_plane, noisy_planes_give_the_orthogonal_least_squares_plane)
{
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int k = 0; k < 15; ++k) {
        SCOPED_TRACE(k);
        const std::size_t count = 10 + static_cast<std::size_t>(k * k * 9);  // 10 .. 1774
        const double size = std::pow(10.0, 2.0 * u(rng) + 1.0);
        const double noise = size * std::pow(10.0, -2.0 - u(rng));  // 0.1 % .. 10 %
        const Vec3 origin{200 * u(rng), 200 * u(rng), 200 * u(rng)};
        const Vec3 a{1, u(rng), u(rng)};
        const Vec3 b{u(rng), 1, u(rng)};
        const auto pts = plane_cloud(count, origin, a, b, size, noise, 100 + k);
        const ReferencePlane ref = reference_plane(pts);
        Vec3 n{};
        double d = 0;
        double sd = 0;
        ASSERT_EQ(fit_plane(pts, 3, n, d, sd), Status::ok);
        EXPECT_NEAR(sd, ref.rms, 1e-12 * ref.rms);
        expect_vec_near(n, ref.n, 1e-9);
        EXPECT_NEAR(d, ref.d, 1e-9 * (ref.d + size));
        // The labelled variant takes the same plane.
        const std::vector<double> labels(pts.size(), 2.0);
        Vec3 nl{};
        double dl = 0;
        ASSERT_EQ(fit_plane_labelled(pts, labels, 2.0, 3, nl, dl), Status::ok);
        EXPECT_EQ(nl, n);
        EXPECT_EQ(dl, d);
    }
}

TEST(fit_plane, too_few_distinct_points_fail_and_keep_outputs)
{
    const Vec3 keep_n{0.6, 0, 0.8};
    for (const auto& pts :
         {std::vector<Vec3>{}, std::vector<Vec3>{{1, 2, 3}}, std::vector<Vec3>{{1, 2, 3}, {1, 2, 3}},
          std::vector<Vec3>{{1, 2, 3}, {2, 4, 6}, {3, 6, 9}, {1, 2, 3}},
          std::vector<Vec3>{{5, 5, 5}, {5, 5, 5}, {5, 5, 5}, {5, 5, 5}}}) {
        SCOPED_TRACE(pts.size());
        Vec3 n = keep_n;
        double d = 7;
        double sd = 8;
        Vec3 foot{1, 1, 1};
        Mat3 frame = mat_identity3();
        EXPECT_EQ(fit_plane(pts, 3, n, d, sd), Status::error);
        EXPECT_EQ(plane_analysis(pts, n, d, foot, frame, sd), Status::error);
        EXPECT_EQ(n, keep_n);
        EXPECT_EQ(d, 7);
        EXPECT_EQ(sd, 8);
        EXPECT_EQ(foot, (Vec3{1, 1, 1}));
        EXPECT_EQ(frame, mat_identity3());
    }
}

TEST(fit_plane, two_coordinates_fit_a_line_in_the_plane)
{
    const std::vector<Vec3> pts{{0, 2, 99}, {1, 2, -5}, {5, 2, 0}};
    Vec3 n{};
    double d = 0;
    double sd = 0;
    ASSERT_EQ(fit_plane(pts, 2, n, d, sd), Status::ok);
    expect_vec_near(n, {0, 1, 0}, 1e-12);
    EXPECT_NEAR(d, 2.0, 1e-12);
}

// The sums are kept in pairs for speed; the planes must be exactly those of single sums, for the
// plane extraction's results depend on every digit of its refits.
TEST(fit_plane, paired_sums_give_the_plain_sums_plane_to_the_last_digit)
{
    const Vec3 x{1, 0, 0};
    const Vec3 y{0, 1, 0};
    const Vec3 z{0, 0, 1};
    const Vec3 tilt_u{0.8, 0.6, 0.0};
    const Vec3 tilt_v{-0.36, 0.48, 0.8};
    std::vector<std::vector<Vec3>> clouds{
        plane_cloud(7, {10, 10, 30}, x, y, 40.0, 0.0),         // exact, far from the origin
        plane_cloud(1001, {10, 10, 30}, x, y, 40.0, 0.01, 2),  // a noisy box face
        plane_cloud(999, {-3, 250, 7}, y, z, 30.0, 0.01, 3),   // a side face far out
        plane_cloud(500, {0, 0, 0}, tilt_u, tilt_v, 5.0, 0.0), // through the origin
        plane_cloud(2000, {1e4, -2e4, 5e3}, tilt_u, tilt_v, 0.5, 1e-3, 4),
        plane_cloud(300, {1, 2, 3}, x, y, 10.0, 3.0, 5), // hardly a plane
    };
    for (std::size_t c = 0; c < clouds.size(); ++c) {
        SCOPED_TRACE(c);
        std::vector<Vec3> pts = clouds[c];
        // Visited through indices in a shuffled order too: the plain sums in that same order.
        std::vector<int> order(pts.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = static_cast<int>(i);
        }
        std::shuffle(order.begin(), order.end(), std::mt19937(static_cast<unsigned>(c)));
        std::vector<Vec3> shuffled;
        for (const int i : order) {
            shuffled.push_back(pts[static_cast<std::size_t>(i)]);
        }
        const testing::PlainPlane plain = testing::plain_fit_plane(pts);
        const testing::PlainPlane plain_shuffled = testing::plain_fit_plane(shuffled);
        ASSERT_TRUE(plain.ok && plain_shuffled.ok);
        Vec3 n{};
        double d = 0;
        double sd = 0;
        ASSERT_EQ(fit_plane(pts, 3, n, d, sd), Status::ok);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(n[k], plain.n[k]);
        }
        EXPECT_EQ(d, plain.d);
        EXPECT_EQ(sd, plain.sd);
        ASSERT_EQ(fit_plane_indexed(pts, order, 3, n, d), Status::ok);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(n[k], plain_shuffled.n[k]);
        }
        EXPECT_EQ(d, plain_shuffled.d);
    }
}

TEST(fit_plane_labelled, uses_only_the_labelled_points)
{
    auto pts = plane_cloud(30, {0, 0, 3}, {1, 0, 0}, {0, 1, 0}, 5.0, 0.0);
    std::vector<double> labels(pts.size(), 2.0);
    const auto other = plane_cloud(30, {0, 4, 0}, {1, 0, 0}, {0, 0, 1}, 5.0, 0.0);
    pts.insert(pts.end(), other.begin(), other.end());
    labels.resize(pts.size(), 1.0);
    Vec3 n{};
    double d = 0;
    ASSERT_EQ(fit_plane_labelled(pts, labels, 2.0, 3, n, d), Status::ok);
    expect_vec_near(n, {0, 0, 1}, 1e-12);
    EXPECT_NEAR(d, 3.0, 1e-12);
    ASSERT_EQ(fit_plane_labelled(pts, labels, 1.0, 3, n, d), Status::ok);
    expect_vec_near(n, {0, 1, 0}, 1e-12);
    EXPECT_EQ(fit_plane_labelled(pts, labels, 5.0, 3, n, d), Status::error);
}

TEST(symmetric_eigen, decomposes_random_symmetric_matrices)
{
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> u(-5, 5);
    for (int t = 0; t < 50; ++t) {
        Mat3 a{};
        for (int i = 0; i < 3; ++i) {
            for (int j = i; j < 3; ++j) {
                a[i][j] = a[j][i] = u(rng);
            }
        }
        const SymmetricEigen e = symmetric_eigen(a);
        EXPECT_LE(e.values[0], e.values[1]);
        EXPECT_LE(e.values[1], e.values[2]);
        for (int k = 0; k < 3; ++k) {
            expect_vec_near(mat_vec(a, e.vectors[k]), vec_scale(e.vectors[k], e.values[k]), 1e-10);
            EXPECT_NEAR(vec_length(e.vectors[k]), 1.0, 1e-12);
        }
    }
}

}  // namespace
}  // namespace tengun
