#pragma once
// Values stored little-endian at any byte position, as the binary point formats keep them.
// The caller has checked that the bytes are there; nothing here looks at bounds or alignment.

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

namespace tengun {

/// The value of type T (an integer or floating-point type) whose bytes start at `p`.
template <class T> [[nodiscard]] inline T load_le(const char* p)
{
    static_assert(std::is_arithmetic_v<T>);
    char bytes[sizeof(T)];
    std::memcpy(bytes, p, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) {
        std::reverse(bytes, bytes + sizeof(T));
    }
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

}  // namespace tengun
