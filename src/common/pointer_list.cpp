#include "common/pointer_list.h"

#include "platform/heap.h"

#include <cstring>

namespace qmt {

bool PointerList::append(void* pointer)
{
    if (m_count == INT32_MAX)
        return false;
    if (m_count == m_capacity) {
        std::int32_t const capacity = m_capacity == 0 ? 4 : (m_capacity > INT32_MAX / 2 ? INT32_MAX : m_capacity * 2);
        std::size_t const bytes = static_cast<std::size_t>(capacity) * sizeof(void*);
        void* grown
            = m_entries == nullptr ? platform::heap_allocate(bytes) : platform::heap_reallocate(m_entries, bytes);
        if (grown == nullptr)
            return false;
        m_entries = static_cast<void**>(grown);
        m_capacity = capacity;
    }
    m_entries[m_count++] = pointer;
    return true;
}

bool PointerList::copy_from(PointerList const& other)
{
    clear();
    if (other.m_count == 0)
        return true;
    std::size_t const bytes = static_cast<std::size_t>(other.m_count) * sizeof(void*);
    m_entries = static_cast<void**>(platform::heap_allocate(bytes));
    if (m_entries == nullptr)
        return false;
    std::memcpy(m_entries, other.m_entries, bytes);
    m_count = other.m_count;
    m_capacity = other.m_count;
    return true;
}

void PointerList::clear()
{
    platform::heap_free(m_entries);
    m_entries = nullptr;
    m_count = 0;
    m_capacity = 0;
}

} // namespace qmt
