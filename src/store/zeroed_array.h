#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>

namespace kr5061 {

// One large fixed-capacity array, allocated once, that starts out all zero
// without being written: the block comes from calloc, which serves large
// blocks with fresh pages from the system (zero-filled by it on first touch)
// and does not clear them again. Pages are therefore only resident once data
// lands in them. Indexing and conversion to
// the array type work as with a plain member array; sizeof does not, so use
// kBytes. Not copyable: the arrays are process-wide state.
template <typename Array>
class ZeroedArray {
    static_assert(std::is_array_v<Array> && std::is_trivial_v<std::remove_all_extents_t<Array>>);
    using Row = std::remove_extent_t<Array>;

public:
    static constexpr std::size_t kBytes = sizeof(Array);

    ZeroedArray() : m_rows(static_cast<Row*>(std::calloc(1, kBytes))) {
        if (m_rows == nullptr) {
            throw std::bad_alloc();
        }
    }
    ~ZeroedArray() { std::free(m_rows); }
    ZeroedArray(const ZeroedArray&) = delete;
    ZeroedArray& operator=(const ZeroedArray&) = delete;

    Row& operator[](std::size_t i) { return m_rows[i]; }
    const Row& operator[](std::size_t i) const { return m_rows[i]; }
    Array& all() { return *reinterpret_cast<Array*>(m_rows); }
    const Array& all() const { return *reinterpret_cast<const Array*>(m_rows); }
    operator Array&() { return all(); }
    operator const Array&() const { return all(); }

private:
    Row* m_rows;
};

}  // namespace kr5061
