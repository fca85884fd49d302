#pragma once
// Numbers stored in a file in a given byte order, read from and written to unaligned bytes.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace tengun {

template <class T> T byte_swapped(T value)
{
    static_assert(std::is_trivially_copyable_v<T>);
    unsigned char b[sizeof(T)];
    std::memcpy(b, &value, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T) / 2; ++i) {
        const unsigned char t = b[i];
        b[i] = b[sizeof(T) - 1 - i];
        b[sizeof(T) - 1 - i] = t;
    }
    std::memcpy(&value, b, sizeof(T));
    return value;
}

/// The T stored at `p` in little-endian (big_endian false) or big-endian order.
template <class T> T load_as(const char* p, bool big_endian)
{
    T value;
    std::memcpy(&value, p, sizeof(T));
    if (big_endian != (std::endian::native == std::endian::big)) {
        value = byte_swapped(value);
    }
    return value;
}

template <class T> T load_le(const char* p)
{
    return load_as<T>(p, false);
}

/// Appends the bytes of `value` in little-endian order.
template <class T> void append_le(std::string& out, T value)
{
    if constexpr (std::endian::native == std::endian::big) {
        value = byte_swapped(value);
    }
    char b[sizeof(T)];
    std::memcpy(b, &value, sizeof(T));
    out.append(b, sizeof(T));
}

}  // namespace tengun
