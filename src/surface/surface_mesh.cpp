#include "surface/surface_mesh.h"

#include <algorithm>
#include <cmath>

#include "surface/mesh.h"
#include "surface/point_tree.h"
#include "surface/surface_points.h"
#include "surface/tangent_mesh.h"

namespace tengun {

namespace {

constexpr std::size_t near_k = 32;   // neighbours of each point for its Delaunay star
constexpr std::size_t normal_k = 16; // neighbours for its normal

/// Most consecutive points lie within a few spacings of each other: a scan, not a shuffle.
bool in_scan_order(std::span<const Vec3> xyz, const PointTree& tree)
{
    if (xyz.size() < 2) {
        return true;
    }
    std::size_t close = 0;
    std::uint32_t index[2];
    double d2[2];
    for (std::size_t i = 0; i + 1 < xyz.size(); ++i) {
        const std::size_t found = tree.nearest(xyz[i], 2, index, d2);
        const double spacing = std::sqrt(d2[found - 1]);
        close += vec_length(xyz[i + 1] - xyz[i]) <= 3.0 * spacing ? 1 : 0;
    }
    return static_cast<double>(close) >= 0.8 * static_cast<double>(xyz.size() - 1);
}

/// Points lie just beyond more than a tenth of the rim's edges, on the side away from their
/// triangles: the rim is a hole or a seam in the cloud's surface, not its border (where a few
/// notches are no matter).
bool points_beyond_rim(std::span<const Vec3> xyz, const Neighbourhoods& hood, MeshBuilder& mesh)
{
    std::size_t edges = 0;
    std::size_t beyond = 0;
    for (const std::vector<int>& rim : mesh.rims()) {
        for (std::size_t i = 0; i < rim.size(); ++i, ++edges) {
            const int x = rim[i];
            const int y = rim[(i + 1) % rim.size()];
            int o = -1;
            for (const MeshBuilder::Corner& corner : mesh.at(x)) {
                const auto& c = mesh.given(corner.triangle);
                if (c[0] == y || c[1] == y || c[2] == y) {
                    o = c[0] != x && c[0] != y ? c[0] : (c[1] != x && c[1] != y ? c[1] : c[2]);
                }
            }
            const Vec3& px = xyz[static_cast<std::size_t>(x)];
            const Vec3& py = xyz[static_cast<std::size_t>(y)];
            const Vec3 m = vec_scale(px + py, 0.5);
            const double length = vec_length(py - px);
            const Vec3 along = vec_scale(py - px, 1.0 / length);
            Vec3 out = m - xyz[static_cast<std::size_t>(o)];
            out = out - vec_scale(along, vec_dot(out, along));
            const double out_length = vec_length(out);
            if (!(out_length > 0.0)) {
                continue;
            }
            out = vec_scale(out, 1.0 / out_length);
            bool found = false;
            for (const int v : {x, y}) {
                for (std::size_t j = 1; j < hood.k; ++j) {
                    const auto z = static_cast<int>(hood.near[static_cast<std::size_t>(v) * hood.k + j]);
                    if (z == x || z == y || z == o) {
                        continue;
                    }
                    // Across the edge (not beside its ends, where a jagged border turns).
                    const Vec3 d = xyz[static_cast<std::size_t>(z)] - m;
                    if (vec_length(d) < length && vec_dot(d, out) > 0.3 * length &&
                        std::abs(vec_dot(d, along)) < 0.4 * length) {
                        found = true;
                    }
                }
            }
            beyond += found ? 1 : 0;
        }
    }
    return 10 * beyond > edges;
}

/// The advancing front's mesh of the prepared points, when it is valid; false otherwise.
bool front_mesh(std::span<const Vec3> xyz, const Neighbourhoods& hood, MeshBuilder& mesh,
                const Progress& progress, bool& stopped)
{
    std::vector<double> labels(xyz.size(), 0.0);
    std::vector<int> a, b, c;
    std::vector<double> tags;
    const Progress part{[&](double f, std::string_view step) { progress(0.1 + 0.5 * f, step); },
                        progress.stop};
    if (mesh_point_cloud(xyz, labels, a, b, c, tags, part) == Status::error) {
        stopped = true;
        return false;
    }
    if (std::count(labels.begin(), labels.end(), 1.0) != static_cast<std::ptrdiff_t>(xyz.size())) {
        return false;
    }
    for (std::size_t t = 0; t < a.size(); ++t) {
        if (mesh.add(a[t] - 1, b[t] - 1, c[t] - 1) < 0) {
            return false;
        }
    }
    if (mesh.separate_pinches() > 0 || mesh.rims().size() > 1 ||
        points_beyond_rim(xyz, hood, mesh)) {
        return false;
    }
    // Keep the corners in the front's order where most of a piece has them so.
    std::vector<long> agree(mesh.triangle_count(), 0);
    for (std::size_t t = 0; t < mesh.triangle_count(); ++t) {
        const int ti = static_cast<int>(t);
        agree[static_cast<std::size_t>(mesh.piece(ti))] += mesh.oriented(ti) == mesh.given(ti) ? 1 : -1;
    }
    for (std::size_t t = 0; t < mesh.triangle_count(); ++t) {
        if (agree[t] < 0 && mesh.piece(static_cast<int>(t)) == static_cast<int>(t)) {
            mesh.flip_piece(static_cast<int>(t));
        }
    }
    return true;
}

/// Turns each piece so that its triangles face away from the piece's middle (outwards on a
/// closed surface).
void face_outwards(std::span<const Vec3> xyz, MeshBuilder& mesh)
{
    const std::size_t m = mesh.triangle_count();
    std::vector<Vec3> middle(m, Vec3{0.0, 0.0, 0.0});
    std::vector<double> weight(m, 0.0);
    std::vector<double> facing(m, 0.0);
    const auto corner = [&](int v) -> const Vec3& { return xyz[static_cast<std::size_t>(v)]; };
    for (std::size_t t = 0; t < m; ++t) {
        if (mesh.alive(static_cast<int>(t))) {
            const auto& c = mesh.given(static_cast<int>(t));
            const auto r = static_cast<std::size_t>(mesh.piece(static_cast<int>(t)));
            middle[r] = middle[r] + corner(c[0]) + corner(c[1]) + corner(c[2]);
            weight[r] += 3.0;
        }
    }
    for (std::size_t t = 0; t < m; ++t) {
        if (mesh.alive(static_cast<int>(t))) {
            const std::array<int, 3> c = mesh.oriented(static_cast<int>(t));
            const auto r = static_cast<std::size_t>(mesh.piece(static_cast<int>(t)));
            const Vec3 centre = vec_scale(middle[r], 1.0 / weight[r]);
            const Vec3 area = vec_cross(corner(c[1]) - corner(c[0]), corner(c[2]) - corner(c[0]));
            const Vec3 at = vec_scale(corner(c[0]) + corner(c[1]) + corner(c[2]), 1.0 / 3.0);
            facing[r] += vec_dot(area, at - centre);
        }
    }
    for (std::size_t r = 0; r < m; ++r) {
        if (weight[r] > 0.0 && facing[r] < 0.0) {
            mesh.flip_piece(static_cast<int>(r));
        }
    }
}

Status run(std::span<const Vec3> cloud, SurfaceMesh& out, std::string& reason,
           const Progress& progress, bool try_front)
{
    if (progress.stopped()) {
        reason = std::string(cancelled_reason);
        return Status::error;
    }
    SurfacePoints prepared;
    if (prepare_surface_points(cloud, prepared, reason) == Status::error) {
        return Status::error;
    }
    progress(0.05, "面張り：近傍");
    std::span<const Vec3> xyz = prepared.xyz;
    SurfaceMesh result;
    bool stopped = false;
    // A shuffled cloud is meshed in the order of a k-d tree's leaves, so that points near each
    // other in space are near each other in memory; the order depends on the points alone, so
    // the mesh does too.
    std::vector<std::uint32_t> order;
    std::vector<Vec3> ordered;
    {
        const PointTree tree(xyz);
        if (!try_front || !in_scan_order(xyz, tree)) {
            try_front = false;
            order = tree.leaf_order();
            ordered.reserve(order.size());
            for (const std::uint32_t i : order) {
                ordered.push_back(xyz[i]);
            }
            xyz = ordered;
        }
    }
    const Neighbourhoods hood = neighbourhoods(xyz, std::min(near_k, xyz.size()), normal_k);
    MeshBuilder mesh(xyz, hood.normals);
    if (try_front) {
        result.front = front_mesh(xyz, hood, mesh, progress, stopped);
        if (!result.front && !stopped) {
            mesh = MeshBuilder(xyz, hood.normals);
        }
    }
    if (!stopped && !result.front) {
        stopped = tangent_mesh(xyz, hood, mesh, progress) == Status::error;
        if (!stopped) {
            face_outwards(xyz, mesh);
        }
    }
    if (stopped || progress.stopped()) {
        reason = std::string(cancelled_reason);
        return Status::error;
    }
    const auto original = [&](int v) {
        return order.empty() ? v : static_cast<int>(order[static_cast<std::size_t>(v)]);
    };
    std::vector<double> reached(xyz.size(), 0.0);
    for (std::size_t t = 0; t < mesh.triangle_count(); ++t) {
        if (!mesh.alive(static_cast<int>(t))) {
            continue;
        }
        std::array<int, 3> c = mesh.oriented(static_cast<int>(t));
        for (int& v : c) {
            v = original(v);
            reached[static_cast<std::size_t>(v)] = 1.0;
        }
        result.a.push_back(c[0] + 1);
        result.b.push_back(c[1] + 1);
        result.c.push_back(c[2] + 1);
    }
    corners_of_cloud(prepared, result.a);
    corners_of_cloud(prepared, result.b);
    corners_of_cloud(prepared, result.c);
    result.labels = labels_of_cloud(prepared, reached);
    result.reached = static_cast<std::size_t>(
        std::count(result.labels.begin(), result.labels.end(), 1.0));
    result.summary = summarise_mesh(cloud.size(), result.a, result.b, result.c);
    result.merged = prepared.merged;
    progress(1.0, "面張り");
    out = std::move(result);
    return Status::ok;
}

} // namespace

Status mesh_surface(std::span<const Vec3> xyz, SurfaceMesh& out, std::string& reason,
                    const Progress& progress)
{
    return run(xyz, out, reason, progress, true);
}

Status mesh_surface_tangent(std::span<const Vec3> xyz, SurfaceMesh& out, std::string& reason,
                            const Progress& progress)
{
    return run(xyz, out, reason, progress, false);
}

} // namespace tengun
