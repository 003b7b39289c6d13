// Storage for the template store's private copies of names and values. The copies live
// until the whole store is released and never one by one, so they are cut from blocks of
// the process heap in order: a section of many rows costs a few allocations and frees, not
// two of each per entry.
#pragma once

#include <cstddef>

namespace qmt {

class TextArena {
public:
    TextArena() = default;
    TextArena(TextArena const&) = delete;
    TextArena& operator=(TextArena const&) = delete;
    ~TextArena() { release(); }

    // `bytes` of storage at a multiple of `alignment` (a power of two no larger than a
    // pointer's); null when memory is short.
    void* allocate(std::size_t bytes, std::size_t alignment);
    // Frees every copy.
    void release();

private:
    struct Block;
    Block* take_block(std::size_t bytes);

    Block* m_blocks {nullptr}; // the one being filled first
    std::size_t m_next_size {first_block_size};

    static constexpr std::size_t first_block_size = 2048;
    static constexpr std::size_t largest_block_size = 256 * 1024;
};

} // namespace qmt
