#pragma once
// ASCII STL meshes: the distinct vertices become the point cloud and every facet a triangle of
// point numbers (1-based, as the mesh stores them). Only the keywords "facet" and "vertex" are
// looked at (in any letter case); the three tokens after "vertex" are its x, y and z; normals,
// "outer loop", "endloop", "endfacet" and the solid lines are skipped. Also the ASCII writer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/file_io.h"
#include "geometry/point_cloud.h"

namespace tengun {

/// Token separators: blank, tab, line feed, carriage return, apostrophe, vertical tab, form feed.
inline constexpr std::array<bool, 256> stl_separators = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : {' ', '\t', '\n', '\r', '\'', '\v', '\f'}) {
        table[c] = true;
    }
    return table;
}();

/// Calls on_token(token, offset) for every token of the text in order, the last one included
/// even without a separator after it, until on_token returns false. Returns the tokens seen.
template <class TokenFn> std::size_t read_stl_tokens(std::string_view text, TokenFn&& on_token)
{
    const auto separator = [](char c) { return stl_separators[static_cast<unsigned char>(c)]; };
    const std::size_t n = text.size();
    std::size_t count = 0;
    std::size_t k = 0;
    while (true) {
        while (k < n && separator(text[k])) {
            ++k;
        }
        if (k == n) {
            return count;
        }
        const std::size_t start = k;
        while (k < n && !separator(text[k])) {
            ++k;
        }
        ++count;
        if (!on_token(text.substr(start, k - start), start)) {
            return count;
        }
    }
}

/// Finds points by exact equality of x, y and z (0.0 equals -0.0) in constant time on average.
class PointIndex {
public:
    /// Sets `index` to the number (1-based) of the first point of `points` equal to p, or, when
    /// there is none, appends p (label 0) and sets it to the new number. True when p was added.
    /// `points` must be the cloud this index has seen grow from empty.
    bool find_or_add_point(PointCloud& points, const Vec3& p, int& index);

private:
    void grow(const PointCloud& points);
    std::vector<std::uint32_t> slots_;  // point number, 0 for an empty slot
    std::size_t mask_ = 0;
};

struct StlMesh {
    PointCloud points;                     ///< distinct vertices in first-found order
    std::vector<int> tri_a, tri_b, tri_c;  ///< corners of each facet in file order, 1-based
    bool cut_short = false;    ///< the text ended inside a facet, which was left out
    bool no_endsolid = false;  ///< the text does not end with "endsolid" after its last facet
    /// Facets of three corners whose "facet" or "endfacet" line was missing, read all the same.
    std::size_t repaired_facets = 0;
    /// Facets left out for not having three corners (before the end of the text).
    std::size_t dropped_facets = 0;
    friend bool operator==(const StlMesh&, const StlMesh&) = default;
};

/// The mesh of an ASCII STL text; a file without facets gives an empty mesh if it starts with
/// "solid". A facet is "facet" ... "endfacet" with three "vertex" corners; one whose "facet"
/// line is missing (its corners follow the last "endfacet" or a full facet) or whose "endfacet"
/// is missing (the next facet, "endsolid" or "solid" follows) is read and counted as repaired;
/// one with fewer than three corners is dropped and counted. A facet cut short by the end of
/// the text is left out (its last number may be cut), points and triangle. The words after
/// "solid" and "endsolid" on their line are the solid's name.
/// Status::error (reason, line) for a binary STL, a text that has no facet and does not start
/// with "solid", and a vertex coordinate that does not start with a finite number; `mesh` is
/// then unchanged. A coordinate is the longest number at the start of its token ("1.5mm" 1.5).
[[nodiscard]] Status read_stl_mesh(std::string_view text, StlMesh& mesh, ReadError& error);

/// The unit normal of the corners' order (b - a) x (c - a); 0 0 0 for a degenerate triangle.
Vec3 facet_normal(const Vec3& a, const Vec3& b, const Vec3& c);

/// The triangles as an ASCII STL text (solid `name`, CR LF line ends). Each facet normal is the
/// unit normal of its corners' order (b - a) x (c - a), 0 0 0 for a degenerate triangle;
/// numbers are written in their shortest exact form, so the text reads back to the same
/// doubles. Every corner must be a point number 1..points.size().
std::string write_stl_mesh(std::span<const Vec3> points, std::span<const int> tri_a,
                           std::span<const int> tri_b, std::span<const int> tri_c,
                           std::string_view name = "tengun");

}  // namespace tengun
