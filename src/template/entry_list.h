// The entries of one section, in the order they were sent. A section may hold hundreds of
// thousands, so they are kept in blocks that are never moved: block b holds
// first_block << b entries, each twice the one before, so that growing never copies
// what is there and a short section costs one small block. An entry's block follows from the
// highest bit of its index; a run of entries within one block is reached through a pointer.
#pragma once

#include "template/section_entry.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace qmt {

class EntryList {
public:
    EntryList() = default;
    EntryList(EntryList const&) = delete;
    EntryList& operator=(EntryList const&) = delete;
    ~EntryList() { clear(); }

    // False (and the list unchanged) when the next block cannot be allocated, or when the
    // list holds the most entries a section may count (INT32_MAX).
    bool append(SectionEntry const& entry)
    {
        if (m_free == m_block_end && !add_block())
            return false;
        *m_free++ = entry;
        ++m_size;
        return true;
    }

    std::size_t size() const { return m_size; }
    SectionEntry const& operator[](std::size_t index) const
    {
        Place const place = place_of(index);
        return m_blocks[place.block][place.offset];
    }
    // The entries from `first` (an index below size()) to the end of its block or of the list.
    struct Run {
        SectionEntry const* entries;
        std::size_t count;
    };
    Run run_from(std::size_t first) const
    {
        Place const place = place_of(first);
        std::size_t const in_block = block_capacity(place.block) - place.offset;
        std::size_t const in_list = m_size - first;
        return {m_blocks[place.block] + place.offset, in_block < in_list ? in_block : in_list};
    }

    void clear();

private:
    static constexpr std::size_t most_entries = INT32_MAX;
    // A row of up to this many entries at the start of the section lies in one block.
    static constexpr std::size_t first_block = 64;
    // Enough blocks for the most entries; the last is cut short at that count.
    static constexpr std::size_t most_blocks = static_cast<std::size_t>(std::bit_width(most_entries / first_block + 1));

    struct Place {
        std::size_t block;
        std::size_t offset;
    };
    // Block b starts at index first_block × (2^b − 1): 2^b is the highest power of two
    // not above index / first_block + 1.
    static Place place_of(std::size_t index)
    {
        std::size_t const start = std::bit_floor(index / first_block + 1);
        return {static_cast<std::size_t>(std::countr_zero(start)), index - first_block * (start - 1)};
    }
    static std::size_t block_capacity(std::size_t block) { return first_block << block; }

    bool add_block();

    std::array<SectionEntry*, most_blocks> m_blocks {};
    std::size_t m_block_count {0};
    SectionEntry* m_free {nullptr}; // in the last block
    SectionEntry* m_block_end {nullptr};
    std::size_t m_size {0};
};

} // namespace qmt
