#pragma once
// A triangle mesh built one triangle at a time that stays valid after every step: a triangle is
// added only when each of its edges has at most one triangle already, it can be oriented
// consistently with the triangles it shares edges with, and, seen in the tangent plane of each of
// its corners, it covers no part of the triangles already at that corner (and does not stand
// steeply on the corner's plane). So the mesh never holds a fold, an overlap, an edge of three
// triangles or two triangles that disagree on the direction of their common edge. Points are
// 0-based here; `normals` are unit normals of the points (their sign does not matter).

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "geometry/numeric_core.h"
#include "geometry/rotation.h"

namespace tengun {

class MeshBuilder {
public:
    MeshBuilder(std::span<const Vec3> xyz, std::span<const Vec3> normals);

    /// Adds the triangle (a, b, c) when it keeps the mesh valid; its corners keep this order
    /// unless the orientation of its neighbours needs the opposite. Returns its number, or -1.
    /// With a `chart` (a unit normal), as for closing a small hole: the wedges are compared in
    /// the plane across the chart at each corner instead of the corner's own tangent plane (noise
    /// can tilt a corner's own plane against the hole), the triangle may stand more steeply on
    /// the chart's plane (about 84 degrees, not upright), and it must not fold back by more than
    /// 120 degrees against the triangles it shares edges with.
    int add(int a, int b, int c, const Vec3* chart = nullptr);
    /// Takes triangle t out (the rest stays valid).
    void remove(int t);

    [[nodiscard]] std::size_t triangle_count() const { return tri_.size(); }
    [[nodiscard]] bool alive(int t) const { return alive_[static_cast<std::size_t>(t)] != 0; }
    /// Corners of triangle t in the order of its orientation.
    [[nodiscard]] std::array<int, 3> oriented(int t);
    /// Corners of triangle t as they were given to add.
    [[nodiscard]] const std::array<int, 3>& given(int t) const
    {
        return tri_[static_cast<std::size_t>(t)];
    }
    /// A triangle at a point, with its two other corners (so that edges are found without
    /// looking the triangle up).
    struct Corner {
        int triangle;
        int p;
        int q;
    };
    /// Triangles at point v.
    [[nodiscard]] const std::vector<Corner>& at(int v) const
    {
        return incident_[static_cast<std::size_t>(v)];
    }
    /// Turns every triangle of t's connected piece (triangles joined by edges) over.
    void flip_piece(int t);
    /// The connected piece of triangle t, as a number shared by its triangles.
    int piece(int t);

    /// Fills the holes whose rims have at most `max_edges` edges and a perimeter of at most
    /// `max_perimeter`, with triangles between the rim's points and points no triangle reaches
    /// yet among `near` (k per point, rows as nearest_neighbours gives them). Returns how many
    /// triangles it added.
    std::size_t fill_holes(std::size_t max_edges, double max_perimeter,
                           std::span<const std::uint32_t> near, std::size_t k);
    /// Where triangles meet at a point only by their corners (two or more fans), keeps the fan
    /// of the most triangles and takes out the others. Returns how many triangles went.
    std::size_t separate_pinches();

    /// The rims of the holes: closed loops of edges with one triangle, each as its points in
    /// order.
    std::vector<std::vector<int>> rims();

private:
    struct Wedge {
        double start = 0.0; // angle of the wedge's first ray in the corner's tangent frame
        double span = 0.0;  // 0 < span < pi
    };
    struct Find {
        int root;
        int parity;
    };
    Find find(int t);
    [[nodiscard]] bool flipped(int t) { const Find f = find(t); return (f.parity ^ root_flip_[static_cast<std::size_t>(f.root)]) != 0; }
    /// The wedge that the rays from v to p and to q span in v's tangent plane; false when it is
    /// degenerate there.
    bool wedge_of(int v, int p, int q, Wedge& w, const std::array<Vec3, 2>& frame) const;
    [[nodiscard]] double ray_angle(int v, int p, const std::array<Vec3, 2>& frame) const;
    [[nodiscard]] double ray_angle(int v, int p) const
    {
        return ray_angle(v, p, frame_[static_cast<std::size_t>(v)]);
    }
    /// Alive triangles with the edge x-y, at most two reported.
    int edge_triangles(int x, int y, int found[2]) const;
    /// Triangle t traverses x -> y in its orientation.
    bool runs(int t, int x, int y);
    bool fill_rim(std::vector<int> rim, std::span<const std::uint32_t> near, std::size_t k,
                  std::size_t& added);

    std::span<const Vec3> xyz_;
    std::span<const Vec3> normals_;
    std::vector<std::array<Vec3, 2>> frame_; // per point: two unit vectors across its normal
    std::vector<std::array<int, 3>> tri_;
    std::vector<std::array<Wedge, 3>> wedge_;
    std::vector<char> alive_;
    std::vector<int> parent_;
    std::vector<char> parity_;
    std::vector<char> root_flip_;
    std::vector<int> size_;
    std::vector<std::vector<Corner>> incident_;
};

/// Counts of what a mesh is, computed from its triangles alone (corners 1-based over n points).
struct MeshSummary {
    std::size_t boundary_edges = 0;     ///< edges of one triangle
    std::size_t boundary_loops = 0;     ///< connected rims (a hole or an outer border each)
    std::size_t non_manifold_edges = 0; ///< edges of three or more triangles
    std::size_t non_manifold_points = 0; ///< points where the triangles form more than one fan
    std::size_t inconsistent_edges = 0; ///< edges whose two triangles run it the same way
    std::size_t reached = 0;            ///< points that are a corner of some triangle
};
MeshSummary summarise_mesh(std::size_t n, std::span<const int> a, std::span<const int> b,
                           std::span<const int> c);

} // namespace tengun
