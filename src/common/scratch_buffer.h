// A heap buffer whose capacity is counted in elements. Reserving never shrinks it and
// never carries old content over: a reservation beyond the capacity frees the old storage
// and allocates exactly what was asked for.
#pragma once

#include "platform/heap.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace qmt {

template<typename Element>
class ScratchBuffer {
public:
    ScratchBuffer() = default;
    ScratchBuffer(ScratchBuffer const&) = delete;
    ScratchBuffer& operator=(ScratchBuffer const&) = delete;
    ScratchBuffer(ScratchBuffer&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr))
        , m_capacity(std::exchange(other.m_capacity, 0))
    {
    }
    ~ScratchBuffer() { release(); }

    // False when the storage cannot be had; the buffer is then empty with capacity 0.
    bool reserve(std::size_t elements)
    {
        if (m_data != nullptr && m_capacity >= elements)
            return true;
        release();
        if (elements > SIZE_MAX / sizeof(Element))
            return false;
        m_data = static_cast<Element*>(platform::heap_allocate(elements * sizeof(Element)));
        if (m_data == nullptr)
            return false;
        m_capacity = elements;
        return true;
    }

    void release()
    {
        platform::heap_free(m_data);
        m_data = nullptr;
        m_capacity = 0;
    }

    Element* data() { return m_data; }
    Element const* data() const { return m_data; }
    std::size_t capacity() const { return m_capacity; }

private:
    Element* m_data {nullptr};
    std::size_t m_capacity {0};
};

} // namespace qmt
