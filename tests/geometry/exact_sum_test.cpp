// Exact sums: the same double whatever the order, the nearest double to the true sum (against
// 128-bit integer sums), products and scaled sums kept exactly; and the plane of exact sums,
// which must not depend on the order its points came in.
#include "geometry/exact_sum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "geometry/plane_fit.h"
#include "geometry/rotation.h"

namespace tengun {
namespace {

double sum_of(const std::vector<double>& xs)
{
    ExactSum s;
    for (const double x : xs) {
        s.add(x);
    }
    return s.rounded();
}

TEST(ExactSum, same_sum_in_any_order_and_nothing_left_after_taking_everything_away)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<int> scale(-300, 300);
    for (int round = 0; round < 20; ++round) {
        std::vector<double> xs;
        for (int i = 0; i < 500; ++i) {
            xs.push_back(std::ldexp(u(rng), round < 10 ? scale(rng) : scale(rng) / 30));
        }
        xs.push_back(5e-324); // the least subnormal
        const double first = sum_of(xs);
        for (int order = 0; order < 3; ++order) {
            std::shuffle(xs.begin(), xs.end(), rng);
            EXPECT_EQ(sum_of(xs), first);
        }
        ExactSum s;
        for (const double x : xs) {
            s.add(x);
        }
        for (const double x : xs) {
            s.add(-x);
        }
        EXPECT_EQ(s.rounded(), 0.0);
    }
}

TEST(ExactSum, rounds_to_the_nearest_double_of_the_true_sum)
{
    // Multiples of 2^-40 whose exact sums fit 128-bit integers, which convert to the nearest
    // double (so does the compiler's conversion); then cases chosen at a tie, just past it, and with the sign changing on the way.
    std::mt19937_64 rng(2);
    for (int round = 0; round < 200; ++round) {
        std::uniform_int_distribution<std::int64_t> k(-(std::int64_t{1} << (20 + round % 40)),
                                                      std::int64_t{1} << (20 + round % 40));
        ExactSum s;
        Int128 total = 0;
        for (int i = 0; i < 300; ++i) {
            const double v = static_cast<double>(k(rng)); // an integer of at most 53 bits
            s.add(std::ldexp(v, -40));
            total += static_cast<std::int64_t>(v);
        }
        EXPECT_EQ(s.rounded(), std::ldexp(static_cast<double>(total), -40)) << round;
    }
    const double big = std::ldexp(1.0, 53);
    const std::vector<std::pair<std::vector<double>, double>> cases{
        {{big, 1.0}, big},                                  // a tie goes to the even neighbour
        {{big, 1.0, std::ldexp(1.0, -60)}, big + 2.0},      // past the tie by a hair
        {{big + 2.0, 1.0}, big + 4.0},                      // a tie from an odd last digit
        {{1e20, 1.0, -1e20}, 1.0},                          // the large parts cancel
        {{-1e300, 1e300, -3.5}, -3.5},                      // a negative sum
        {{-big, -1.0}, -big},                               // a negative tie
        {{1e308, 1e308}, INFINITY},                         // beyond the doubles
        {{0.1, 0.2, -0.3}, 2.7755575615628914e-17},         // the exact error of 0.1 + 0.2 - 0.3
    };
    for (const auto& [xs, expected] : cases) {
        EXPECT_EQ(sum_of(xs), expected) << xs.size() << " " << xs[0];
    }
    ExactSum broken;
    broken.add(1.0);
    broken.add(NAN);
    EXPECT_FALSE(broken.finite());
    EXPECT_TRUE(std::isnan(broken.rounded()));
}

TEST(ExactSum, products_and_scaled_sums_are_kept_exactly)
{
    // Integers below 2^40 multiply within 128 bits: the exact sums of products and of scaled sums
    // are known, and a sum scaled by x equals the same products added one by one.
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<std::int64_t> k(-(std::int64_t{1} << 40), std::int64_t{1} << 40);
    ExactSum products;
    ExactSum plain;
    Int128 total = 0;
    std::vector<double> as;
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t a = k(rng);
        const std::int64_t b = k(rng);
        products.add_product(static_cast<double>(a), static_cast<double>(b));
        plain.add(static_cast<double>(a));
        as.push_back(static_cast<double>(a));
        total += static_cast<Int128>(a) * b;
    }
    EXPECT_EQ(products.rounded(), static_cast<double>(total));
    const double f = 0.1; // not a short binary fraction: every product has a long tail
    ExactSum scaled;
    scaled.add_scaled(plain, f);
    ExactSum one_by_one;
    for (const double a : as) {
        one_by_one.add_product(a, f);
    }
    EXPECT_EQ(scaled.rounded(), one_by_one.rounded());
    scaled.add_scaled(one_by_one, -1.0);
    EXPECT_EQ(scaled.rounded(), 0.0);
}

TEST(ExactPlaneSums, the_same_plane_in_any_order_and_the_plane_of_fit_plane)
{
    // Noisy and exact planes in several places and orientations: any order of the points gives
    // the same digits, and the plane is fit_plane's to rounding.
    std::mt19937 rng(5);
    std::normal_distribution<double> g(0.0, 1.0);
    for (int round = 0; round < 12; ++round) {
        const Vec3 normal = [&] {
            const Vec3 v{g(rng), g(rng), g(rng)};
            return vec_scale(v, 1.0 / vec_length(v));
        }();
        const Vec3 u = vec_scale(vec_cross(normal, Vec3{0.3, 0.5, 0.7}),
                                 1.0 / vec_length(vec_cross(normal, Vec3{0.3, 0.5, 0.7})));
        const Vec3 w = vec_cross(normal, u);
        const Vec3 at{round * 100.0, -50.0 * round, 7.0};
        const double noise = round % 3 == 0 ? 0.0 : 0.01 * round;
        std::vector<Vec3> pts;
        for (int i = 0; i < 400; ++i) {
            pts.push_back(at + vec_scale(u, 20 * g(rng)) + vec_scale(w, 10 * g(rng)) +
                          vec_scale(normal, noise * g(rng)));
        }
        Vec3 n1{};
        double d1 = 0.0;
        {
            ExactPlaneSums sums(pts[7]);
            for (const Vec3& p : pts) {
                sums.add(p);
            }
            ASSERT_EQ(sums.fit(n1, d1), Status::ok);
        }
        for (int order = 0; order < 2; ++order) {
            std::shuffle(pts.begin(), pts.end(), rng);
            ExactPlaneSums sums(pts[0]);
            Vec3 n2{};
            double d2 = 0.0;
            for (const Vec3& p : pts) {
                sums.add(p);
            }
            ASSERT_EQ(sums.fit(n2, d2), Status::ok);
            // The origin of the sums differs: the scatter keeps its digits either way.
            EXPECT_NEAR(std::abs(vec_dot(n1, n2)), 1.0, 1e-15);
        }
        Vec3 n3{};
        double d3 = 0.0;
        double sd = 0.0;
        ASSERT_EQ(fit_plane(pts, 3, n3, d3, sd), Status::ok);
        EXPECT_NEAR(vec_dot(n1, n3), 1.0, 1e-13) << round;
        EXPECT_NEAR(d1, d3, 1e-10 * (1.0 + std::abs(d3))) << round;
        EXPECT_NEAR(std::abs(vec_dot(n1, at) - d1), 0.0, 1e-9 + 10 * noise) << round;
    }
    ExactPlaneSums line({0, 0, 0});
    for (int i = 0; i < 5; ++i) {
        line.add({1.0 * i, 2.0 * i, 3.0 * i});
    }
    Vec3 n{9, 9, 9};
    double d = 9.0;
    EXPECT_EQ(line.fit(n, d), Status::error);
    EXPECT_EQ(n, (Vec3{9, 9, 9}));
}

} // namespace
} // namespace tengun
