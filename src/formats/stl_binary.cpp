#include "formats/stl_binary.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <limits>

#include "formats/byte_order.h"
#include "formats/stl_mesh.h"

namespace tengun {

namespace {

constexpr std::size_t header_bytes = 84;
constexpr std::size_t facet_bytes = 50;
constexpr std::size_t text_probe_bytes = 4096;
// How often the reader says how far it is: often enough that little of a big file is resident.
constexpr std::size_t passed_step = std::size_t{8} << 20U;

std::uint32_t facet_count(std::string_view bytes)
{
    return load_le<std::uint32_t>(&bytes[80]);
}

std::uint64_t size_for(std::uint32_t facets)
{
    return header_bytes + std::uint64_t{facet_bytes} * facets;
}

bool is_text(std::string_view head)
{
    return head.substr(0, text_probe_bytes).find('\0') == std::string_view::npos;
}

std::string number_text(std::uint64_t n) { return std::to_string(n); }

/// The corners of a binary STL by exact equality, as PointIndex finds them but keyed by the
/// stored single-precision bits, so that a lookup touches one slot and never the point list:
/// the merge of a million facets is bound by memory latency, and this halves the misses. The
/// bits of -0 are taken as those of 0, which keeps "equal" what it is for the doubles.
class CornerIndex {
public:
    explicit CornerIndex(std::size_t expected_points)
    {
        std::size_t size = 64;
        while (size < 2 * expected_points) {
            size *= 2;
        }
        slots_.assign(size, Slot{});
        mask_ = size - 1;
    }

    struct Key {
        std::uint32_t x, y, z;
    };

    static Key key_of(const char* p)
    {
        const auto bits = [](const char* q) {
            const std::uint32_t b = load_le<std::uint32_t>(q);
            return b == 0x80000000U ? 0U : b;  // -0 is 0
        };
        return {bits(p), bits(p + 4), bits(p + 8)};
    }

    static std::uint64_t hash(const Key& k)
    {
        std::uint64_t h = (std::uint64_t{k.x} << 32U | k.y) * 0x9E3779B97F4A7C15ULL;
        h ^= (h >> 29U) + std::uint64_t{k.z} * 0xBF58476D1CE4E5B9ULL;
        h ^= h >> 32U;
        return h * 0x94D049BB133111EBULL;
    }

    void prefetch(std::uint64_t h) const { __builtin_prefetch(&slots_[h & mask_]); }

    /// The point number of the key, or 0 after adding it as point `next` (1-based).
    std::uint32_t find_or_add(const Key& k, std::uint64_t h, std::uint32_t next)
    {
        std::size_t at = h & mask_;
        while (true) {
            Slot& s = slots_[at];
            if (s.number == 0) {
                s = {k, next};
                if (++used_ * 2 > slots_.size()) {
                    grow();
                }
                return 0;
            }
            if (s.key.x == k.x && s.key.y == k.y && s.key.z == k.z) {
                return s.number;
            }
            at = (at + 1) & mask_;
        }
    }

private:
    struct Slot {
        Key key{};
        std::uint32_t number = 0;  ///< 0: empty
    };

    void grow()
    {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        mask_ = slots_.size() - 1;
        for (const Slot& s : old) {
            if (s.number != 0) {
                std::size_t at = hash(s.key) & mask_;
                while (slots_[at].number != 0) {
                    at = (at + 1) & mask_;
                }
                slots_[at] = s;
            }
        }
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t used_ = 0;
};

/// x rounded to single precision. Through a volatile float: GCC 12's vectoriser drops a pair of
/// double -> float -> double conversions written side by side, as if they changed nothing.
double single(double x)
{
    const volatile float f = static_cast<float>(x);
    return f;
}

}  // namespace

StlKind stl_kind(std::string_view head, std::uint64_t size)
{
    if (size < header_bytes || head.size() < header_bytes) {
        return StlKind::ascii;
    }
    return size_for(facet_count(head)) == size || !is_text(head) ? StlKind::binary : StlKind::ascii;
}

bool looks_like_binary_stl(std::string_view head, std::uint64_t size)
{
    if (size < header_bytes || head.size() < header_bytes) {
        return false;
    }
    const std::uint64_t needed = size_for(facet_count(head));
    return needed == size || (needed < size && size - needed < stl_padding_limit && !is_text(head));
}

Status read_binary_stl(std::string_view bytes, LoadedMesh& out, ReadError& error,
                       const BytesPassed& passed)
{
    if (bytes.size() < header_bytes) {
        error = {"バイナリSTLの見出し（84バイト）より短いファイルです"};
        return Status::error;
    }
    const std::uint32_t count = facet_count(bytes);
    const std::uint64_t needed = size_for(count);
    if (needed > bytes.size()) {
        const std::size_t complete = (bytes.size() - header_bytes) / facet_bytes;
        error = {"ファイルが途中で終わっています（三角形" + number_text(count) + "個には" +
                     number_text(needed) + "バイト必要ですが、" + number_text(bytes.size()) +
                     "バイトしかありません）",
                 0, 0, header_bytes + complete * facet_bytes};
        return Status::error;
    }
    const std::size_t extra = bytes.size() - static_cast<std::size_t>(needed);
    if (extra >= stl_padding_limit) {
        error = {"三角形" + number_text(count) + "個のあとに" + number_text(extra) +
                     "バイトが余っています（三角形の数がファイルの長さと合いません）",
                 0, 0, static_cast<std::size_t>(needed)};
        return Status::error;
    }
    if (std::uint64_t{3} * count > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
        error = {"三角形が多すぎます（" + number_text(count) + "個）", 0, 0, 80};
        return Status::error;
    }

    LoadedMesh fresh;
    fresh.tri_a.resize(count);
    fresh.tri_b.resize(count);
    fresh.tri_c.resize(count);
    // Closed meshes have about half as many distinct corners as facets.
    fresh.points.xyz.reserve(count / 2 + 3);
    CornerIndex index(count / 2 + 3);
    int* const corners[3] = {fresh.tri_a.data(), fresh.tri_b.data(), fresh.tri_c.data()};
    // The hashes of a block of facets first, each slot prefetched, then the lookups: the
    // misses of a block overlap instead of following one another.
    constexpr std::size_t block = 32;
    std::array<std::uint64_t, 3 * block> hashes{};
    std::array<CornerIndex::Key, 3 * block> keys{};
    std::size_t next_report = passed_step;
    for (std::size_t first = 0; first < count; first += block) {
        const std::size_t last = std::min<std::size_t>(count, first + block);
        for (std::size_t t = first; t < last; ++t) {
            for (std::size_t c = 0; c < 3; ++c) {
                const std::size_t at = header_bytes + t * facet_bytes + 12 + 12 * c;
                const std::size_t j = 3 * (t - first) + c;
                keys[j] = CornerIndex::key_of(&bytes[at]);
                hashes[j] = CornerIndex::hash(keys[j]);
                index.prefetch(hashes[j]);
            }
        }
        for (std::size_t t = first; t < last; ++t) {
            for (std::size_t c = 0; c < 3; ++c) {
                const std::size_t at = header_bytes + t * facet_bytes + 12 + 12 * c;
                const std::size_t j = 3 * (t - first) + c;
                const auto next = static_cast<std::uint32_t>(fresh.points.xyz.size() + 1);
                const std::uint32_t found = index.find_or_add(keys[j], hashes[j], next);
                if (found != 0) {
                    corners[c][t] = static_cast<int>(found);
                    continue;
                }
                const Vec3 p{load_le<float>(&bytes[at]), load_le<float>(&bytes[at + 4]),
                             load_le<float>(&bytes[at + 8])};
                if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
                    error = {number_text(t + 1) + "番目の三角形の頂点" + number_text(c + 1) +
                                 "の座標が有限の数ではありません",
                             0, 0, at};
                    return Status::error;
                }
                fresh.points.xyz.push_back(p);
                corners[c][t] = static_cast<int>(next);
            }
        }
        const std::size_t reached = header_bytes + last * facet_bytes;
        if (passed && reached >= next_report) {
            if (!passed(reached)) {
                error = cancelled_error();
                return Status::error;
            }
            next_report = reached + passed_step;
        }
    }
    fresh.points.label.assign(fresh.points.xyz.size(), 0.0);
    if (extra > 0) {
        fresh.notes.push_back("末尾の" + number_text(extra) + "バイトは無視しました。");
    }
    out = std::move(fresh);
    return Status::ok;
}

Status read_stl(std::string_view bytes, LoadedMesh& out, ReadError& error,
                const BytesPassed& passed)
{
    if (stl_kind(bytes, bytes.size()) == StlKind::binary) {
        return read_binary_stl(bytes, out, error, passed);
    }
    StlMesh mesh;
    if (read_stl_mesh(bytes, mesh, error) == Status::error) {
        return Status::error;
    }
    LoadedMesh fresh;
    fresh.points = std::move(mesh.points);
    fresh.tri_a = std::move(mesh.tri_a);
    fresh.tri_b = std::move(mesh.tri_b);
    fresh.tri_c = std::move(mesh.tri_c);
    if (mesh.repaired_facets > 0) {
        fresh.notes.push_back("「facet」か「endfacet」の行が欠けていた三角形 " +
                              number_text(mesh.repaired_facets) +
                              " 個は、３つの頂点から補って読み込みました。");
    }
    if (mesh.dropped_facets > 0) {
        fresh.notes.push_back("頂点が３つそろわない三角形 " + number_text(mesh.dropped_facets) +
                              " 個は読み込みませんでした。");
    }
    if (mesh.cut_short) {
        fresh.notes.emplace_back("ファイルが三角形の途中で終わっています（途中で切れたファイルの"
                                 "ようです）。最後の不完全な三角形は読み込みませんでした。");
    }
    if (mesh.no_endsolid) {
        fresh.notes.emplace_back("ファイルが「endsolid」で終わっていません。途中で切れたファイル"
                                 "でないか確かめて下さい。");
    }
    out = std::move(fresh);
    return Status::ok;
}

std::string write_binary_stl(std::span<const Vec3> points, std::span<const int> tri_a,
                             std::span<const int> tri_b, std::span<const int> tri_c)
{
    assert(tri_a.size() == tri_b.size() && tri_a.size() == tri_c.size() &&
           "one entry per triangle in each corner list");
    assert(tri_a.size() <= std::numeric_limits<std::uint32_t>::max() &&
           "the count is a 32-bit number");
    std::string out;
    out.reserve(header_bytes + facet_bytes * tri_a.size());
    std::string header = "binary STL written by Tengun";
    header.resize(80, ' ');
    out += header;
    append_le(out, static_cast<std::uint32_t>(tri_a.size()));
    // The corners as the file stores them: in single precision, a zero as +0 whatever its sign
    // (the reader takes -0 and 0 for one point). The normal is that of the stored corners, so
    // the mesh read back writes the same bytes again.
    const auto corner = [&points](int number) -> Vec3 {
        assert(number >= 1 && static_cast<std::size_t>(number) <= points.size() &&
               "corners are point numbers of the cloud");
        const Vec3& p = points[static_cast<std::size_t>(number) - 1];
        return {single(p[0]) + 0.0, single(p[1]) + 0.0, single(p[2]) + 0.0};
    };
    const auto append_xyz = [&out](const Vec3& v) {
        for (const double x : v) {
            append_le(out, static_cast<float>(x) + 0.0F);
        }
    };
    for (std::size_t t = 0; t < tri_a.size(); ++t) {
        const Vec3 a = corner(tri_a[t]);
        const Vec3 b = corner(tri_b[t]);
        const Vec3 c = corner(tri_c[t]);
        append_xyz(facet_normal(a, b, c));
        append_xyz(a);
        append_xyz(b);
        append_xyz(c);
        append_le(out, std::uint16_t{0});
    }
    return out;
}

SinglePrecisionLoss single_precision_loss(std::span<const Vec3> points, std::span<const int> tri_a,
                                          std::span<const int> tri_b, std::span<const int> tri_c)
{
    constexpr double largest = std::numeric_limits<float>::max();
    PointIndex exact_index;
    PointIndex rounded_index;
    PointCloud exact;
    PointCloud rounded;
    int ignored = 0;
    for (const std::span<const int> corners : {tri_a, tri_b, tri_c}) {
        for (const int c : corners) {
            const Vec3& p = points[static_cast<std::size_t>(c) - 1];
            if (std::abs(p[0]) > largest || std::abs(p[1]) > largest || std::abs(p[2]) > largest) {
                return {0, true};
            }
            (void)exact_index.find_or_add_point(exact, p, ignored);
            const Vec3 r{single(p[0]), single(p[1]), single(p[2])};
            (void)rounded_index.find_or_add_point(rounded, r, ignored);
        }
    }
    return {exact.size() - rounded.size(), false};
}

}  // namespace tengun
