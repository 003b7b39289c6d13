// The template store: while a template is open, its sections in order of creation, each a
// list of placeholder/replacement pairs in the order SendTemplate sent them, and the
// section that SendTemplate appends to. Section 0 is the main section, without a name: the
// values of the fields outside section blocks. Expansion reads a section as a table of
// rows (row_width, find_in_row).
//
// Replacements are kept already converted to the ANSI code page, with the room each
// character needs there, so that expansion only copies bytes. Rows repeat the same few
// placeholders, so an entry shares the copy of a placeholder sent shortly before.
#pragma once

#include "common/pointer_list.h"
#include "platform/wide_char.h"
#include "template/heap_array.h"
#include "template/text_arena.h"

#include <cstddef>
#include <cstdint>

namespace qmt {

// A copy in the store: its length, then its units (a name: UTF-16, zero-terminated) or its
// bytes (a replacement, in the ANSI code page).
struct StoredText {
    std::uint32_t length;

    WideChar const* units() const { return reinterpret_cast<WideChar const*>(this + 1); }
    unsigned char const* bytes() const { return reinterpret_cast<unsigned char const*>(this + 1); }
};

// A name cut out of a template file and converted to UTF-16: counted, as it may hold zero
// units (which no stored name does).
struct CountedName {
    WideChar const* units;
    std::size_t length;
};

// Equal unit for unit: case-sensitive, no trimming, no normalisation.
inline bool same_name(StoredText const& stored, CountedName name)
{
    if (stored.length != name.length)
        return false;
    // Names are short: a loop beats a call.
    WideChar const* const units = stored.units();
    for (std::size_t i = 0; i < name.length; ++i)
        if (units[i] != name.units[i])
            return false;
    return true;
}

struct SectionEntry {
    StoredText const* placeholder;
    StoredText const* replacement;
};

struct SectionRecord {
    StoredText const* name {nullptr}; // none for the main section and a section begun without a name
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
    // Appends a pair to the current section; false (nothing added) when memory is short.
    bool append(WideChar const* placeholder, WideChar const* replacement);

    // The first section whose name equals `name`; -1 when none does. Sections without a
    // name never match, and a null name matches nothing.
    std::int32_t find_section(WideChar const* name) const;
    std::int32_t find_section(CountedName name) const;

    // Frees every section with its entries; the store is empty and section 0 current.
    void release();

private:
    StoredText const* copy_name(WideChar const* text, std::size_t length);
    StoredText const* placeholder_copy(WideChar const* text, std::size_t length);
    StoredText const* converted_copy(WideChar const* text, std::size_t length, bool ascii);

    PointerList m_sections;
    std::int32_t m_current {0};
    TextArena m_texts;
    // The placeholder copies sent last, which later entries share.
    static constexpr std::size_t recent_count = 8;
    StoredText const* m_recent[recent_count] {};
    std::size_t m_recent_next {0};
};

// The entries of one row: the index of the first later entry whose placeholder repeats the
// first one's, or the entry count when none does; 0 for a section without entries.
std::int32_t row_width(SectionRecord const& section);

// The entry of row `row` (entries row × width up to the next row) whose placeholder first
// `matches`, as its index in the row; -1 when none does. A width of 0 stands for the whole
// list.
template<typename Matches>
std::ptrdiff_t find_column(SectionRecord const& section, std::int32_t row, std::int32_t width, Matches&& matches)
{
    std::size_t const span = width == 0 ? section.entries.size() : static_cast<std::size_t>(width);
    std::size_t const first = static_cast<std::size_t>(row) * span;
    std::size_t const limit = first + span < section.entries.size() ? first + span : section.entries.size();
    for (std::size_t index = first; index < limit; ++index)
        if (matches(*section.entries[index].placeholder))
            return static_cast<std::ptrdiff_t>(index - first);
    return -1;
}

// The replacement of that entry; null when there is none.
template<typename Matches>
StoredText const* find_in_row(SectionRecord const& section, std::int32_t row, std::int32_t width, Matches&& matches)
{
    std::ptrdiff_t const column = find_column(section, row, width, matches);
    if (column < 0)
        return nullptr;
    std::size_t const span = width == 0 ? section.entries.size() : static_cast<std::size_t>(width);
    return section.entries[static_cast<std::size_t>(row) * span + static_cast<std::size_t>(column)].replacement;
}

inline StoredText const* find_in_row(SectionRecord const& section, CountedName name, std::int32_t row,
                                     std::int32_t width)
{
    return find_in_row(section, row, width,
                       [name](StoredText const& placeholder) { return same_name(placeholder, name); });
}

} // namespace qmt
