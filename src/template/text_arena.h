// Storage for the template store's private copies of names and values. The copies live
// until the whole store is released and never one by one, so they are cut from blocks of
// the process heap in order: a section of many rows costs a few allocations and frees, not
// two of each per entry.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmt {

class TextArena {
public:
    TextArena() = default;
    TextArena(TextArena const&) = delete;
    TextArena& operator=(TextArena const&) = delete;
    ~TextArena() { release(); }

    // `bytes` of storage at a multiple of `alignment` (a power of two no larger than a
    // pointer's); null when memory is short.
    void* allocate(std::size_t bytes, std::size_t alignment)
    {
        auto const free = reinterpret_cast<std::uintptr_t>(m_free);
        std::size_t const padding = ((free + alignment - 1) & ~(alignment - 1)) - free;
        if (m_free != nullptr && padding <= free_size() && bytes <= free_size() - padding) {
            unsigned char* const storage = m_free + padding;
            m_free = storage + bytes;
            return storage;
        }
        return allocate_in_new_block(bytes);
    }

    // The unused bytes of the block being filled, for a copy whose size is learnt while
    // writing it there: `keep` then takes its first bytes as if allocated. Null (and a size
    // of 0) before the first block.
    unsigned char* free_bytes() const { return m_free; }
    std::size_t free_size() const { return static_cast<std::size_t>(m_free_end - m_free); }
    void keep(std::size_t bytes) { m_free += bytes; }

    // Frees every copy.
    void release();

private:
    struct Block;
    void* allocate_in_new_block(std::size_t bytes);
    Block* take_block(std::size_t bytes);

    Block* m_blocks {nullptr}; // the one being filled first
    unsigned char* m_free {nullptr}; // its unused bytes
    unsigned char* m_free_end {nullptr};
    std::size_t m_next_size {first_block_size};

    static constexpr std::size_t first_block_size = 2048;
    static constexpr std::size_t largest_block_size = 256 * 1024;
};

} // namespace qmt
