// A growable array of plain values on the process heap, for the template engine's short lists
// (placeholders, body positions). Storage is reserved ahead (doubling); an append that cannot
// grow the array leaves it unchanged and says so.
#pragma once

#include "platform/heap.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace qmt {

template<typename T>
class HeapArray {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved by reallocation");

public:
    HeapArray() = default;
    HeapArray(HeapArray const&) = delete;
    HeapArray& operator=(HeapArray const&) = delete;
    ~HeapArray() { clear(); }

    bool append(T const& value)
    {
        if (m_size == m_capacity && !grow())
            return false;
        m_data[m_size++] = value;
        return true;
    }

    void clear()
    {
        platform::heap_free(m_data);
        m_data = nullptr;
        m_size = 0;
        m_capacity = 0;
    }

    std::size_t size() const { return m_size; }
    T& operator[](std::size_t index) { return m_data[index]; }
    T const& operator[](std::size_t index) const { return m_data[index]; }

private:
    // Elements may themselves be pointers (to structures, say): sizeof(T) is the element's size.
    static constexpr std::size_t element_size = sizeof(T); // NOLINT(bugprone-sizeof-expression)

    bool grow()
    {
        std::size_t const capacity = m_capacity == 0 ? 4 : m_capacity * 2;
        if (capacity > SIZE_MAX / element_size)
            return false;
        void* grown = m_data == nullptr ? platform::heap_allocate(capacity * element_size)
                                        : platform::heap_reallocate(m_data, capacity * element_size);
        if (grown == nullptr)
            return false;
        m_data = static_cast<T*>(grown);
        m_capacity = capacity;
        return true;
    }

    T* m_data {nullptr};
    std::size_t m_size {0};
    std::size_t m_capacity {0};
};

} // namespace qmt
