#include "correction/thinning.h"

#include <array>

#include "formats/bitmap_points.h"
#include "geometry/line_fit.h"
#include "geometry/plane_fit.h"

namespace tengun {

PointCloud thin_by_direction(std::span<const Vec3> points, double angle_deg)
{
    PointCloud out;
    (void)thin_by_direction(points, angle_deg, out, Progress{});
    return out;
}

Status thin_by_direction(std::span<const Vec3> points, double angle_deg, PointCloud& thinned,
                         const Progress& progress)
{
    PointCloud out;
    const std::size_t n0 = points.size();
    std::array<Vec3, 4> window{};  // the first four points of the current run
    std::size_t m = 0;
    Vec3 prev{};
    Vec3 u{};
    constexpr std::size_t report_every = std::size_t{1} << 16U;
    for (std::size_t i = 1; i <= n0; ++i) {
        if (i % report_every == 0) {
            if (progress.stopped()) {
                return Status::error;
            }
            progress(static_cast<double>(i) / static_cast<double>(n0), "データ間引き");
        }
        const Vec3& cur = points[i - 1];
        ++m;
        if (m <= window.size()) {
            window[m - 1] = cur;
        }
        const Vec3 step = vec_sub(cur, prev);
        if (i == 1) {
            out.add(cur);
        }
        if (m == 5) {
            Vec3 point{};
            Mat3 frame{};
            double alpha = 0.0;
            double beta = 0.0;
            double sd = 0.0;
            (void)fit_line(window, u, point, frame, alpha, beta, sd);  // four points: never fails
        } else if (m >= 6) {
            if (rad_to_deg(vec_angle(step, u)) > angle_deg) {
                out.add(prev);
                m = 0;
            }
        }
        if (i == n0 && n0 > 1) {
            out.add(cur);
        }
        prev = cur;
    }
    thinned = std::move(out);
    return Status::ok;
}

Status thin_bitmap_rows(std::string_view bytes, double angle_deg, PointCloud& cloud,
                        ReadError& error)
{
    BitmapLayout layout;
    if (read_bitmap_layout(bytes, layout, error) == Status::error) {
        return Status::error;
    }
    if (layout.bits_per_pixel != 24) {
        error = {"間引き読み込みは24ビットのビットマップだけです（このファイルは" +
                 std::to_string(layout.bits_per_pixel) + "ビット）"};
        return Status::error;
    }
    const std::size_t w = layout.width;
    const std::size_t h = layout.height;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data()) + layout.data_offset;
    PointCloud fresh;
    std::vector<Vec3> profile;  // (x, height, 0) of the current run
    profile.reserve(w);
    for (std::size_t y = 0; y < h; y += 5) {
        const unsigned char* row = data + layout.stride * y;
        profile.clear();
        Vec3 n{};
        for (std::size_t x = 0; x < w; ++x) {
            const double z = bitmap_height_24(row + 3 * x);
            if (z == 0.0) {
                continue;
            }
            profile.push_back({static_cast<double>(x), z, 0.0});
            const std::size_t m = profile.size();
            if (m == 1 || x == w - 1) {
                add_pixel_point(fresh, x, y, w, h, z);
            } else if (m == 5) {
                double d = 0.0;
                double sd = 0.0;
                if (fit_plane(profile, 2, n, d, sd) == Status::error) {
                    // No line through the five: take the normal of the chord from first to fifth.
                    const Vec3 chord = vec_sub(profile[4], profile[0]);
                    n = vec_scale(Vec3{-chord[1], chord[0], 0.0}, 1.0 / vec_length(chord));
                }
            } else if (m > 5) {
                const Vec3 step{1.0, z - profile[m - 2][1], 0.0};
                const double theta = rad_to_deg(vec_angle(n, step));
                if (theta > 90.0 + angle_deg || theta < 90.0 - angle_deg) {
                    profile.clear();
                }
            }
        }
    }
    if (fresh.empty()) {
        error = {"間引きの結果、点が１つも残りませんでした（黒以外の画素がありません）"};
        return Status::error;
    }
    cloud = std::move(fresh);
    return Status::ok;
}

}  // namespace tengun
