#include "template/text_arena.h"

#include "platform/heap.h"

#include <cstdint>
#include <cstring>

namespace qmt {

struct TextArena::Block {
    Block* next;
    std::size_t capacity; // in units
    std::size_t used;
    WideChar* units() { return reinterpret_cast<WideChar*>(this + 1); }
};

WideChar* TextArena::copy(WideChar const* text, std::size_t length)
{
    if (length >= (SIZE_MAX - sizeof(Block)) / sizeof(WideChar))
        return nullptr;
    std::size_t const units = length + 1;
    Block* block = m_blocks;
    if (block == nullptr || block->capacity - block->used < units) {
        block = take_block(units);
        if (block == nullptr)
            return nullptr;
    }
    WideChar* copy = block->units() + block->used;
    if (length > 0)
        std::memcpy(copy, text, length * sizeof(WideChar));
    copy[length] = 0;
    block->used += units;
    return copy;
}

TextArena::Block* TextArena::take_block(std::size_t units)
{
    bool const oversized = units > m_next_units;
    std::size_t const capacity = oversized ? units : m_next_units;
    auto* block = static_cast<Block*>(platform::heap_allocate(sizeof(Block) + capacity * sizeof(WideChar)));
    if (block == nullptr)
        return nullptr;
    block->capacity = capacity;
    block->used = 0;
    if (oversized && m_blocks != nullptr) {
        // A text larger than a block gets one of its own, behind the block being filled,
        // which keeps its room for the texts that follow.
        block->next = m_blocks->next;
        m_blocks->next = block;
        return block;
    }
    block->next = m_blocks;
    m_blocks = block;
    if (!oversized && m_next_units < largest_block_units)
        m_next_units *= 2;
    return block;
}

void TextArena::release()
{
    while (m_blocks != nullptr) {
        Block* const next = m_blocks->next;
        platform::heap_free(m_blocks);
        m_blocks = next;
    }
    m_next_units = first_block_units;
}

} // namespace qmt
