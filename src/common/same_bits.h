#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace kr5061 {

// Whether two values (or two runs of count values) hold the same bytes. The
// caches of the paints compare their keys this way: a float key then tells
// -0 from 0 and finds a NaN equal to itself, so a key is "the same" exactly
// when every computation made from it gives the same bits. Only for types
// without padding, whose bytes are all value.
template <class T>
bool sameBits(const T* a, const T* b, std::size_t count) {
    static_assert(std::is_trivially_copyable_v<T>);
    return std::memcmp(a, b, sizeof(T) * count) == 0;
}

template <class T>
bool sameBits(const T& a, const T& b) {
    return sameBits(&a, &b, 1);
}

}  // namespace kr5061
