#include "geometry/numeric_core.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "geometry/cloud_measures.h"
#include "geometry/number_text.h"

namespace tengun {
namespace {

TEST(angles, inverse_functions_keep_their_own_range_rules)
{
    EXPECT_EQ(arc_cos(0.0), 1.570796326794895);
    EXPECT_EQ(arc_cos(1.0000001), 0.0);
    EXPECT_EQ(arc_cos(-1.0), 3.14159265358979);
    EXPECT_NEAR(arc_cos(-0.5), 2.0 * pi / 3.0, 1e-14);
    EXPECT_NEAR(arc_cos(0.5), pi / 3.0, 1e-14);
    EXPECT_EQ(arc_sin(1.5), half_pi);
    EXPECT_EQ(arc_sin(-1.0), -half_pi);
    EXPECT_NEAR(arc_sin(0.5), pi / 6.0, 1e-14);
}

TEST(angles, arc_tan2_covers_the_full_circle)
{
    EXPECT_EQ(arc_tan2(0.0, -1.0), -3.14159265358979);  // not +pi
    EXPECT_EQ(arc_tan2(1.0, 0.0), half_pi);
    EXPECT_EQ(arc_tan2(-1.0, 0.0), -half_pi);
    EXPECT_EQ(arc_tan2(0.0, 0.0), half_pi);
    EXPECT_NEAR(arc_tan2(1.0, -1.0), 3.0 * pi / 4.0, 1e-14);
    EXPECT_NEAR(arc_tan2(-1.0, -1.0), -3.0 * pi / 4.0, 1e-14);
    EXPECT_NEAR(arc_tan2(-1.0, 1.0), -pi / 4.0, 1e-14);
}

TEST(angles, degrees_use_the_programs_pi)
{
    EXPECT_EQ(deg_to_rad(180.0), 3.14159265358979);
    EXPECT_NEAR(rad_to_deg(deg_to_rad(37.5)), 37.5, 1e-12);
}

TEST(vectors, angle_and_residual)
{
    EXPECT_EQ(vec_angle({1, 0, 0}, {0, 0, 0}), 0.0);
    EXPECT_NEAR(vec_angle({1, 0, 0}, {0, 2, 0}), half_pi, 1e-15);
    EXPECT_NEAR(vec_angle({1, 1, 0}, {-1, -1, 0}), pi, 1e-7);
    EXPECT_EQ(plane_residual({1, 2, 3}, {0, 0, 1}, 1.0), 2.0);
    EXPECT_EQ(vec_length(Vec3{3, 4, 12}), 13.0);
}

TEST(matrices, products_are_safe_in_place)
{
    const Mat3 m{{{1, 2, 3}, {4, 5, 6}, {7, 8, 10}}};
    Vec3 v{1, -1, 2};
    v = mat_vec(m, v);
    EXPECT_EQ(v, (Vec3{5, 11, 19}));
    Vec3 w{1, -1, 2};
    w = mat_t_vec(w, m);
    EXPECT_EQ(w, (Vec3{11, 13, 17}));
    Mat3 r{};
    mat_set_row(2, {9, 8, 7}, r);
    EXPECT_EQ(mat_get_row(2, r), (Vec3{9, 8, 7}));
    EXPECT_EQ(mat_get_row(1, r), (Vec3{0, 0, 0}));
}

TEST(solve_linear, swapped_rows_solve)
{
    Matrix a(2);
    a(0, 1) = 1.0;
    a(1, 0) = 1.0;
    std::vector<double> b{2.0, 3.0};
    Matrix inverse;
    ASSERT_EQ(solve_linear(a, b, inverse), Status::ok);
    EXPECT_EQ(b, (std::vector<double>{3.0, 2.0}));
    EXPECT_EQ(inverse(0, 1), 1.0);
    EXPECT_EQ(inverse(1, 0), 1.0);
    EXPECT_EQ(inverse(0, 0), 0.0);
    EXPECT_EQ(a(0, 1), 1.0) << "the caller's matrix is untouched";
}

TEST(solve_linear, singular_systems_fail)
{
    // The last pivot becomes exactly zero: nothing left to pivot with.
    Matrix a(3);
    const double rows[3][3] = {{1, 2, 3}, {2, 4, 7}, {1, 2, 4}};
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            a(i, j) = rows[i][j];
        }
    }
    std::vector<double> b{1, 2, 3};
    Matrix inverse;
    EXPECT_EQ(solve_linear(a, b, inverse), Status::error);

    Matrix zero(2);
    std::vector<double> c{1, 1};
    EXPECT_EQ(solve_linear(zero, c, inverse), Status::error);
}

TEST(solve_linear, order_zero_is_ok_and_changes_nothing)
{
    std::vector<double> b;
    Matrix inverse;
    EXPECT_EQ(solve_linear(Matrix(0), b, inverse), Status::ok);
    EXPECT_TRUE(b.empty());
}

TEST(solve_linear, rounding_noise_is_never_a_pivot)
{
    // A ray at 90 degrees with the program's pi: cos gives 1.6e-15 instead of 0. Taking that as the
    // pivot would amplify it into whole units of error.
    const double c = std::cos(deg_to_rad(90.0));
    const double s = std::sin(deg_to_rad(90.0));
    ASSERT_NE(c, 0.0);
    Matrix a(2);
    a(0, 0) = c;
    a(0, 1) = -1.0;
    a(1, 0) = s;
    a(1, 1) = 1.0;
    // x*c - y = 3 - ... choose the solution (x, y) = (5, -7)
    std::vector<double> b{5.0 * c + 7.0, 5.0 * s - 7.0};
    Matrix inverse;
    ASSERT_EQ(solve_linear(a, b, inverse), Status::ok);
    EXPECT_NEAR(b[0], 5.0, 1e-12);
    EXPECT_NEAR(b[1], -7.0, 1e-12);
}

TEST(solve_linear, random_systems_solve_and_invert)
{
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (std::size_t n : {1U, 2U, 3U, 7U, 20U}) {
        SCOPED_TRACE(n);
        Matrix a(n);
        std::vector<double> x(n);
        for (std::size_t i = 0; i < n; ++i) {
            x[i] = u(rng) * 10.0;
            for (std::size_t j = 0; j < n; ++j) {
                a(i, j) = u(rng);
            }
        }
        std::vector<double> b = mat_vec(a, x);
        Matrix inverse;
        ASSERT_EQ(solve_linear(a, b, inverse), Status::ok);
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_NEAR(b[i], x[i], 1e-9);
        }
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = 0; j < n; ++j) {
                double sum = 0.0;
                for (std::size_t k = 0; k < n; ++k) {
                    sum += a(i, k) * inverse(k, j);
                }
                EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-9);
            }
        }
    }
}

TEST(round_extent, rounds_up_to_one_significant_digit)
{
    EXPECT_DOUBLE_EQ(round_extent(37.2).extent, 40.0);
    EXPECT_DOUBLE_EQ(round_extent(37.2).unit, 10.0);
    EXPECT_DOUBLE_EQ(round_extent(0.0042).extent, 0.005);
    EXPECT_DOUBLE_EQ(round_extent(500.0).extent, 500.0);
    EXPECT_DOUBLE_EQ(round_extent(0.0).extent, 0.0001);
    EXPECT_DOUBLE_EQ(round_extent(0.00005).unit, 0.0001);
    EXPECT_EQ(round_up(3.0), 3.0);
    EXPECT_EQ(round_up(3.2), 4.0);
    EXPECT_EQ(round_up(-3.2), -3.0);
}

TEST(number_text, formats_like_the_fields_show_numbers)
{
    EXPECT_EQ(format_number(0.0001), "0.0001");
    EXPECT_EQ(format_number(1e-5), "1E-05");
    EXPECT_EQ(format_number(1e15), "1E+15");
    EXPECT_EQ(format_number(-2.5), "-2.5");
    EXPECT_EQ(format_number(145.0), "145");
    EXPECT_EQ(format_number(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(format_number(-0.0), "0");
}

TEST(number_text, parses_whole_fields_only)
{
    double x = 7.0;
    EXPECT_TRUE(parse_number(" -1.5e2 ", x));
    EXPECT_EQ(x, -150.0);
    EXPECT_TRUE(parse_number("+3", x));
    EXPECT_EQ(x, 3.0);
    x = 7.0;
    EXPECT_FALSE(parse_number("", x));
    EXPECT_FALSE(parse_number("12abc", x));
    EXPECT_FALSE(parse_number("abc", x));
    EXPECT_EQ(x, 7.0);
}

TEST(least_squares, solves_consistent_and_averages_inconsistent_systems)
{
    // y = 2 + 3 t through four exact samples: rows (1, t), right-hand side y.
    const std::vector<double> a{1, 0, 1, 1, 1, 2, 1, 5};
    std::vector<double> x;
    double rms = -1.0;
    ASSERT_EQ(least_squares(a, 2, std::vector<double>{2, 5, 8, 17}, x, rms), Status::ok);
    ASSERT_EQ(x.size(), 2U);
    EXPECT_NEAR(x[0], 2.0, 1e-12);
    EXPECT_NEAR(x[1], 3.0, 1e-12);
    EXPECT_NEAR(rms, 0.0, 1e-12);
    // One unknown measured four times: the mean, with the RMS residual over K.
    ASSERT_EQ(least_squares(std::vector<double>{1, 1, 1, 1}, 1, std::vector<double>{1, 2, 4, 5},
                            x, rms),
              Status::ok);
    ASSERT_EQ(x.size(), 1U);
    EXPECT_DOUBLE_EQ(x[0], 3.0);
    EXPECT_DOUBLE_EQ(rms, std::sqrt(10.0 / 4.0));
}

TEST(least_squares, singular_systems_fail_and_keep_the_outputs)
{
    std::vector<double> x{7.0, 8.0};
    double rms = 9.0;
    // The second unknown never appears.
    EXPECT_EQ(least_squares(std::vector<double>{1, 0, 2, 0, 3, 0}, 2,
                            std::vector<double>{1, 2, 3}, x, rms),
              Status::error);
    EXPECT_EQ(least_squares({}, 2, {}, x, rms), Status::error);  // no equations
    EXPECT_EQ(x, (std::vector<double>{7.0, 8.0}));
    EXPECT_EQ(rms, 9.0);
}

}  // namespace
}  // namespace tengun
