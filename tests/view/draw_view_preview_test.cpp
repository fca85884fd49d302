#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/recording_surface.h"
#include "view/draw_view.h"
#include "view/view_transform.h"

namespace tengun {
namespace {

using testing::Recorded;
using testing::RecordingSurface;

/// One case of the quick picture: marker mode, deviation colours, a mesh, a merged second run.
struct PreviewCase {
    const char* name;
    int marker_mode;
    bool deviation;
    bool mesh;
    std::size_t base; // points of the first run (the rest were merged)
};

std::ostream& operator<<(std::ostream& os, const PreviewCase& c)
{
    return os << c.name;
}

/// A wavy sheet of n points in scan order with some hidden points, a plane fit shown, and a
/// strip of triangles over consecutive points.
FormState sheet(std::size_t n, const PreviewCase& c)
{
    FormState s;
    const auto row = static_cast<std::size_t>(std::sqrt(static_cast<double>(n))) + 1;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i % row);
        const double y = static_cast<double>(i / row);
        s.points.add({x, y, std::sin(x / 5.0) * std::cos(y / 7.0)});
        s.points.label.back() = i % 13 == 0 ? 1.0 : 0.0;
    }
    s.base_point_count = c.base;
    s.marker_mode = c.marker_mode;
    s.view_matrix = rotation_matrix(0.3, 0.5, 0.1);
    s.view_extent = static_cast<double>(row);
    s.view_scale = 1.5;
    s.analysis_kind = analysis_kinds::plane;
    s.fitted_kind = analysis_kinds::plane;
    s.axis_vector = {0.0, 0.0, 1.0};
    s.std_deviation = 0.4;
    s.deviation_display = c.deviation;
    if (c.mesh) {
        s.surface_display = surface_modes::mesh;
        for (int t = 1; t + 2 <= static_cast<int>(n); t += 2) {
            s.tri_a.push_back(t);
            s.tri_b.push_back(t + 1);
            s.tri_c.push_back(t + 2);
            s.tri_tag.push_back(static_cast<double>(t % 5));
        }
    }
    return s;
}

std::vector<std::string> texts(const RecordingSurface& surface)
{
    std::vector<std::string> out;
    for (const Recorded& r : surface.calls) {
        std::ostringstream os;
        os << r;
        out.push_back(os.str());
    }
    return out;
}

/// How many times each primitive was drawn.
std::map<std::string, int> counts(const std::vector<std::string>& calls)
{
    std::map<std::string, int> out;
    for (const std::string& c : calls) {
        ++out[c];
    }
    return out;
}

/// True when every primitive of `part` is drawn at least as often in `whole`.
bool drawn_within(const std::vector<std::string>& part, const std::vector<std::string>& whole)
{
    const auto have = counts(whole);
    for (const auto& [call, times] : counts(part)) {
        const auto it = have.find(call);
        if (it == have.end() || it->second < times) {
            ADD_FAILURE() << "not in the full picture: " << call;
            return false;
        }
    }
    return true;
}

std::size_t point_primitives(const RecordingSurface& surface, int marker_mode)
{
    std::size_t n = 0;
    for (const Recorded& r : surface.calls) {
        const bool pixel = r.kind == Recorded::Kind::pixel || r.kind == Recorded::Kind::rgb_pixel;
        const bool circle =
            r.kind == Recorded::Kind::circle || r.kind == Recorded::Kind::rgb_circle;
        n += (marker_mode == 1 ? pixel : circle) ? 1 : 0;
    }
    return n;
}

class DrawViewPreview : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(DrawViewPreview, is_the_full_picture_when_it_fits_and_a_steady_part_of_it_otherwise)
{
    const PreviewCase c = GetParam();
    const std::size_t n = 3000;
    FormState s = sheet(n, c);
    const ProgramWide program;

    RecordingSurface full;
    FormState full_state = s;
    draw_view(full, full_state, program);
    const std::vector<std::string> whole = texts(full);

    // A budget the cloud and mesh fit: the very same primitives in the same order and fields.
    RecordingSurface fits;
    FormState fits_state = s;
    draw_view_preview(fits, fits_state, program, n);
    EXPECT_EQ(texts(fits), whole);
    EXPECT_EQ(fits_state.fields, full_state.fields);

    std::vector<std::string> smaller;
    for (const std::size_t budget : {100U, 700U, 2999U}) {
        SCOPED_TRACE(budget);
        RecordingSurface part;
        FormState part_state = s;
        draw_view_preview(part, part_state, program, budget);
        const std::vector<std::string> drawn = texts(part);
        EXPECT_TRUE(drawn_within(drawn, whole));
        EXPECT_EQ(part_state.fields, full_state.fields) << "the view fields are written alike";
        // Every 13th point is hidden: it keeps its line but loses its circle.
        const std::size_t hidden_circles = c.marker_mode == 0 ? budget / 8 : 0;
        EXPECT_LE(point_primitives(part, c.marker_mode), budget);
        // Whole runs of 8 points: up to 7 fewer than the budget.
        EXPECT_GE(point_primitives(part, c.marker_mode), budget - 8 - hidden_circles);
        // Drawn again: the same picture, so nothing flickers while the mouse moves.
        RecordingSurface again;
        FormState again_state = s;
        draw_view_preview(again, again_state, program, budget);
        EXPECT_EQ(texts(again), drawn);
        // A larger budget keeps what a smaller one drew.
        EXPECT_TRUE(drawn_within(smaller, drawn));
        smaller = drawn;
    }
}

INSTANTIATE_TEST_SUITE_P(
    cases, DrawViewPreview,
    ::testing::Values(PreviewCase{"pixels", 1, false, false, 3000},
                      PreviewCase{"pixels_merged_run", 1, false, false, 1200},
                      PreviewCase{"pixels_deviation_mesh", 1, true, true, 3000},
                      PreviewCase{"circles", 0, false, false, 3000},
                      PreviewCase{"circles_merged_run_mesh", 0, false, true, 1},
                      PreviewCase{"circles_deviation", 0, true, false, 2000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(preview_step, every_prefix_spreads_and_the_whole_order_visits_each_item_once)
{
    for (const std::size_t n : {1U, 2U, 3U, 10U, 64U, 97U, 1000U, 1024U, 65536U, 100003U}) {
        SCOPED_TRACE(n);
        const std::size_t step = preview_step(n);
        std::vector<char> seen(n, 0);
        std::size_t i = 0;
        std::size_t first_tenth_low = 0;
        for (std::size_t k = 0; k < n; ++k) {
            ASSERT_EQ(seen[i], 0) << "visited twice at k = " << k;
            seen[i] = 1;
            if (k < n / 10 && i < n / 2) {
                ++first_tenth_low;
            }
            i = (i + step) % n;
        }
        if (n >= 1000) {
            // The first tenth of the order lies about half in each half of the cloud.
            const double share = static_cast<double>(first_tenth_low) / static_cast<double>(n / 10);
            EXPECT_NEAR(share, 0.5, 0.05);
        }
    }
}

} // namespace
} // namespace tengun
