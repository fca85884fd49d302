#include "formats/ply_mesh.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "formats/byte_order.h"
#include "formats/shown_text.h"

namespace tengun {

namespace {

// How often the binary reader says how far it is.
constexpr std::size_t passed_step = std::size_t{8} << 20U;

enum class PlyType : std::uint8_t { int8, uint8, int16, uint16, int32, uint32, float32, float64 };

struct TypeName {
    std::string_view name;
    PlyType type;
};
constexpr std::array<TypeName, 16> type_names{{
    {"char", PlyType::int8},
    {"int8", PlyType::int8},
    {"uchar", PlyType::uint8},
    {"uint8", PlyType::uint8},
    {"short", PlyType::int16},
    {"int16", PlyType::int16},
    {"ushort", PlyType::uint16},
    {"uint16", PlyType::uint16},
    {"int", PlyType::int32},
    {"int32", PlyType::int32},
    {"uint", PlyType::uint32},
    {"uint32", PlyType::uint32},
    {"float", PlyType::float32},
    {"float32", PlyType::float32},
    {"double", PlyType::float64},
    {"float64", PlyType::float64},
}};

bool parse_type(std::string_view name, PlyType& type)
{
    for (const TypeName& t : type_names) {
        if (t.name == name) {
            type = t.type;
            return true;
        }
    }
    return false;
}

std::size_t type_size(PlyType t)
{
    switch (t) {
    case PlyType::int8:
    case PlyType::uint8:
        return 1;
    case PlyType::int16:
    case PlyType::uint16:
        return 2;
    case PlyType::int32:
    case PlyType::uint32:
    case PlyType::float32:
        return 4;
    case PlyType::float64:
        return 8;
    }
    return 0;
}

bool is_integer(PlyType t)
{
    return t != PlyType::float32 && t != PlyType::float64;
}

struct Property {
    std::string name;
    bool list = false;
    PlyType type = PlyType::float32; ///< the scalar's type, or the list items' type
    PlyType count_type = PlyType::uint8;
};

struct Element {
    std::string name;
    std::uint64_t count = 0;
    std::vector<Property> properties;
    std::size_t line = 0; ///< header line of its "element" line
    [[nodiscard]] bool fixed_size() const
    {
        return std::none_of(properties.begin(), properties.end(),
                            [](const Property& p) { return p.list; });
    }
    /// Bytes of a record whose lists are empty.
    [[nodiscard]] std::size_t min_bytes() const
    {
        std::size_t n = 0;
        for (const Property& p : properties) {
            n += type_size(p.list ? p.count_type : p.type);
        }
        return n;
    }
};

enum class Encoding { ascii, little_endian, big_endian };

struct Header {
    Encoding encoding = Encoding::ascii;
    std::vector<Element> elements;
    std::size_t data_start = 0;
    std::size_t data_line = 0; ///< line on which the data starts
};

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t k = 0;
    while (true) {
        k = line.find_first_not_of(" \t", k);
        if (k == std::string_view::npos) {
            return out;
        }
        const std::size_t end = std::min(line.find_first_of(" \t", k), line.size());
        out.push_back(line.substr(k, end - k));
        k = end;
    }
}

std::string shown(std::string_view text)
{
    return shown_text(text);
}

Status parse_header(std::string_view bytes, Header& header, ReadError& error)
{
    const std::size_t first_end = bytes.find('\n');
    if (first_end == std::string_view::npos ||
        bytes.substr(0, first_end).find_last_not_of(" \t\r") != 2 || bytes.substr(0, 3) != "ply") {
        error = {"PLYファイルではありません（最初の行が ply ではありません）", 1};
        return Status::error;
    }
    std::size_t pos = 0;
    std::size_t line_number = 0;
    bool format_seen = false;
    Header h;
    while (true) {
        if (pos >= bytes.size()) {
            error = {"見出しの終わり（end_header）がありません", line_number};
            return Status::error;
        }
        const std::size_t newline = bytes.find('\n', pos);
        const std::size_t end = newline == std::string_view::npos ? bytes.size() : newline;
        std::string_view line = bytes.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        pos = newline == std::string_view::npos ? bytes.size() : newline + 1;
        ++line_number;
        const std::vector<std::string_view> w = words(line);
        if (line_number == 1) {
            continue;   // "ply"
        }
        const auto bad = [&](const std::string& reason) {
            error = {reason, line_number};
            return Status::error;
        };
        if (w.empty() || w[0] == "comment" || w[0] == "obj_info") {
            continue;
        }
        if (w[0] == "end_header") {
            h.data_start = pos;
            h.data_line = line_number + 1;
            break;
        }
        if (w[0] == "format") {
            if (w.size() != 3 || (w[2] != "1.0" && w[2] != "1")) {
                return bad("形式の行「" + shown(line) + "」が分かりません");
            }
            if (w[1] == "ascii") {
                h.encoding = Encoding::ascii;
            } else if (w[1] == "binary_little_endian") {
                h.encoding = Encoding::little_endian;
            } else if (w[1] == "binary_big_endian") {
                h.encoding = Encoding::big_endian;
            } else {
                return bad("形式「" + shown(w[1]) + "」には対応していません");
            }
            format_seen = true;
        } else if (w[0] == "element") {
            std::uint64_t count = 0;
            const auto [p, ec] =
                w.size() == 3 ? std::from_chars(w[2].data(), w[2].data() + w[2].size(), count)
                              : std::from_chars_result{nullptr, std::errc::invalid_argument};
            if (w.size() != 3 || ec != std::errc{} || p != w[2].data() + w[2].size()) {
                return bad("要素の行「" + shown(line) + "」が分かりません（element 名前 個数）");
            }
            h.elements.push_back({std::string(w[1]), count, {}, line_number});
        } else if (w[0] == "property") {
            if (h.elements.empty()) {
                return bad("要素（element）の前に属性（property）があります");
            }
            Property prop;
            const bool list = w.size() >= 2 && w[1] == "list";
            if ((list && w.size() != 5) || (!list && w.size() != 3)) {
                return bad("属性の行「" + shown(line) + "」が分かりません");
            }
            prop.list = list;
            if (list && !parse_type(w[2], prop.count_type)) {
                return bad("型「" + shown(w[2]) + "」が分かりません");
            }
            if (list && !is_integer(prop.count_type)) {
                return bad("リストの個数の型「" + shown(w[2]) + "」が整数ではありません");
            }
            if (!parse_type(w[list ? 3 : 1], prop.type)) {
                return bad("型「" + shown(w[list ? 3 : 1]) + "」が分かりません");
            }
            prop.name = std::string(w[list ? 4 : 2]);
            h.elements.back().properties.push_back(std::move(prop));
        } else {
            return bad("見出しの行「" + shown(line) + "」が分かりません");
        }
    }
    if (!format_seen) {
        error = {"形式の行（format）がありません", 2};
        return Status::error;
    }
    header = std::move(h);
    return Status::ok;
}

/// What the reader does with each element's records.
struct Roles {
    std::size_t vertex = 0; ///< index into the elements; elements.size() when none
    std::size_t face = 0;
    std::array<std::size_t, 3> xyz{};   ///< property indices in the vertex element
    std::size_t indices = 0;            ///< property index of the face's corner list
    bool faces_without_indices = false; ///< a face element without a corner list
};

std::size_t find_property(const Element& e, std::string_view name)
{
    for (std::size_t k = 0; k < e.properties.size(); ++k) {
        if (e.properties[k].name == name) {
            return k;
        }
    }
     // Some writers spell the coordinates in capitals.
    for (std::size_t k = 0; k < e.properties.size(); ++k) {
        const std::string& n = e.properties[k].name;
        if (n.size() == name.size() &&
            std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
            })) {
            return k;
        }
    }
    return e.properties.size();
}

Status find_roles(const Header& h, Roles& roles, ReadError& error)
{
    const auto named = [&h](std::string_view name) {
        return static_cast<std::size_t>(
            std::find_if(h.elements.begin(), h.elements.end(),
                         [name](const Element& e) { return e.name == name; }) -
            h.elements.begin());
    };
    roles.vertex = named("vertex");
    roles.face = named("face");
    if (roles.vertex == h.elements.size()) {
        error = {"頂点の要素（element vertex）がありません"};
        return Status::error;
    }
    const Element& v = h.elements[roles.vertex];
    for (std::size_t k = 0; k < 3; ++k) {
        const std::string_view name = std::array{"x", "y", "z"}[k];
        roles.xyz[k] = find_property(v, name);
        if (roles.xyz[k] == v.properties.size()) {
            error = {"頂点に座標 " + std::string(name) + " の属性がありません", v.line};
            return Status::error;
        }
        if (v.properties[roles.xyz[k]].list) {
            error = {"頂点の座標 " + std::string(name) + " がリストです", v.line};
            return Status::error;
        }
    }
    if (v.count > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
        error = {"頂点が多すぎます（" + std::to_string(v.count) + "個）", v.line};
        return Status::error;
    }
    if (roles.face < h.elements.size()) {
        const Element& f = h.elements[roles.face];
        roles.indices = find_property(f, "vertex_indices");
        if (roles.indices == f.properties.size()) {
            roles.indices = find_property(f, "vertex_index");
        }
        if (roles.indices == f.properties.size() || !f.properties[roles.indices].list) {
            roles.faces_without_indices = f.count > 0;
            roles.face = h.elements.size();
        } else if (!is_integer(f.properties[roles.indices].type)) {
            error = {"面の頂点番号の型が整数ではありません", f.line};
            return Status::error;
        }
    }
    return Status::ok;
}

/// Refuses counts that the data cannot hold, before anything is allocated: every record takes
/// at least its scalars and list counts (binary: their bytes; ASCII: one character and one
/// separator each).
Status check_counts(const Header& h, std::size_t data_bytes, ReadError& error)
{
    const bool ascii = h.encoding == Encoding::ascii;
    const std::uint64_t room = ascii ? (std::uint64_t{data_bytes} + 1) / 2 : data_bytes;
    std::uint64_t needed = 0;
    for (const Element& e : h.elements) {
        const std::uint64_t per_record = ascii ? e.properties.size() : e.min_bytes();
        if (per_record == 0) {
            continue;
        }
        if (e.count > (room - needed) / per_record) {
            error = {"見出しの要素 " + shown(e.name) + " の個数（" + std::to_string(e.count) +
                         "）がファイルに収まりません",
                     e.line};
            return Status::error;
        }
        needed += e.count * per_record;
    }
    return Status::ok;
}

std::string record_name(const Element& e, std::uint64_t record)
{
    const std::string n = std::to_string(record + 1);
    if (e.name == "vertex") {
        return n + "番目の頂点";
    }
    if (e.name == "face") {
        return n + "番目の面";
    }
    return "要素 " + shown(e.name) + " の" + n + "番目";
}

/// What the records build: the points, the triangles, and counts for the notes.
struct Build {
    LoadedMesh mesh;
    std::uint64_t vertex_count = 0; ///< as the header declares
    std::size_t short_faces = 0;    ///< faces of fewer than three corners
    std::vector<int> corners;       ///< the current face's corners, 1-based
};

/// Binary data: values read at a cursor with bounds checks.
class BinaryData {
public:
    BinaryData(std::string_view bytes, std::size_t start, bool big_endian)
        : bytes_(bytes), pos_(start), big_(big_endian)
    {
    }
    [[nodiscard]] std::size_t position() const { return pos_; }
    [[nodiscard]] std::size_t left() const { return bytes_.size() - pos_; }
    [[nodiscard]] bool big_endian() const { return big_; }
    [[nodiscard]] const char* at() const { return bytes_.data() + pos_; }
    void advance(std::size_t n) { pos_ += n; }

    bool number(PlyType t, double& x)
    {
        const std::size_t n = type_size(t);
        if (left() < n) {
            return false;
        }
        x = value(at(), t, big_);
        pos_ += n;
        return true;
    }
    bool skip(std::uint64_t n)
    {
        if (left() < n) {
            return false;
        }
        pos_ += static_cast<std::size_t>(n);
        return true;
    }

    static double value(const char* p, PlyType t, bool big)
    {
        switch (t) {
        case PlyType::int8:
            return static_cast<signed char>(*p);
        case PlyType::uint8:
            return static_cast<unsigned char>(*p);
        case PlyType::int16:
            return load_as<std::int16_t>(p, big);
        case PlyType::uint16:
            return load_as<std::uint16_t>(p, big);
        case PlyType::int32:
            return load_as<std::int32_t>(p, big);
        case PlyType::uint32:
            return load_as<std::uint32_t>(p, big);
        case PlyType::float32:
            return load_as<float>(p, big);
        case PlyType::float64:
            return load_as<double>(p, big);
        }
        return 0.0;
    }

private:
    std::string_view bytes_;
    std::size_t pos_;
    bool big_;
};

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

/// ASCII data: whitespace-separated tokens, with the line and field of each for messages.
class AsciiData {
public:
    AsciiData(std::string_view bytes, std::size_t start, std::size_t line)
        : bytes_(bytes), pos_(start), line_(line)
    {
    }
    /// The next token; false at the end of the data.
    bool next(std::string_view& token)
    {
        const std::size_t n = bytes_.size();
        while (pos_ < n && is_space(bytes_[pos_])) {
            if (bytes_[pos_] == '\n') {
                ++line_;
                field_ = 0;
            }
            ++pos_;
        }
        if (pos_ == n) {
            return false;
        }
        const std::size_t start = pos_;
        while (pos_ < n && !is_space(bytes_[pos_])) {
            ++pos_;
        }
        ++field_;
        token = bytes_.substr(start, pos_ - start);
        return true;
    }
    [[nodiscard]] std::size_t line() const { return line_; }
    [[nodiscard]] std::size_t field() const { return field_; }
    [[nodiscard]] std::size_t position() const { return pos_; }

private:
    std::string_view bytes_;
    std::size_t pos_;
    std::size_t line_;
    std::size_t field_ = 0;
};

bool parse_double(std::string_view token, double& x)
{
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
    }
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), x);
    return !token.empty() && ec == std::errc{} && end == token.data() + token.size();
}

bool parse_whole(std::string_view token, double& x)
{
    return parse_double(token, x) && std::isfinite(x) && x == std::floor(x);
}

/// The corners gathered for one face become triangles, or are counted as a short face.
void add_face(Build& b)
{
    const std::vector<int>& c = b.corners;
    if (c.size() < 3) {
        ++b.short_faces;
        return;
    }
    for (std::size_t k = 1; k + 1 < c.size(); ++k) {
        b.mesh.tri_a.push_back(c[0]);
        b.mesh.tri_b.push_back(c[k]);
        b.mesh.tri_c.push_back(c[k + 1]);
    }
}

std::string index_reason(const std::string& record, double index, std::uint64_t vertex_count)
{
    std::string n = std::isfinite(index) && std::abs(index) < 1e18
                        ? std::to_string(static_cast<long long>(index))
                        : std::string("?");
    return record + "が存在しない頂点（番号" + n + "）を指しています（" +
           (vertex_count > 0 ? "頂点は" + std::to_string(vertex_count) + "個、番号0〜" +
                                   std::to_string(vertex_count - 1)
                             : std::string("頂点はありません")) +
           "）";
}

bool index_ok(double index, std::uint64_t vertex_count)
{
    return index >= 0.0 && index < static_cast<double>(vertex_count);
}

// ---- binary records -----------------------------------------------------------------------

/// False when `passed` asked to stop.
template <class T, bool Big>
bool read_binary_vertices_fast(BinaryData& d, std::uint64_t count, std::size_t stride,
                               const std::array<std::size_t, 3>& offsets, PointCloud& points,
                               const BytesPassed& passed)
{
    const char* base = d.at();
    Vec3* out = points.xyz.data() + points.xyz.size() - static_cast<std::size_t>(count);
    std::size_t next_report = d.position() + passed_step;
    for (std::size_t i = 0; i < count; ++i) {
        const char* r = base + i * stride;
        out[i] = {static_cast<double>(load_as<T>(r + offsets[0], Big)),
                  static_cast<double>(load_as<T>(r + offsets[1], Big)),
                  static_cast<double>(load_as<T>(r + offsets[2], Big))};
        if (passed && (i & 0xFFFFU) == 0 && d.position() + i * stride >= next_report) {
            if (!passed(d.position() + i * stride)) {
                return false;
            }
            next_report = d.position() + i * stride + passed_step;
        }
    }
    d.advance(static_cast<std::size_t>(count) * stride);
    return true;
}

/// Reads every record of `e` from binary data into `b` according to the roles.
Status read_binary_element(BinaryData& d, const Element& e, std::size_t element_index,
                           const Roles& roles, Build& b, ReadError& error,
                           const BytesPassed& passed)
{
    const bool is_vertex = element_index == roles.vertex;
    const bool is_face = element_index == roles.face;
     // The offset is that of the record the data ends in.
    const auto ends_early = [&](std::uint64_t record, std::size_t record_at) {
        error = {record_name(e, record) + "の途中でファイルが終わっています（見出しでは" +
                     std::to_string(e.count) + "個）",
                 0, 0, record_at};
        return Status::error;
    };
    if (e.fixed_size() && !is_face) {
        const std::size_t stride = e.min_bytes();
        if (stride == 0) {
            return Status::ok;  // records without properties take no bytes
        }
        if (e.count > d.left() / stride) {
            const std::size_t complete = d.left() / stride;
            return ends_early(complete, d.position() + complete * stride);
        }
        if (!is_vertex) {
            d.advance(static_cast<std::size_t>(e.count) * stride);
            return Status::ok;
        }
        std::array<std::size_t, 3> offsets{};
        std::array<PlyType, 3> types{};
        for (std::size_t k = 0; k < 3; ++k) {
            std::size_t offset = 0;
            for (std::size_t p = 0; p < roles.xyz[k]; ++p) {
                offset += type_size(e.properties[p].type);
            }
            offsets[k] = offset;
            types[k] = e.properties[roles.xyz[k]].type;
        }
        PointCloud& points = b.mesh.points;
        points.xyz.resize(points.xyz.size() + static_cast<std::size_t>(e.count));
        const bool same = types[0] == types[1] && types[1] == types[2];
        const bool big = d.big_endian();
        bool going = true;
        if (same && types[0] == PlyType::float32) {
            going = big ? read_binary_vertices_fast<float, true>(d, e.count, stride, offsets,
                                                                 points, passed)
                        : read_binary_vertices_fast<float, false>(d, e.count, stride, offsets,
                                                                  points, passed);
        } else if (same && types[0] == PlyType::float64) {
            going = big ? read_binary_vertices_fast<double, true>(d, e.count, stride, offsets,
                                                                  points, passed)
                        : read_binary_vertices_fast<double, false>(d, e.count, stride, offsets,
                                                                   points, passed);
        } else {
            Vec3* out = points.xyz.data() + points.xyz.size() - static_cast<std::size_t>(e.count);
            for (std::size_t i = 0; i < e.count; ++i) {
                const char* r = d.at() + i * stride;
                for (std::size_t k = 0; k < 3; ++k) {
                    out[i][k] = BinaryData::value(r + offsets[k], types[k], big);
                }
            }
            d.advance(static_cast<std::size_t>(e.count) * stride);
        }
        if (!going) {
            error = cancelled_error();
            return Status::error;
        }
        return Status::ok;
    }
     // Records with lists: walked one by one.
    std::size_t next_report = d.position() + passed_step;
    for (std::uint64_t r = 0; r < e.count; ++r) {
        Vec3 p{};
        b.corners.clear();
        const std::size_t record_at = d.position();
        for (std::size_t k = 0; k < e.properties.size(); ++k) {
            const Property& prop = e.properties[k];
            if (!prop.list) {
                double x = 0.0;
                if (!d.number(prop.type, x)) {
                    return ends_early(r, record_at);
                }
                if (is_vertex) {
                    for (std::size_t c = 0; c < 3; ++c) {
                        if (roles.xyz[c] == k) {
                            p[c] = x;
                        }
                    }
                }
                continue;
            }
            double n = 0.0;
            const std::size_t count_at = d.position();
            if (!d.number(prop.count_type, n)) {
                return ends_early(r, record_at);
            }
            if (n < 0.0) {
                error = {record_name(e, r) + "のリストの個数が負です", 0, 0, count_at};
                return Status::error;
            }
            const auto items = static_cast<std::uint64_t>(n);
            if (!(is_face && k == roles.indices)) {
                if (items > d.left() / type_size(prop.type) ||
                    !d.skip(items * type_size(prop.type))) {
                    return ends_early(r, record_at);
                }
                continue;
            }
            if (items > d.left() / type_size(prop.type)) {
                return ends_early(r, record_at);
            }
            for (std::uint64_t i = 0; i < items; ++i) {
                const std::size_t at = d.position();
                double index = 0.0;
                (void)d.number(prop.type, index);
                if (!index_ok(index, b.vertex_count)) {
                    error = {index_reason(record_name(e, r), index, b.vertex_count), 0, 0, at};
                    return Status::error;
                }
                b.corners.push_back(static_cast<int>(index) + 1);
            }
        }
        if (is_vertex) {
            b.mesh.points.xyz.push_back(p);
        } else if (is_face) {
            add_face(b);
        }
        if (passed && d.position() >= next_report) {
            if (!passed(d.position())) {
                error = cancelled_error();
                return Status::error;
            }
            next_report = d.position() + passed_step;
        }
    }
    return Status::ok;
}

// ---- ASCII records --------------------------------------------------------------------------

Status read_ascii_element(AsciiData& d, const Element& e, std::size_t element_index,
                          const Roles& roles, Build& b, ReadError& error,
                          const BytesPassed& passed)
{
    const bool is_vertex = element_index == roles.vertex;
    const bool is_face = element_index == roles.face;
    if (e.properties.empty()) {
        return Status::ok;   // records without properties hold no values
    }
    std::size_t next_report = d.position() + passed_step;
    std::string_view token;
    const auto ends_early = [&](std::uint64_t record) {
        error = {record_name(e, record) + "の途中でファイルが終わっています（見出しでは" +
                     std::to_string(e.count) + "個）",
                 d.line()};
        return Status::error;
    };
    const auto not_number = [&](std::uint64_t record, const char* what) {
        error = {"「" + shown(token) + "」は" + what + "ではありません（" + record_name(e, record) +
                     "）",
                 d.line(), d.field()};
        return Status::error;
    };
    for (std::uint64_t r = 0; r < e.count; ++r) {
        Vec3 p{};
        b.corners.clear();
        for (std::size_t k = 0; k < e.properties.size(); ++k) {
            const Property& prop = e.properties[k];
            if (!prop.list) {
                if (!d.next(token)) {
                    return ends_early(r);
                }
                if (is_vertex) {
                    for (std::size_t c = 0; c < 3; ++c) {
                        if (roles.xyz[c] == k && !parse_double(token, p[c])) {
                            return not_number(r, "数値");
                        }
                    }
                }
                continue;
            }
            double n = 0.0;
            if (!d.next(token)) {
                return ends_early(r);
            }
            if (!parse_whole(token, n) || n < 0.0) {
                return not_number(r, "リストの個数（０以上の整数）");
            }
            const bool corners = is_face && k == roles.indices;
            for (double i = 0; i < n; ++i) {
                if (!d.next(token)) {
                    return ends_early(r);
                }
                if (!corners) {
                    continue;
                }
                double index = 0.0;
                if (!parse_whole(token, index)) {
                    return not_number(r, "頂点番号（整数）");
                }
                if (!index_ok(index, b.vertex_count)) {
                    error = {index_reason(record_name(e, r), index, b.vertex_count), d.line(),
                             d.field()};
                    return Status::error;
                }
                b.corners.push_back(static_cast<int>(index) + 1);
            }
        }
        if (is_vertex) {
            b.mesh.points.xyz.push_back(p);
        } else if (is_face) {
            add_face(b);
        }
        if (passed && d.position() >= next_report) {
            if (!passed(d.position())) {
                error = cancelled_error();
                return Status::error;
            }
            next_report = d.position() + passed_step;
        }
    }
    return Status::ok;
}

/// Leaves out vertices whose coordinates are not finite, and the triangles that use them.
void drop_unusable_vertices(LoadedMesh& mesh)
{
    std::vector<Vec3>& xyz = mesh.points.xyz;
    const auto finite = [](const Vec3& p) {
        return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
    };
    if (std::all_of(xyz.begin(), xyz.end(), finite)) {
        return;
    }
    std::vector<int> number(xyz.size() + 1, 0);  // old point number -> new, 0 dropped
    std::size_t kept = 0;
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        if (finite(xyz[i])) {
            xyz[kept] = xyz[i];
            number[i + 1] = static_cast<int>(++kept);
        }
    }
    const std::size_t dropped = xyz.size() - kept;
    xyz.resize(kept);
    std::size_t t_kept = 0;
    for (std::size_t t = 0; t < mesh.tri_a.size(); ++t) {
        const int a = number[static_cast<std::size_t>(mesh.tri_a[t])];
        const int b = number[static_cast<std::size_t>(mesh.tri_b[t])];
        const int c = number[static_cast<std::size_t>(mesh.tri_c[t])];
        if (a != 0 && b != 0 && c != 0) {
            mesh.tri_a[t_kept] = a;
            mesh.tri_b[t_kept] = b;
            mesh.tri_c[t_kept] = c;
            ++t_kept;
        }
    }
    const std::size_t t_dropped = mesh.tri_a.size() - t_kept;
    mesh.tri_a.resize(t_kept);
    mesh.tri_b.resize(t_kept);
    mesh.tri_c.resize(t_kept);
    std::string note = "座標が有限の数でない頂点" + std::to_string(dropped) + "個";
    if (t_dropped > 0) {
        note += "と、それを使う三角形" + std::to_string(t_dropped) + "個";
    }
    mesh.notes.push_back(note + "は読み込みませんでした。");
}

Status read_ply_data(std::string_view bytes, const Header& h, const Roles& roles, Build& b,
                     ReadError& error, const BytesPassed& passed)
{
    const Element& v = h.elements[roles.vertex];
    b.vertex_count = v.count;
    b.mesh.points.xyz.reserve(static_cast<std::size_t>(v.count));
    if (roles.face < h.elements.size()) {
        const Element& f = h.elements[roles.face];
        const Property& list = f.properties[roles.indices];
         // As many triangles as faces when they are triangles; never more than the data holds.
        const std::size_t per_triangle =
            h.encoding == Encoding::ascii ? 8
                                          : type_size(list.count_type) + 3 * type_size(list.type);
        const std::size_t guess =
            std::min<std::uint64_t>(f.count, (bytes.size() - h.data_start) / per_triangle);
        b.mesh.tri_a.reserve(guess);
        b.mesh.tri_b.reserve(guess);
        b.mesh.tri_c.reserve(guess);
    }
    std::size_t end = 0;
    bool rest = false;
    if (h.encoding == Encoding::ascii) {
        AsciiData d(bytes, h.data_start, h.data_line);
        for (std::size_t k = 0; k < h.elements.size(); ++k) {
            if (read_ascii_element(d, h.elements[k], k, roles, b, error, passed) ==
                Status::error) {
                return Status::error;
            }
        }
        std::string_view token;
        rest = d.next(token);
    } else {
        BinaryData d(bytes, h.data_start, h.encoding == Encoding::big_endian);
        for (std::size_t k = 0; k < h.elements.size(); ++k) {
            if (read_binary_element(d, h.elements[k], k, roles, b, error, passed) ==
                Status::error) {
                return Status::error;
            }
        }
        end = d.position();
        rest = end < bytes.size();
    }
    drop_unusable_vertices(b.mesh);
    b.mesh.points.label.assign(b.mesh.points.xyz.size(), 0.0);
    if (b.short_faces > 0) {
        b.mesh.notes.push_back("頂点が３つ未満の面" + std::to_string(b.short_faces) +
                               "個は読み込みませんでした。");
    }
    if (roles.faces_without_indices) {
        b.mesh.notes.emplace_back(
            "面（face）に頂点番号（vertex_indices）の属性がないため、点だけを読み込みました。");
    }
    if (rest) {
        b.mesh.notes.push_back(h.encoding == Encoding::ascii
                                   ? std::string("最後の要素のあとの値は読み込みませんでした。")
                                   : "最後の要素のあとの" + std::to_string(bytes.size() - end) +
                                         "バイトは読み込みませんでした。");
    }
    return Status::ok;
}

void append_number(std::string& out, double x)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
    out.append(buffer, result.ptr);
}

}   // namespace

Status read_ply_mesh(std::string_view bytes, LoadedMesh& out, ReadError& error,
                     const BytesPassed& passed)
{
    Header h;
    Roles roles;
    if (parse_header(bytes, h, error) == Status::error ||
        find_roles(h, roles, error) == Status::error ||
        check_counts(h, bytes.size() - h.data_start, error) == Status::error) {
        return Status::error;
    }
    // Memory running out (std::bad_alloc) is the caller's to report: `out` is not yet touched.
    Build b;
    if (read_ply_data(bytes, h, roles, b, error, passed) == Status::error) {
        return Status::error;
    }
    out = std::move(b.mesh);
    return Status::ok;
}

std::string write_ply_mesh(std::span<const Vec3> points, std::span<const int> tri_a,
                           std::span<const int> tri_b, std::span<const int> tri_c,
                           PlyEncoding encoding)
{
    assert(tri_a.size() == tri_b.size() && tri_a.size() == tri_c.size() &&
           "one entry per triangle in each corner list");
    const bool ascii = encoding == PlyEncoding::ascii;
    std::string out = "ply\n";
    out += ascii ? "format ascii 1.0\n" : "format binary_little_endian 1.0\n";
    out += "comment written by Tengun\n";
    out += "element vertex " + std::to_string(points.size()) + "\n";
    out += "property double x\nproperty double y\nproperty double z\n";
    if (!tri_a.empty()) {
        out += "element face " + std::to_string(tri_a.size()) + "\n";
        out += "property list uchar int vertex_indices\n";
    }
    out += "end_header\n";
    out.reserve(out.size() + (ascii ? 60 : 24) * points.size() + (ascii ? 30 : 13) * tri_a.size());
    for (const Vec3& p : points) {
        if (ascii) {
            append_number(out, p[0]);
            out += ' ';
            append_number(out, p[1]);
            out += ' ';
            append_number(out, p[2]);
            out += '\n';
        } else {
            append_le(out, p[0]);
            append_le(out, p[1]);
            append_le(out, p[2]);
        }
    }
    for (std::size_t t = 0; t < tri_a.size(); ++t) {
        const std::array<int, 3> corners{tri_a[t], tri_b[t], tri_c[t]};
        if (ascii) {
            out += '3';
            for (const int c : corners) {
                out += ' ';
                out += std::to_string(c - 1);
            }
            out += '\n';
        } else {
            out += static_cast<char>(3);
            for (const int c : corners) {
                assert(c >= 1 && static_cast<std::size_t>(c) <= points.size() &&
                       "corners are point numbers of the cloud");
                append_le(out, static_cast<std::int32_t>(c - 1));
            }
        }
    }
    return out;
}

}   // namespace tengun
