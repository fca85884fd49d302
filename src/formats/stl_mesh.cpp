#include "formats/stl_mesh.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <charconv>
#include <cmath>
#include <limits>

#include "formats/shown_text.h"

namespace tengun {

namespace {

std::uint64_t mix(std::uint64_t h)
{
    h ^= h >> 30U;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 27U;
    h *= 0x94D049BB133111EBULL;
    h ^= h >> 31U;
    return h;
}

std::uint64_t point_hash(const Vec3& p)
{
    // Adding 0.0 turns -0.0 into 0.0, so the two equal values hash alike.
    std::uint64_t h = 0;
    for (const double v : p) {
        h = mix(h ^ std::bit_cast<std::uint64_t>(v + 0.0));
    }
    return h;
}

bool keyword_is(std::string_view token, std::string_view lower_keyword)
{
    if (token.size() != lower_keyword.size()) {
        return false;
    }
    for (std::size_t k = 0; k < token.size(); ++k) {
        const char c = token[k];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != lower_keyword[k]) {
            return false;
        }
    }
    return true;
}

/// The longest number at the start of the token; false when it starts with none or the number
/// is not finite.
bool leading_number(std::string_view token, double& x)
{
    const char* first = token.data();
    const char* last = first + token.size();
    if (first != last && *first == '+') {
        ++first;
    }
    if (first == last || !((*first >= '0' && *first <= '9') || *first == '.' || *first == '-')) {
        return false;  // also keeps out "inf" and "nan"
    }
    const auto [end, ec] = std::from_chars(first, last, x);
    return ec == std::errc{} && std::isfinite(x);
}

std::size_t line_of(std::string_view text, std::size_t offset)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n')) + 1;
}

/// A binary STL is an 80-byte header, a 4-byte facet count and 50 bytes per facet.
bool is_binary_stl(std::string_view text)
{
    if (text.size() < 84 || (text.size() - 84) % 50 != 0) {
        return false;
    }
    std::uint32_t count = 0;
    for (int k = 3; k >= 0; --k) {
        count = count << 8U | static_cast<unsigned char>(text[80 + static_cast<std::size_t>(k)]);
    }
    return count == (text.size() - 84) / 50;
}

bool starts_with_solid(std::string_view text)
{
    const std::size_t k = text.find_first_not_of(" \t\r\n");
    return k != std::string_view::npos && text.size() - k >= 5 &&
           keyword_is(text.substr(k, 5), "solid");
}

void append_number(std::string& out, double x)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
    out.append(buffer, result.ptr);
}

}  // namespace

void PointIndex::grow(const PointCloud& points)
{
    const std::size_t size = std::max<std::size_t>(64, slots_.size() * 2);
    slots_.assign(size, 0);
    mask_ = size - 1;
    for (std::size_t i = 0; i < points.size(); ++i) {
        std::size_t k = point_hash(points.xyz[i]) & mask_;
        while (slots_[k] != 0) {
            k = (k + 1) & mask_;
        }
        slots_[k] = static_cast<std::uint32_t>(i + 1);
    }
}

bool PointIndex::find_or_add_point(PointCloud& points, const Vec3& p, int& index)
{
    assert(points.size() < static_cast<std::size_t>(std::numeric_limits<int>::max()) &&
           "point numbers fit an int");
    if (2 * (points.size() + 1) > slots_.size()) {
        grow(points);
    }
    std::size_t k = point_hash(p) & mask_;
    while (true) {
        const std::uint32_t slot = slots_[k];
        if (slot == 0) {
            points.add(p);
            slots_[k] = static_cast<std::uint32_t>(points.size());
            index = static_cast<int>(points.size());
            return true;
        }
        if (points.xyz[slot - 1] == p) {
            index = static_cast<int>(slot);
            return false;
        }
        k = (k + 1) & mask_;
    }
}

Status read_stl_mesh(std::string_view text, StlMesh& mesh, ReadError& error)
{
    const std::string binary_reason =
        "バイナリ形式のSTLファイルです（アスキー形式のみ読み込めます）";
    if (is_binary_stl(text)) {
        error = {binary_reason};
        return Status::error;
    }
    StlMesh fresh;
    PointIndex index;
    // Usual layout: about 260 bytes and 21 tokens a facet, half as many distinct vertices.
    const std::size_t facets_guess = text.size() / 250 + 1;
    fresh.tri_a.reserve(facets_guess);
    fresh.tri_b.reserve(facets_guess);
    fresh.tri_c.reserve(facets_guess);
    fresh.points.reserve(facets_guess / 2 + 3);

    // The facet being read: its corners go into the mesh only when it closes whole, so that a
    // facet dropped leaves no stray points behind.
    struct Open {
        bool open = false;
        bool keyword = false;  // it began with "facet" (not with a bare "vertex")
        int corners = 0;
        std::array<Vec3, 3> corner{};
    };
    Open facet;
    int coordinate = -1;  // the coordinate of the current vertex being read; -1 between vertices
    bool solid_name = false;      // skipping the name after "solid" / "endsolid"
    std::size_t name_line_end = 0;  // where that name's line ends
    bool last_is_endsolid = false;
    bool bad_number = false;
    std::size_t bad_offset = 0;
    std::string_view bad_token;

    const auto close = [&](bool ended) {
        if (facet.corners == 3) {
            std::array<int, 3> numbers{};
            for (std::size_t c = 0; c < 3; ++c) {
                (void)index.find_or_add_point(fresh.points, facet.corner[c], numbers[c]);
            }
            fresh.tri_a.push_back(numbers[0]);
            fresh.tri_b.push_back(numbers[1]);
            fresh.tri_c.push_back(numbers[2]);
            fresh.repaired_facets += facet.keyword && ended ? 0 : 1;
        } else {
            ++fresh.dropped_facets;
        }
        facet = Open{};
    };
    const auto open = [&](bool keyword) {
        facet = Open{};
        facet.open = true;
        facet.keyword = keyword;
    };

    (void)read_stl_tokens(text, [&](std::string_view token, std::size_t offset) {
        if (coordinate >= 0) {
            Vec3& p = facet.corner[static_cast<std::size_t>(facet.corners)];
            if (offset + token.size() == text.size()) {
                return false;  // the text ends in this number: it may be cut ("-", "1.5E")
            }
            if (!leading_number(token, p[static_cast<std::size_t>(coordinate)])) {
                bad_number = true;
                bad_offset = offset;
                bad_token = token;
                return false;
            }
            if (++coordinate == 3) {
                ++facet.corners;
                coordinate = -1;
            }
            return true;
        }
        if (solid_name) {
            if (offset < name_line_end) {
                return true;  // a word of the solid's name, even "facet"
            }
            solid_name = false;
        }
        last_is_endsolid = false;  // anything after the "endsolid" line: the text went on
        if (keyword_is(token, "facet")) {
            if (facet.open) {
                close(false);  // its "endfacet" is missing
            }
            open(true);
        } else if (keyword_is(token, "vertex")) {
            if (facet.open && facet.corners == 3) {
                close(false);  // a fourth corner: the next facet lost its "facet" line
            }
            if (!facet.open) {
                open(false);
            }
            coordinate = 0;
        } else if (keyword_is(token, "endfacet")) {
            if (facet.open) {
                close(true);
            }
        } else if (keyword_is(token, "solid") || keyword_is(token, "endsolid")) {
            if (facet.open) {
                close(false);
            }
            last_is_endsolid = keyword_is(token, "endsolid");
            solid_name = true;
            const std::size_t end = text.find_first_of("\r\n", offset);
            name_line_end = end == std::string_view::npos ? text.size() : end;
        }
        return true;
    });

    if (bad_number) {
        error = {"頂点（vertex）の座標「" + shown_text(bad_token) +
                     "」は数値ではありません",
                 line_of(text, bad_offset)};
        return Status::error;
    }
    // A binary file whose length does not match its count (extra bytes at the end) may still
    // start with "solid"; text never holds a NUL byte.
    if (fresh.tri_a.empty() && text.find('\0') != std::string_view::npos) {
        error = {binary_reason};
        return Status::error;
    }
    if (fresh.tri_a.empty() && !starts_with_solid(text)) {
        error = {"アスキー形式のSTLファイルではありません（solid "
                 "で始まらず、三角形（facet）もありません）"};
        return Status::error;
    }
    // A facet still open at the end was cut off (its last number may be cut too: "0." of
    // "0.125"): it is left out.
    fresh.cut_short = facet.open || coordinate >= 0;
    fresh.no_endsolid = !fresh.cut_short && !last_is_endsolid && !fresh.tri_a.empty();
    mesh = std::move(fresh);
    return Status::ok;
}

Vec3 facet_normal(const Vec3& a, const Vec3& b, const Vec3& c)
{
    const Vec3 u = b - a;
    const Vec3 v = c - a;
    const Vec3 n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                 u[0] * v[1] - u[1] * v[0]};
    const double length = vec_length(n);
    return length > 0.0 ? vec_scale(n, 1.0 / length) : Vec3{0.0, 0.0, 0.0};
}

std::string write_stl_mesh(std::span<const Vec3> points, std::span<const int> tri_a,
                           std::span<const int> tri_b, std::span<const int> tri_c,
                           std::string_view name)
{
    assert(tri_a.size() == tri_b.size() && tri_a.size() == tri_c.size() &&
           "one entry per triangle in each corner list");
    std::string out;
    out.reserve(tri_a.size() * 260 + 64);
    out += "solid ";
    out += name;
    out += "\r\n";
    const auto corner = [&points](int number) -> const Vec3& {
        assert(number >= 1 && static_cast<std::size_t>(number) <= points.size() &&
               "corners are point numbers of the cloud");
        return points[static_cast<std::size_t>(number) - 1];
    };
    const auto append_xyz = [&out](const Vec3& v) {
        for (const double x : v) {
            out += ' ';
            append_number(out, x);
        }
        out += "\r\n";
    };
    for (std::size_t t = 0; t < tri_a.size(); ++t) {
        const Vec3& a = corner(tri_a[t]);
        const Vec3& b = corner(tri_b[t]);
        const Vec3& c = corner(tri_c[t]);
        out += "  facet normal";
        append_xyz(facet_normal(a, b, c));
        out += "    outer loop\r\n";
        for (const Vec3* v_ptr : {&a, &b, &c}) {
            out += "      vertex";
            append_xyz(*v_ptr);
        }
        out += "    endloop\r\n  endfacet\r\n";
    }
    out += "endsolid ";
    out += name;
    out += "\r\n";
    return out;
}

}  // namespace tengun
