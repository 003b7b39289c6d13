// Storage for the template store's private copies of names and values. The copies live
// until the whole store is released and never one by one, so they are cut from blocks of
// the process heap in order: a section of many rows costs a few allocations and frees, not
// two of each per entry.
#pragma once

#include "platform/wide_char.h"

#include <cstddef>

namespace qmt {

class TextArena {
public:
    TextArena() = default;
    TextArena(TextArena const&) = delete;
    TextArena& operator=(TextArena const&) = delete;
    ~TextArena() { release(); }

    // A copy of the first `length` units of `text` with a terminating zero; null when
    // memory is short.
    WideChar* copy(WideChar const* text, std::size_t length);
    // Frees every copy.
    void release();

private:
    struct Block;
    Block* take_block(std::size_t units);

    Block* m_blocks {nullptr}; // the one being filled first
    std::size_t m_next_units {first_block_units};

    static constexpr std::size_t first_block_units = 1024;
    static constexpr std::size_t largest_block_units = 128 * 1024;
};

} // namespace qmt
