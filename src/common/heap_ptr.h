// Owns one block of the process heap.
#pragma once

#include "platform/heap.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace qmt {

template<typename T>
class HeapPtr {
public:
    HeapPtr() = default;
    explicit HeapPtr(T* block)
        : m_block(block)
    {
    }
    HeapPtr(HeapPtr&& other) noexcept
        : m_block(other.leak())
    {
    }
    HeapPtr& operator=(HeapPtr&& other) noexcept
    {
        if (this != &other)
            reset(other.leak());
        return *this;
    }
    HeapPtr(HeapPtr const&) = delete;
    HeapPtr& operator=(HeapPtr const&) = delete;
    ~HeapPtr() { reset(); }

    // Elements may themselves be pointers (to structures, say): sizeof(T) is the element's size.
    static HeapPtr allocate(std::size_t elements)
    {
        if (elements > SIZE_MAX / sizeof(T)) // NOLINT(bugprone-sizeof-expression)
            return HeapPtr {};
        std::size_t const bytes = elements * sizeof(T); // NOLINT(bugprone-sizeof-expression)
        return HeapPtr {static_cast<T*>(platform::heap_allocate(bytes))};
    }

    void reset(T* block = nullptr) { platform::heap_free(std::exchange(m_block, block)); }
    T* leak() { return std::exchange(m_block, nullptr); }
    T* get() const { return m_block; }
    explicit operator bool() const { return m_block != nullptr; }

private:
    T* m_block {nullptr};
};

} // namespace qmt
