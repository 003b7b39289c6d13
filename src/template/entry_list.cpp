#include "template/entry_list.h"

#include "platform/heap.h"

#include <algorithm>
#include <cstdint>

namespace qmt {

bool EntryList::add_block()
{
    if (m_size >= most_entries || m_block_count == most_blocks)
        return false;
    std::size_t const capacity = std::min(block_capacity(m_block_count), most_entries - m_size);
    if (capacity > SIZE_MAX / sizeof(SectionEntry))
        return false;
    auto* const block = static_cast<SectionEntry*>(platform::heap_allocate(capacity * sizeof(SectionEntry)));
    if (block == nullptr)
        return false;
    m_blocks[m_block_count++] = block;
    m_free = block;
    m_block_end = block + capacity;
    return true;
}

void EntryList::clear()
{
    for (std::size_t block = 0; block < m_block_count; ++block)
        platform::heap_free(m_blocks[block]);
    m_blocks = {};
    m_block_count = 0;
    m_free = nullptr;
    m_block_end = nullptr;
    m_size = 0;
}

} // namespace qmt
