// The spline result files through the commands, on random clouds from fixed seeds: the pass
// points and control points are written, loaded back as the cloud, and saved again as CSV with
// the same bytes; the loaded points are the curve's to the 15 significant digits CSV keeps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "app/commands.h"
#include "formats/csv_points.h"
#include "spline/bspline_basis.h"
#include "spline/bspline_curve.h"
#include "spline/single_spline.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace tengun {
namespace {

using testing::TempDir;
using testing::TestForm;

std::vector<Vec3> rounded_to_15_digits(const std::vector<Vec3>& points)
{
    std::vector<Vec3> out;
    for (const Vec3& p : points) {
        Vec3 q;
        for (int k = 0; k < 3; ++k) {
            char text[40];
            std::snprintf(text, sizeof text, "%.15g", p[k]);
            q[k] = std::strtod(text, nullptr);
        }
        out.push_back(q);
    }
    return out;
}

/// A noisy helix of 6 to 20 points.
std::vector<Vec3> random_cloud(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-0.3, 0.3);
    std::vector<Vec3> points;
    const int n = 6 + static_cast<int>(rng() % 15);
    for (int k = 0; k < n; ++k) {
        points.push_back({10 * std::cos(0.5 * k) + noise(rng), 10 * std::sin(0.5 * k) + noise(rng),
                          0.7 * k + noise(rng)});
    }
    return points;
}

struct Spline {
    const char* name;
    void (*command)(CommandContext&);
    double degree;
    bool has_control_points;
};

/// The pass points the form's last spline gives, as the file must hold them.
std::vector<Vec3> pass_points(const FormState& s, double divisions, bool single)
{
    const std::size_t n = s.point_count();
    if (single) {
        return sample_single_spline(s.poly_x, s.poly_y, s.poly_z,
                                    static_cast<std::size_t>(static_cast<double>(n) * divisions));
    }
    const bool closed = s.loop_closed != 0;
    return sample_bspline_curve({s.control_x, s.control_y, s.control_z},
                                bspline_segment_count(n, closed),
                                static_cast<std::size_t>(divisions), closed);
}

/// Writes with `output`, checks the reloaded cloud against `expected`, saves the cloud again
/// as CSV and compares the bytes.
void expect_round_trip(TestForm& f, const TempDir& dir, void (*output)(CommandContext&),
                       const std::vector<Vec3>& expected)
{
    f.dialogs.files.push_back(dir.file("result.csv"));
    output(f.ctx);
    ASSERT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front();
    const std::string written = TempDir::read(dir.file("result.csv"));
    EXPECT_EQ(f.state.points.xyz, rounded_to_15_digits(expected));
    f.dialogs.files.push_back(dir.file("again.csv"));
    f.dialogs.choices.push_back(0); // 15 digits, as the spline files are written
    csv_file_output_Click(f.ctx);
    EXPECT_EQ(TempDir::read(dir.file("again.csv")), written);
}

TEST(spline_file_round_trip, pass_points_and_control_points_on_random_clouds)
{
    const Spline splines[] = {
        {"single", mono_spline_Click, 4, false},
        {"open bspline", bspline_kai_Click, 3, true},
        {"closed bspline", bspline_hei_Click, 3, true},
        {"open inverse bspline", reverse_bspline_kai_Click, 3, true},
        {"closed inverse bspline", reverse_bspline_hei_Click, 3, true},
    };
    for (unsigned seed = 1; seed <= 8; ++seed) {
        for (const Spline& s : splines) {
            SCOPED_TRACE(std::string(s.name) + " seed " + std::to_string(seed));
            const TempDir dir;
            const std::vector<Vec3> cloud = random_cloud(seed);
            const double divisions = 3 + seed % 5;
            TestForm f;
            f.dialogs.files.push_back(dir.write("cloud.csv", write_csv_points(cloud)));
            csv_file_input_Click(f.ctx);
            f.dialogs.splines.push_back({{s.degree, divisions}});
            s.command(f.ctx);
            ASSERT_TRUE(f.dialogs.messages.empty()) << f.dialogs.messages.front();
            const FormState fitted = f.state;
            expect_round_trip(f, dir, spline_csv_file_output_Click,
                              pass_points(fitted, divisions, !s.has_control_points));
            if (s.has_control_points) {
                f.state = fitted; // the control points belong to the cloud the spline ran on
                std::vector<Vec3> control;
                for (std::size_t i = 1; i <= fitted.point_count(); ++i) {
                    control.push_back(
                        {fitted.control_x[i], fitted.control_y[i], fitted.control_z[i]});
                }
                expect_round_trip(f, dir, seigyoten_output_Click, control);
            }
        }
    }
}

} // namespace
} // namespace tengun
