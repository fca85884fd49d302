// Points are 0-based here.
#include "surface/tangent_mesh.h"

#include <algorithm>
#include <cmath>

#include "geometry/parallel_for.h"
#include "surface/point_tree.h"

namespace tengun {

namespace {

/// Edges of a point's cell in its tangent plane, and the neighbour each comes from (-1: the
/// bounding square).
struct Cell {
    std::vector<double> x, y;
    std::vector<int> from;
};

/// Cuts the cell down to the side of the bisector between the point (at the origin) and the
/// neighbour at (qx, qy); the new edge comes from `id`.
void clip(Cell& cell, Cell& out, double qx, double qy, int id)
{
    const double c = 0.5 * (qx * qx + qy * qy);
    const std::size_t m = cell.x.size();
    out.x.clear();
    out.y.clear();
    out.from.clear();
    bool cut = false;
    for (std::size_t i = 0; i < m; ++i) {
        const std::size_t j = (i + 1) % m;
        const double si = qx * cell.x[i] + qy * cell.y[i] - c;
        const double sj = qx * cell.x[j] + qy * cell.y[j] - c;
        if (si <= 0.0) {
            out.x.push_back(cell.x[i]);
            out.y.push_back(cell.y[i]);
            out.from.push_back(cell.from[i]);
        } else {
            cut = true;
        }
        if ((si <= 0.0) != (sj <= 0.0)) {
            const double t = si / (si - sj);
            out.x.push_back(cell.x[i] + t * (cell.x[j] - cell.x[i]));
            out.y.push_back(cell.y[i] + t * (cell.y[j] - cell.y[i]));
            out.from.push_back(si <= 0.0 ? id : cell.from[i]);
        }
    }
    if (cut) {
        std::swap(cell, out);
    }
}

/// The Delaunay triangles around point i in its tangent plane among its neighbours, each as the
/// pair of other corners (smaller first); only those whose circumcentre lies within half the
/// neighbourhood's reach, where the neighbourhood decides them.
void star_of(std::size_t i, std::span<const Vec3> xyz, const Neighbourhoods& hood, Cell& cell,
             Cell& spare, std::vector<std::pair<int, int>>& star)
{
    star.clear();
    const std::size_t k = hood.k;
    const std::uint32_t* row = hood.near.data() + i * k;
    const Vec3& p = xyz[i];
    const Vec3& n = hood.normals[i];
    int axis = 0;
    for (int a = 1; a < 3; ++a) {
        if (std::abs(n[a]) < std::abs(n[axis])) {
            axis = a;
        }
    }
    Vec3 e{0.0, 0.0, 0.0};
    e[axis] = 1.0;
    Vec3 u = vec_cross(n, e);
    u = vec_scale(u, 1.0 / vec_length(u));
    const Vec3 w = vec_cross(n, u);
    const double reach = vec_length(xyz[row[k - 1]] - p);
    const double r = 0.5 * reach;
    if (!(r > 0.0)) {
        return;
    }
    cell.x = {-r, r, r, -r};
    cell.y = {-r, -r, r, r};
    cell.from = {-1, -1, -1, -1};
    const double tiny = 1e-12 * reach * reach;
    for (std::size_t j = 1; j < k; ++j) {
        if (row[j] == i) {
            continue;
        }
        const Vec3 d = xyz[row[j]] - p;
        const double qx = vec_dot(d, u);
        const double qy = vec_dot(d, w);
        if (qx * qx + qy * qy <= tiny) {
            continue; // straight above the point: no side in the plane
        }
        clip(cell, spare, qx, qy, static_cast<int>(row[j]));
    }
    const std::size_t m = cell.x.size();
    for (std::size_t v = 0; v < m; ++v) {
        const int before = cell.from[(v + m - 1) % m];
        const int after = cell.from[v];
        if (before < 0 || after < 0 || before == after) {
            continue;
        }
        if (cell.x[v] * cell.x[v] + cell.y[v] * cell.y[v] >= r * r) {
            continue;
        }
        star.emplace_back(std::min(before, after), std::max(before, after));
    }
    std::sort(star.begin(), star.end());
    star.erase(std::unique(star.begin(), star.end()), star.end());
}

double corner_angle(const Vec3& p, const Vec3& q, const Vec3& r)
{
    const Vec3 u = q - p;
    const Vec3 v = r - p;
    return std::atan2(vec_length(vec_cross(u, v)), vec_dot(u, v));
}

/// The typical edge length of the mesh's triangles (the median of a sample).
double typical_edge(std::span<const Vec3> xyz, MeshBuilder& mesh)
{
    std::vector<double> lengths;
    const std::size_t step = std::max<std::size_t>(1, mesh.triangle_count() / 5000);
    for (std::size_t t = 0; t < mesh.triangle_count(); t += step) {
        if (mesh.alive(static_cast<int>(t))) {
            const auto& c = mesh.given(static_cast<int>(t));
            lengths.push_back(vec_length(xyz[static_cast<std::size_t>(c[0])] -
                                         xyz[static_cast<std::size_t>(c[1])]));
        }
    }
    if (lengths.empty()) {
        return 0.0;
    }
    std::nth_element(lengths.begin(),
                     lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2),
                     lengths.end());
    return lengths[lengths.size() / 2];
}

/// Holes of up to this many rim edges, and a perimeter of up to this many typical edges, are
/// closed.
constexpr std::size_t max_hole_edges = 48;
constexpr double max_hole_perimeter = 32.0;

/// The unit eigenvector of the smallest eigenvalue of the symmetric matrix m: the eigenvalue in
/// closed form (the cosine form of the cubic's roots), the vector as the longest cross product of
/// two rows of m minus it. Jacobi rotations where the closed form has no clear answer.
Vec3 least_spread(const Mat3& m)
{
    const double off = m[0][1] * m[0][1] + m[0][2] * m[0][2] + m[1][2] * m[1][2];
    const double q = (m[0][0] + m[1][1] + m[2][2]) / 3.0;
    const double d0 = m[0][0] - q;
    const double d1 = m[1][1] - q;
    const double d2 = m[2][2] - q;
    const double p = std::sqrt((d0 * d0 + d1 * d1 + d2 * d2 + 2.0 * off) / 6.0);
    if (p > 0.0) {
        const double b00 = d0 / p, b11 = d1 / p, b22 = d2 / p;
        const double b01 = m[0][1] / p, b02 = m[0][2] / p, b12 = m[1][2] / p;
        const double det = b00 * (b11 * b22 - b12 * b12) - b01 * (b01 * b22 - b12 * b02) +
                           b02 * (b01 * b12 - b11 * b02);
        const double r = std::clamp(0.5 * det, -1.0, 1.0);
        const double smallest = q + 2.0 * p * std::cos(std::acos(r) / 3.0 + 2.0943951023931957);
        const Vec3 r0{m[0][0] - smallest, m[0][1], m[0][2]};
        const Vec3 r1{m[0][1], m[1][1] - smallest, m[1][2]};
        const Vec3 r2{m[0][2], m[1][2], m[2][2] - smallest};
        Vec3 best = vec_cross(r0, r1);
        double length = vec_length(best);
        for (const Vec3& c : {vec_cross(r0, r2), vec_cross(r1, r2)}) {
            const double l = vec_length(c);
            if (l > length) {
                best = c;
                length = l;
            }
        }
        // The rows must span a plane clearly: otherwise two eigenvalues are (nearly) the
        // smallest and the direction is better left to the rotations.
        if (length > 1e-6 * p * p) {
            return vec_scale(best, 1.0 / length);
        }
    }
    return symmetric_eigen(m).vectors[0];
}

} // namespace

Neighbourhoods neighbourhoods(std::span<const Vec3> xyz, std::size_t k, std::size_t normal_k)
{
    Neighbourhoods hood;
    hood.k = k;
    const PointTree tree(xyz);
    hood.near = nearest_neighbours(tree, xyz, k);
    hood.normals.resize(xyz.size());
    normal_k = std::min(normal_k, k);
    parallel_for(xyz.size(), [&](std::size_t i) {
        const std::uint32_t* row = hood.near.data() + i * k;
        Vec3 mean{0.0, 0.0, 0.0};
        for (std::size_t j = 0; j < normal_k; ++j) {
            mean = mean + (xyz[row[j]] - xyz[i]);
        }
        mean = vec_scale(mean, 1.0 / static_cast<double>(normal_k));
        Mat3 scatter{};
        for (std::size_t j = 0; j < normal_k; ++j) {
            const Vec3 d = xyz[row[j]] - xyz[i] - mean;
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c) {
                    scatter[r][c] += d[r] * d[c];
                }
            }
        }
        hood.normals[i] = least_spread(scatter);
    });
    return hood;
}

std::vector<ProposedTriangle> proposed_triangles(std::span<const Vec3> xyz,
                                                 const Neighbourhoods& hood)
{
    const std::size_t n = xyz.size();
    // Each point's star, kept side by side: stars[offset[i] .. offset[i + 1]).
    const std::size_t chunks = n < 4096 ? 1 : worker_threads();
    std::vector<std::vector<std::pair<int, int>>> chunk_stars(chunks);
    std::vector<std::vector<std::uint32_t>> chunk_sizes(chunks);
    parallel_chunks(n, chunks, [&](std::size_t c, std::size_t begin, std::size_t end) {
        Cell cell;
        Cell spare;
        std::vector<std::pair<int, int>> star;
        for (std::size_t i = begin; i < end; ++i) {
            star_of(i, xyz, hood, cell, spare, star);
            chunk_stars[c].insert(chunk_stars[c].end(), star.begin(), star.end());
            chunk_sizes[c].push_back(static_cast<std::uint32_t>(star.size()));
        }
    });
    std::vector<std::size_t> offset(n + 1, 0);
    std::vector<std::pair<int, int>> stars;
    {
        std::size_t i = 0;
        for (std::size_t c = 0; c < chunks; ++c) {
            for (const std::uint32_t s : chunk_sizes[c]) {
                offset[i + 1] = offset[i] + s;
                ++i;
            }
            stars.insert(stars.end(), chunk_stars[c].begin(), chunk_stars[c].end());
            chunk_stars[c] = {};
        }
    }
    const auto proposes = [&](int v, int x, int y) {
        const std::pair<int, int> key{std::min(x, y), std::max(x, y)};
        const auto begin = stars.begin() + static_cast<std::ptrdiff_t>(offset[static_cast<std::size_t>(v)]);
        const auto end = stars.begin() + static_cast<std::ptrdiff_t>(offset[static_cast<std::size_t>(v) + 1]);
        return std::binary_search(begin, end, key);
    };
    // Each triangle is written once, by the lowest-numbered corner that proposed it.
    std::vector<std::vector<ProposedTriangle>> chunk_out(chunks);
    parallel_chunks(n, chunks, [&](std::size_t c, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            const int v = static_cast<int>(i);
            for (std::size_t s = offset[i]; s < offset[i + 1]; ++s) {
                const auto [x, y] = stars[s];
                const bool by_x = proposes(x, v, y);
                const bool by_y = proposes(y, v, x);
                if ((by_x && x < v) || (by_y && y < v)) {
                    continue;
                }
                int corners[3] = {v, x, y};
                std::sort(corners, corners + 3);
                const Vec3& a = xyz[static_cast<std::size_t>(corners[0])];
                const Vec3& b = xyz[static_cast<std::size_t>(corners[1])];
                const Vec3& cc = xyz[static_cast<std::size_t>(corners[2])];
                const double smallest =
                    std::min({corner_angle(a, b, cc), corner_angle(b, cc, a), corner_angle(cc, a, b)});
                chunk_out[c].push_back({corners[0], corners[1], corners[2],
                                        1 + (by_x ? 1 : 0) + (by_y ? 1 : 0), smallest});
            }
        }
    });
    std::vector<ProposedTriangle> out;
    for (auto& part : chunk_out) {
        out.insert(out.end(), part.begin(), part.end());
        part = {};
    }
    std::sort(out.begin(), out.end(), [](const ProposedTriangle& l, const ProposedTriangle& r) {
        if (l.votes != r.votes) {
            return l.votes > r.votes;
        }
        if (l.smallest_angle != r.smallest_angle) {
            return l.smallest_angle > r.smallest_angle;
        }
        if (l.a != r.a) {
            return l.a < r.a;
        }
        return l.b != r.b ? l.b < r.b : l.c < r.c;
    });
    return out;
}

void close_small_holes(std::span<const Vec3> xyz, const Neighbourhoods& hood, MeshBuilder& mesh)
{
    const double edge = typical_edge(xyz, mesh);
    for (int pass = 0; pass < 3; ++pass) {
        const std::size_t added =
            mesh.fill_holes(max_hole_edges, max_hole_perimeter * edge, hood.near, hood.k);
        const std::size_t removed = mesh.separate_pinches();
        if (added == 0 && removed == 0) {
            break;
        }
    }
}

Status tangent_mesh(std::span<const Vec3> xyz, const Neighbourhoods& hood, MeshBuilder& mesh,
                    const Progress& progress)
{
    progress(0.1, "面張り：候補の三角形");
    const std::vector<ProposedTriangle> proposed = proposed_triangles(xyz, hood);
    if (progress.stopped()) {
        return Status::error;
    }
    for (std::size_t t = 0; t < proposed.size(); ++t) {
        if (t % 8192 == 0) {
            if (progress.stopped()) {
                return Status::error;
            }
            progress(0.3 + 0.5 * static_cast<double>(t) / static_cast<double>(proposed.size()),
                     "面張り");
        }
        const ProposedTriangle& p = proposed[t];
        (void)mesh.add(p.a, p.b, p.c);
    }
    progress(0.85, "面張り：穴埋め");
    close_small_holes(xyz, hood, mesh);
    return progress.stopped() ? Status::error : Status::ok;
}

} // namespace tengun
