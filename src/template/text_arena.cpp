#include "template/text_arena.h"

#include "platform/heap.h"

namespace qmt {

// Followed by its bytes, which start at a pointer's alignment.
struct TextArena::Block {
    Block* next;
    std::size_t capacity; // in bytes
    unsigned char* bytes() { return reinterpret_cast<unsigned char*>(this + 1); }
};

void* TextArena::allocate_in_new_block(std::size_t bytes)
{
    if (bytes > SIZE_MAX - sizeof(Block))
        return nullptr;
    Block* const block = take_block(bytes);
    if (block == nullptr)
        return nullptr;
    if (block != m_blocks)
        return block->bytes(); // one of its own, filled by this copy
    m_free = block->bytes() + bytes;
    m_free_end = block->bytes() + block->capacity;
    return block->bytes();
}

TextArena::Block* TextArena::take_block(std::size_t bytes)
{
    bool const oversized = bytes > m_next_size;
    std::size_t const capacity = oversized ? bytes : m_next_size;
    auto* block = static_cast<Block*>(platform::heap_allocate(sizeof(Block) + capacity));
    if (block == nullptr)
        return nullptr;
    block->capacity = capacity;
    if (oversized && m_blocks != nullptr) {
        // A copy larger than a block gets one of its own, behind the block being filled,
        // which keeps its room for the copies that follow.
        block->next = m_blocks->next;
        m_blocks->next = block;
        return block;
    }
    block->next = m_blocks;
    m_blocks = block;
    if (!oversized && m_next_size < largest_block_size)
        m_next_size *= 2;
    return block;
}

void TextArena::release()
{
    while (m_blocks != nullptr) {
        Block* const next = m_blocks->next;
        platform::heap_free(m_blocks);
        m_blocks = next;
    }
    m_free = nullptr;
    m_free_end = nullptr;
    m_next_size = first_block_size;
}

} // namespace qmt
