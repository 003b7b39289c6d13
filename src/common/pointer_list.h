// A growable array of pointers with a signed 32-bit count. Every append adds exactly one
// entry at the end, keeping the content; clearing frees the array. Storage is reserved ahead
// (doubling), so a list of many entries is not copied once per append.
#pragma once

#include <cstdint>

namespace qmt {

class PointerList {
public:
    PointerList() = default;
    PointerList(PointerList const&) = delete;
    PointerList& operator=(PointerList const&) = delete;
    ~PointerList() { clear(); }

    // False (and the list unchanged) when the array cannot grow.
    bool append(void* pointer);
    // A list holding the same pointers in the same order; false when it cannot be allocated.
    bool copy_from(PointerList const& other);
    void clear();

    std::int32_t count() const { return m_count; }
    void* at(std::int32_t index) const { return m_entries[index]; }

private:
    void** m_entries {nullptr};
    std::int32_t m_count {0};
    std::int32_t m_capacity {0};
};

} // namespace qmt
