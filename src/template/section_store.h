// The template store: while a template is open, its sections in order of creation, each a
// list of placeholder/replacement pairs in the order SendTemplate sent them, and the
// section that SendTemplate appends to. Section 0 is the main section, without a name: the
// values of the fields outside section blocks. Expansion reads a section as a table of
// rows (row_width, find_in_row).
#pragma once

#include "common/pointer_list.h"
#include "template/heap_array.h"
#include "template/text_arena.h"

#include <cstddef>
#include <cstdint>

namespace qmt {

// A name cut out of a template file and converted to UTF-16: counted, as it may hold zero units.
struct CountedName {
    WideChar const* units;
    std::size_t length;
};

struct SectionEntry {
    WideChar const* placeholder;
    WideChar const* replacement;
};

struct SectionRecord {
    WideChar const* name {nullptr}; // none for the main section and for a section begun without a name
    HeapArray<SectionEntry> entries;

    std::int32_t count() const { return static_cast<std::int32_t>(entries.size()); }
};

class SectionStore {
public:
    SectionStore() = default;
    SectionStore(SectionStore const&) = delete;
    SectionStore& operator=(SectionStore const&) = delete;
    ~SectionStore() { release(); }

    bool is_empty() const { return m_sections.count() == 0; }
    std::int32_t count() const { return m_sections.count(); }
    SectionRecord const& section(std::int32_t index) const
    {
        return *static_cast<SectionRecord const*>(m_sections.at(index));
    }
    SectionRecord const& main_section() const { return section(0); }

    // Appends a section named with a copy of `name` (none when null); the new section
    // becomes current when `make_current` is set. False when memory is short.
    bool add_section(WideChar const* name, bool make_current);
    void make_main_section_current() { m_current = 0; }
    // Appends copies of the pair to the current section; false (nothing added) when
    // memory is short.
    bool append(WideChar const* placeholder, WideChar const* replacement);

    // The first section whose name equals `name`; -1 when none does. Sections without a
    // name never match, and a null name matches nothing.
    std::int32_t find_section(WideChar const* name) const;
    std::int32_t find_section(CountedName name) const;

    // Frees every section with its entries; the store is empty and section 0 current.
    void release();

private:
    PointerList m_sections;
    std::int32_t m_current {0};
    TextArena m_texts;
};

// The entries of one row: the index of the first later entry whose placeholder repeats the
// first one's, or the entry count when none does; 0 for a section without entries.
std::int32_t row_width(SectionRecord const& section);

// The replacement of the first entry of row `row` (entries row × width up to the next row)
// whose placeholder equals `name`; null when none does. A width of 0 stands for the whole
// list.
WideChar const* find_in_row(SectionRecord const& section, CountedName name, std::int32_t row, std::int32_t width);

} // namespace qmt
