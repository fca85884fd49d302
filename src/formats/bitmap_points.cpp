#include "formats/bitmap_points.h"

#include <array>
#include <string>

namespace tengun {

namespace {

constexpr std::size_t file_header_size = 14;
constexpr std::size_t info_header_min = 40;  // BITMAPINFOHEADER; later versions extend it

std::uint32_t u16_at(std::string_view b, std::size_t k)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[k])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[k + 1])) << 8U;
}

std::uint32_t u32_at(std::string_view b, std::size_t k)
{
    return u16_at(b, k) | u16_at(b, k + 2) << 16U;
}

std::int32_t i32_at(std::string_view b, std::size_t k)
{
    return static_cast<std::int32_t>(u32_at(b, k));
}

std::size_t round_up_div(std::size_t a, std::size_t b)
{
    return (a + b - 1) / b;
}

/// Grey value of a blue, green, red pixel, summed in this order as the height rule defines it.
struct GreyTable {
    std::array<double, 256> red{}, green{}, blue{};
    GreyTable()
    {
        for (int v = 0; v < 256; ++v) {
            red[v] = 0.299 * v;
            green[v] = 0.587 * v;
            blue[v] = 0.114 * v;
        }
    }
};

}  // namespace

Status read_bitmap_layout(std::string_view bytes, BitmapLayout& layout, ReadError& error)
{
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
        error = {"ビットマップ（BMP）ファイルではありません"};
        return Status::error;
    }
    if (bytes.size() < file_header_size + info_header_min) {
        error = {"ファイルが途中で終わっています（ヘッダーが不完全です）"};
        return Status::error;
    }
    if (u32_at(bytes, 14) < info_header_min) {
        error = {"この形式のビットマップ（OS/2 形式）には対応していません"};
        return Status::error;
    }
    const std::int32_t width = i32_at(bytes, 18);
    const std::int32_t height = i32_at(bytes, 22);
    const std::uint32_t bits = u16_at(bytes, 28);
    const std::uint32_t compression = u32_at(bytes, 30);
    if (height < 0) {
        error = {"上から下へ格納されたビットマップ（高さが負）には対応していません"};
        return Status::error;
    }
    if (width <= 0 || height == 0) {
        error = {"画素がありません（幅 " + std::to_string(width) + "、高さ " +
                 std::to_string(height) + "）"};
        return Status::error;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
        error = {std::to_string(bits) +
                 "ビットのビットマップには対応していません（1、4、8、24ビットのみ）"};
        return Status::error;
    }
    if (compression != 0) {
        error = {"圧縮されたビットマップには対応していません"};
        return Status::error;
    }
    BitmapLayout l;
    l.data_offset = u32_at(bytes, 10);
    l.width = static_cast<std::size_t>(width);
    l.height = static_cast<std::size_t>(height);
    l.bits_per_pixel = static_cast<int>(bits);
    const std::size_t row_bits = l.width * bits;
    l.stride = 4 * round_up_div(row_bits, 32);
    const std::size_t row_bytes = round_up_div(row_bits, 8);
    // Every row but the last needs its padding too; sizes are checked by division so that no
    // product can overflow.
    const bool fits = l.data_offset <= bytes.size() &&
                      (l.height - 1) <= (bytes.size() - l.data_offset) / l.stride &&
                      row_bytes <= bytes.size() - l.data_offset - (l.height - 1) * l.stride;
    if (!fits) {
        error = {"ファイルが途中で終わっています（" + std::to_string(l.width) + "×" +
                 std::to_string(l.height) + "画素のデータがファイルに収まりません）"};
        return Status::error;
    }
    layout = l;
    return Status::ok;
}

void add_pixel_point(PointCloud& points, std::size_t x, std::size_t y, std::size_t width,
                     std::size_t height, double z)
{
    points.add({static_cast<double>(x) - static_cast<double>(width) / 2.0,
                static_cast<double>(y) - static_cast<double>(height) / 2.0, z});
}

double bitmap_height_24(const unsigned char* bgr)
{
    static const GreyTable grey;
    return (grey.red[bgr[2]] + grey.green[bgr[1]] + grey.blue[bgr[0]]) / 2.0;
}

Status read_bitmap_points(std::string_view bytes, PointCloud& cloud, ReadError& error)
{
    BitmapLayout l;
    if (read_bitmap_layout(bytes, l, error) == Status::error) {
        return Status::error;
    }
    const std::size_t w = l.width;
    const std::size_t h = l.height;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data()) + l.data_offset;

    // The coordinates add_pixel_point gives, written straight into the store with the column
    // positions computed once; the labels (all 0) are set at the end.
    std::vector<Vec3> xyz;
    if (l.bits_per_pixel != 1) {
        xyz.reserve(w * h);
    }
    std::vector<double> column(w);
    for (std::size_t x = 0; x < w; ++x) {
        column[x] = static_cast<double>(x) - static_cast<double>(w) / 2.0;
    }
    double row_y = 0.0;
    const auto add = [&](std::size_t x, double z) { xyz.push_back({column[x], row_y, z}); };

    double last_z = 0.0;
    for (std::size_t y = 0; y < h; ++y) {
        const unsigned char* row = data + l.stride * y;
        row_y = static_cast<double>(y) - static_cast<double>(h) / 2.0;
        switch (l.bits_per_pixel) {
        case 24:
            for (std::size_t x = 0; x < w; ++x) {
                const double z = bitmap_height_24(row + 3 * x);
                if (z != 0.0 && z != last_z) {
                    add(x, z);
                    last_z = z;
                }
            }
            break;
        case 8:
            for (std::size_t x = 0; x < w; ++x) {
                add(x, row[x]);
            }
            break;
        case 4:
            for (std::size_t x = 0; x < w; ++x) {
                const unsigned b = row[x / 2];
                add(x, (x % 2 == 0) ? (b >> 4U) : (b & 0x0FU));
            }
            break;
        default:  // 1 bit: a 0 bit is a point of height 1
            for (std::size_t x = 0; x < w; ++x) {
                if (((row[x / 8] >> (7 - x % 8)) & 1U) == 0) {
                    add(x, 1.0);
                }
            }
            break;
        }
    }
    cloud.label.assign(xyz.size(), 0.0);
    cloud.xyz = std::move(xyz);
    return Status::ok;
}

}  // namespace tengun
