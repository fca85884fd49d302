#pragma once
// Small files of the point formats built in memory, for reader and command tests.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace tengun::testing {

inline void put_u16(std::string& b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<char>(v & 0xFFU);
    b[at + 1] = static_cast<char>((v >> 8U) & 0xFFU);
}

inline void put_u32(std::string& b, std::size_t at, std::uint32_t v)
{
    put_u16(b, at, v & 0xFFFFU);
    put_u16(b, at + 2, v >> 16U);
}

/// An uncompressed bottom-up bitmap: `rows` holds the pixel bytes of each stored row (bottom
/// row first) without padding; rows are padded to a multiple of 4 bytes. A grey palette of
/// 2^bits entries precedes the pixels of 1-, 4- and 8-bit images.
inline std::string make_bmp(int width, int height, int bits,
                            const std::vector<std::vector<unsigned char>>& rows)
{
    const std::size_t palette = bits <= 8 ? 4U << static_cast<unsigned>(bits) : 0;
    const std::size_t offset = 14 + 40 + palette;
    const std::size_t stride =
        (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
    std::string b(offset, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put_u32(b, 10, static_cast<std::uint32_t>(offset));
    put_u32(b, 14, 40);
    put_u32(b, 18, static_cast<std::uint32_t>(width));
    put_u32(b, 22, static_cast<std::uint32_t>(height));
    put_u16(b, 26, 1);
    put_u16(b, 28, static_cast<std::uint32_t>(bits));
    for (std::size_t k = 0; k < palette / 4; ++k) {
        const auto g = static_cast<char>(k * 255 / (palette / 4 - 1));
        b[54 + 4 * k] = g;
        b[55 + 4 * k] = g;
        b[56 + 4 * k] = g;
    }
    for (const auto& row : rows) {
        std::string r(row.begin(), row.end());
        r.resize(stride, '\0');
        b += r;
    }
    put_u32(b, 2, static_cast<std::uint32_t>(b.size()));
    return b;
}

/// One row of a 24-bit image of grey pixels (blue = green = red = value).
inline std::vector<unsigned char> grey_row(const std::vector<unsigned char>& values)
{
    std::vector<unsigned char> row;
    for (const unsigned char v : values) {
        row.insert(row.end(), {v, v, v});
    }
    return row;
}

/// An IGES file: Start and Global lines, then `parameter_lines` as the Parameter Data section
/// (each holding columns 1 to 64; columns 65 to 80 are filled in), then the Terminate line.
/// No Directory Entry section: the line reader does not need one.
inline std::string make_iges(const std::vector<std::string>& parameter_lines,
                             std::string_view global = "1H,,1H;,4Htest;",
                             std::string_view line_end = "\r\n")
{
    std::string out;
    const auto add = [&](std::string data, std::size_t width, char section, int sequence,
                         std::string_view pointer) {
        data.resize(width, ' ');
        out += data;
        if (width == 64) {
            std::string p(pointer);
            p.insert(0, 8 - p.size(), ' ');
            out += p;
        }
        std::string seq = std::to_string(sequence);
        seq.insert(0, 7 - seq.size(), ' ');
        out += section;
        out += seq;
        out += line_end;
    };
    add("tengun test file", 72, 'S', 1, "");
    add(std::string(global), 72, 'G', 1, "");
    int p = 0;
    for (const std::string& line : parameter_lines) {
        ++p;
        add(line, 64, 'P', p, std::to_string(2 * p - 1));
    }
    add("S      1G      1D      0P" + std::to_string(p), 72, 'T', 1, "");
    return out;
}

/// The PIX text of a 400 x 400 window (centre (200, 200)) with the given records.
inline std::string make_pix(std::string_view records)
{
    return "PIX 1 2 3 4 5 6\nW 0 0 400 400\nL 1\n" + std::string(records);
}

struct Facet {
    double v[3][3];
};

/// An ASCII STL text of the facets, in the usual blank-indented layout with `line_end`.
inline std::string make_stl(const std::vector<Facet>& facets, std::string_view line_end = "\r\n",
                            std::string_view indent = "  ")
{
    std::string out = "solid test";
    out += line_end;
    for (const Facet& f : facets) {
        out += std::string(indent) + "facet normal 0 0 1" + std::string(line_end);
        out += std::string(indent) + std::string(indent) + "outer loop" + std::string(line_end);
        for (const auto& v : f.v) {
            out += std::string(indent) + std::string(indent) + std::string(indent) + "vertex " +
                   std::to_string(v[0]) + " " + std::to_string(v[1]) + " " + std::to_string(v[2]) +
                   std::string(line_end);
        }
        out += std::string(indent) + std::string(indent) + "endloop" + std::string(line_end);
        out += std::string(indent) + "endfacet" + std::string(line_end);
    }
    out += "endsolid test";
    out += line_end;
    return out;
}

/// A binary STL of the facets: `header` (padded to 80 bytes with NULs), the count, and per
/// facet a normal (0 0 1), the corners in single precision and an attribute word; `padding`
/// bytes of value 0 after the last facet.
inline std::string make_binary_stl(const std::vector<Facet>& facets, std::string header = "",
                                   std::size_t padding = 0, std::uint16_t attribute = 0)
{
    header.resize(80, '\0');
    std::string out = header;
    const auto add = [&out](auto v) {
        char b[sizeof v];
        std::memcpy(b, &v, sizeof v);  // the test machines are little-endian
        out.append(b, sizeof v);
    };
    add(static_cast<std::uint32_t>(facets.size()));
    for (const Facet& f : facets) {
        add(0.0F);
        add(0.0F);
        add(1.0F);
        for (const auto& v : f.v) {
            for (const double x : v) {
                add(static_cast<float>(x));
            }
        }
        add(attribute);
    }
    out.append(padding, '\0');
    return out;
}

}  // namespace tengun::testing
