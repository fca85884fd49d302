#pragma once
// Range images stored as uncompressed bottom-up Windows bitmaps of 1, 4, 8 or 24 bits per pixel:
// pixel (x, y) becomes the point (x - W/2, y - H/2, z), row y = 0 being the first row stored.
// z is the grey value / 2 for 24 bits (only where it is non-zero and differs from the last
// point's), the palette index for 8 and 4 bits, 1 for a 0 bit of a 1-bit image (1 bits: none).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/file_io.h"
#include "geometry/point_cloud.h"

namespace tengun {

/// The header fields the reader uses, checked against the file's length.
struct BitmapLayout {
    std::size_t data_offset = 0;  ///< file offset of the first stored row
    std::size_t width = 0;
    std::size_t height = 0;
    int bits_per_pixel = 0;  ///< 1, 4, 8 or 24
    std::size_t stride = 0;  ///< bytes per stored row, a multiple of 4
};

/// Decodes and checks the header. Status::error with a reason when the bytes are not a bitmap,
/// the bitmap is compressed, top-down, of another depth or empty, or its rows run past the end
/// of the bytes (the last row's padding may be missing).
[[nodiscard]] Status read_bitmap_layout(std::string_view bytes, BitmapLayout& layout,
                                        ReadError& error);

/// Height of a 24-bit pixel stored blue, green, red: its grey value (0.299 R + 0.587 G +
/// 0.114 B) halved.
double bitmap_height_24(const unsigned char* bgr);

/// Adds the point (x - W/2, y - H/2, z) with exact halves (odd sizes give half-pixel positions).
void add_pixel_point(PointCloud& points, std::size_t x, std::size_t y, std::size_t width,
                     std::size_t height, double z);

/// The points of a bitmap file held in `bytes`. On Status::error (reasons of
/// read_bitmap_layout) `cloud` is unchanged. Labels are 0.
[[nodiscard]] Status read_bitmap_points(std::string_view bytes, PointCloud& cloud,
                                        ReadError& error);

}  // namespace tengun
