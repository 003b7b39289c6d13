#include "template/text_arena.h"

#include "platform/heap.h"

#include <cstdint>

namespace qmt {

struct TextArena::Block {
    Block* next;
    std::size_t capacity; // in bytes
    std::size_t used;
    unsigned char* bytes() { return reinterpret_cast<unsigned char*>(this + 1); }
};

void* TextArena::allocate(std::size_t bytes, std::size_t alignment)
{
    if (bytes > SIZE_MAX - sizeof(Block) - alignment)
        return nullptr;
    Block* block = m_blocks;
    std::size_t start = block == nullptr ? 0 : (block->used + alignment - 1) & ~(alignment - 1);
    if (block == nullptr || start > block->capacity || block->capacity - start < bytes) {
        block = take_block(bytes);
        if (block == nullptr)
            return nullptr;
        start = block->used;
    }
    void* storage = block->bytes() + start;
    block->used = start + bytes;
    return storage;
}

TextArena::Block* TextArena::take_block(std::size_t bytes)
{
    bool const oversized = bytes > m_next_size;
    std::size_t const capacity = oversized ? bytes : m_next_size;
    auto* block = static_cast<Block*>(platform::heap_allocate(sizeof(Block) + capacity));
    if (block == nullptr)
        return nullptr;
    block->capacity = capacity;
    block->used = 0;
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
    m_next_size = first_block_size;
}

} // namespace qmt
