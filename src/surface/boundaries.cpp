// Plane numbers and ring entries are 1-based (see boundaries.h): plane m is uu[m - 1].
#include "surface/boundaries.h"

#include <cassert>
#include <cmath>

#include "geometry/cloud_measures.h"
#include "geometry/plane_fit.h"
#include "geometry/rotation.h"
#include "surface/mesh_routines.h"

namespace tengun {

namespace {

std::size_t slot(int plane, std::size_t count)
{
    assert(plane >= 1 && static_cast<std::size_t>(plane) <= count && "a plane number");
    (void)count;
    return static_cast<std::size_t>(plane) - 1;
}

Status solve_three_planes(const Vec3& n1, const Vec3& n2, const Vec3& n3, double l1, double l2,
                          double l3, Vec3& p)
{
    Matrix a(3);
    const std::array rows{n1, n2, n3};
    for (std::size_t r = 0; r < 3; ++r) {
        for (std::size_t c = 0; c < 3; ++c) {
            a(r, c) = rows[r][c];
        }
    }
    std::vector<double> b{l1, l2, l3};
    Matrix inverse;
    if (solve_linear(a, b, inverse) == Status::error) {
        return Status::error;
    }
    p = {b[0], b[1], b[2]};
    return Status::ok;
}

/// The frame of the plane under study, shared by all its rays: the rotation that turns its
/// normal onto Z and its centroid in that frame.
struct RayFrame {
    Mat3 turn{};
    Vec3 local_centre{};
    double offset = 0.0;

    RayFrame(const Vec3& c, const Vec3& n, double l) : offset(l)
    {
        const Angles a = direction_angles(n);
        turn = rotation_matrix(a.alpha, a.beta, 0.0);
        local_centre = mat_vec(turn, c);
    }
};

/// A neighbour's line in the frame of the plane under study.
struct LocalLine {
    Vec3 point{};
    Vec3 direction{};
    Vec3 cj{};
};

LocalLine local_line(const RayFrame& frame, const Vec3& point, const Vec3& direction,
                     const Vec3& cj)
{
    return {mat_vec(frame.turn, point), mat_vec(frame.turn, direction), cj};
}

Status hit_distance(const RayFrame& frame, const LocalLine& line, double phi, double& d)
{
    const double px = line.point[0];
    const double py = line.point[1];
    const double dx = line.direction[0];
    const double dy = line.direction[1];
    double t = 0.0;
    double s = 0.0;
    if (solve_2x2(std::cos(phi), -dx, std::sin(phi), -dy, px - frame.local_centre[0],
                  py - frame.local_centre[1], t, s) == Status::error) {
        return Status::error;
    }
    d = t;
    if (t < 0.0) {
        return Status::ok;
    }
    const Vec3 hit = mat_t_vec({px + s * dx, py + s * dy, frame.offset}, frame.turn);
    const double e = vec_length(hit - line.cj);
    if (e > d) {
        d = e;
    }
    return Status::ok;
}

} // namespace

void plane_parameters(std::span<const Vec3> xyz, std::span<const double> labels, int plane_count,
                      std::vector<Vec3>& uu, std::vector<double>& LL)
{
    const Vec3 g = cloud_centroid(xyz);
    const auto count = static_cast<std::size_t>(std::max(plane_count, 0));
    uu.assign(count, Vec3{});
    LL.assign(count, 0.0);
    for (std::size_t m = 1; m <= count; ++m) {
        Vec3 n{};
        double l = 0.0;
        if (fit_plane_labelled(xyz, labels, static_cast<double>(m), 3, n, l) == Status::error) {
            continue;
        }
        if (l < vec_dot(n, g)) {
            l = -l;
            n = vec_scale(n, -1.0);
        }
        uu[m - 1] = n;
        LL[m - 1] = l;
    }
}

Status plane_centroid(int men, std::span<const Vec3> xyz, std::span<const double> labels, Vec3& c)
{
    Vec3 sum{};
    std::size_t count = 0;
    const auto label = static_cast<double>(men);
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        if (labels[i] == label) {
            sum = sum + xyz[i];
            ++count;
        }
    }
    if (count == 0) {
        c = Vec3{};
        return Status::error;
    }
    c = vec_scale(sum, 1.0 / static_cast<double>(count));
    return Status::ok;
}

Status plane_intersection_line(const Vec3& n1, const Vec3& n2, double l1, double l2, Vec3& point,
                               Vec3& direction)
{
    // The cross product is along the line for any pair of planes that are not parallel; a fixed
    // scale such as "components add up to 1" fails for lines perpendicular to (1, 1, 1).
    const Vec3 cross = vec_cross(n1, n2);
    const double length = vec_length(cross);
    if (!(length > 0.0)) {
        return Status::error;
    }
    const Vec3 unit = vec_scale(cross, 1.0 / length);
    Vec3 foot{};
    if (solve_three_planes(n1, n2, unit, l1, l2, 0.0, foot) == Status::error) {
        return Status::error;
    }
    point = foot;
    direction = unit;
    return Status::ok;
}

Status ray_hit_distance(const Vec3& c, const Vec3& cj, const Vec3& n, double l, double phi,
                        const Vec3& point, const Vec3& direction, double& d)
{
    const RayFrame frame(c, n, l);
    return hit_distance(frame, local_line(frame, point, direction, cj), phi, d);
}

void tree_search(int men, std::span<const Vec3> uu, std::span<const double> LL, std::size_t kazu,
                 const PointCloud& tengun, int& t_suu, std::vector<int>& tree)
{
    assert(kazu <= tengun.size() && "kazu counts points of tengun");
    const std::span<const Vec3> xyz(tengun.xyz.data(), kazu);
    const std::span<const double> labels(tengun.label.data(), kazu);
    const std::size_t planes = uu.size();
    const Vec3& n = uu[slot(men, planes)];
    const double l = LL[slot(men, planes)];
    Vec3 c{};
    (void)plane_centroid(men, xyz, labels, c); // a plane without points looks from the origin
    const RayFrame frame(c, n, l);

    // The lines do not depend on the direction: one per neighbour, parallel ones left out.
    struct Neighbour {
        int plane = 0;
        LocalLine line;
    };
    std::vector<Neighbour> neighbours;
    for (int j = 1; j <= static_cast<int>(planes); ++j) {
        if (j == men) {
            continue;
        }
        Vec3 point{};
        Vec3 direction{};
        if (plane_intersection_line(n, uu[slot(j, planes)], l, LL[slot(j, planes)], point,
                                    direction) == Status::error) {
            continue;
        }
        Vec3 cj{};
        (void)plane_centroid(j, xyz, labels, cj);
        neighbours.push_back({j, local_line(frame, point, direction, cj)});
    }

    tree.clear();
    int previous = 0;
    bool gap = false;
    std::size_t gap_position = 0;
    for (int degree = 0; degree <= 360; ++degree) {
        const double phi = deg_to_rad(degree);
        double best = huge_value;
        int candidate = 0;
        for (const Neighbour& nb : neighbours) {
            double d = 0.0;
            if (hit_distance(frame, nb.line, phi, d) == Status::ok && d > 0.0 && d < best) {
                best = d;
                candidate = nb.plane;
            }
        }
        if (candidate != previous) {
            if (candidate == 0) {
                gap = true;
                gap_position = tree.size();
            } else {
                tree.push_back(candidate);
            }
        }
        previous = candidate;
    }

    if (gap && !tree.empty()) {
        // An open chain: no repeated first entry, and it starts just after the last gap.
        if (tree.size() >= 2 && tree.back() == tree.front()) {
            tree.pop_back();
        }
        const std::size_t size = tree.size();
        std::vector<int> rotated;
        rotated.reserve(size);
        std::size_t position = gap_position; // 1-based, as the entries are counted
        for (std::size_t e = 1; e <= size; ++e) {
            position = position + 1 > size ? 1 : position + 1;
            rotated.push_back(tree[position - 1]);
        }
        tree = std::move(rotated);
    }
    t_suu = static_cast<int>(tree.size());
}

Status sanmen_p(int i, int j, int k, std::span<const Vec3> uu, std::span<const double> LL, Vec3& p)
{
    return sanmen_zure_p(i, j, k, 0.0, uu, LL, p);
}

Status sanmen_zure_p(int i, int j, int k, double h, std::span<const Vec3> uu,
                     std::span<const double> LL, Vec3& p)
{
    const std::size_t planes = uu.size();
    const std::size_t si = slot(i, planes);
    const std::size_t sj = slot(j, planes);
    const std::size_t sk = slot(k, planes);
    return solve_three_planes(uu[si], uu[sj], uu[sk], LL[si], LL[sj], LL[sk] - h, p);
}

} // namespace tengun
