#pragma once
// PLY files built in memory from a description of their elements, in any of the three
// encodings, so that one set of values can be written as ASCII, little- and big-endian and the
// readings compared.

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tengun::testing {

struct PlyProp {
    std::string type;        ///< scalar type, or the list items' type
    std::string name;
    std::string count_type;  ///< empty for a scalar; the count's type for a list
};

struct PlyElem {
    std::string name;
    std::vector<PlyProp> props;
    /// The values of each record in property order; a list is its count, then its items.
    std::vector<std::vector<double>> records;
};

namespace ply_detail {

template <class T> void put(std::string& out, double v, bool big)
{
    const T x = static_cast<T>(v);
    char b[sizeof(T)];
    std::memcpy(b, &x, sizeof(T));
    if (big == (std::endian::native == std::endian::little)) {
        std::reverse(b, b + sizeof(T));
    }
    out.append(b, sizeof(T));
}

inline void put_typed(std::string& out, const std::string& type, double v, bool big)
{
    if (type == "char" || type == "int8") {
        put<std::int8_t>(out, v, big);
    } else if (type == "uchar" || type == "uint8") {
        put<std::uint8_t>(out, v, big);
    } else if (type == "short" || type == "int16") {
        put<std::int16_t>(out, v, big);
    } else if (type == "ushort" || type == "uint16") {
        put<std::uint16_t>(out, v, big);
    } else if (type == "int" || type == "int32") {
        put<std::int32_t>(out, v, big);
    } else if (type == "uint" || type == "uint32") {
        put<std::uint32_t>(out, v, big);
    } else if (type == "float" || type == "float32") {
        put<float>(out, v, big);
    } else {
        put<double>(out, v, big);
    }
}

}  // namespace ply_detail

/// A PLY file of the elements in `format` ("ascii", "binary_little_endian",
/// "binary_big_endian"), with `extra_header` lines (comments, obj_info) after the format line.
inline std::string make_ply(const std::string& format, const std::vector<PlyElem>& elements,
                            const std::vector<std::string>& extra_header = {},
                            const std::string& line_end = "\n")
{
    std::string out = "ply" + line_end + "format " + format + " 1.0" + line_end;
    for (const std::string& line : extra_header) {
        out += line + line_end;
    }
    for (const PlyElem& e : elements) {
        out += "element " + e.name + " " + std::to_string(e.records.size()) + line_end;
        for (const PlyProp& p : e.props) {
            out += p.count_type.empty() ? "property " + p.type + " " + p.name
                                        : "property list " + p.count_type + " " + p.type + " " +
                                              p.name;
            out += line_end;
        }
    }
    out += "end_header" + line_end;
    const bool ascii = format == "ascii";
    const bool big = format == "binary_big_endian";
    for (const PlyElem& e : elements) {
        for (const std::vector<double>& r : e.records) {
            std::size_t k = 0;
            std::string line;
            const auto value = [&](const std::string& type) {
                const double v = r.at(k++);
                if (ascii) {
                    char b[32];
                    line += (line.empty() ? "" : " ") +
                            std::string(b, std::to_chars(b, b + sizeof b, v).ptr);
                } else {
                    ply_detail::put_typed(out, type, v, big);
                }
                return v;
            };
            for (const PlyProp& p : e.props) {
                if (p.count_type.empty()) {
                    value(p.type);
                    continue;
                }
                const auto n = static_cast<std::size_t>(value(p.count_type));
                for (std::size_t i = 0; i < n; ++i) {
                    value(p.type);
                }
            }
            if (ascii) {
                out += line + line_end;
            }
        }
    }
    return out;
}

/// x, y, z floats and a face list of uchar count and int indices: the common mesh layout.
inline std::vector<PlyElem> ply_mesh_elements(const std::vector<std::vector<double>>& vertices,
                                              const std::vector<std::vector<double>>& faces)
{
    PlyElem v{"vertex", {{"float", "x", ""}, {"float", "y", ""}, {"float", "z", ""}}, vertices};
    PlyElem f{"face", {{"int", "vertex_indices", "uchar"}}, {}};
    for (const std::vector<double>& face : faces) {
        std::vector<double> r{static_cast<double>(face.size())};
        r.insert(r.end(), face.begin(), face.end());
        f.records.push_back(r);
    }
    return {v, f};
}

}  // namespace tengun::testing
