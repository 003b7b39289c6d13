// The template store: while a template is open, its sections in order of creation, each a
// list of placeholder/replacement pairs in the order SendTemplate sent them, and the
// section that SendTemplate appends to. Section 0 is the main section, without a name: the
// values of the fields outside section blocks. Expansion reads a section as a table of
// rows (row_width, find_in_row).
//
// Each distinct placeholder text is kept once and entries name it by number, so comparing
// placeholders is comparing numbers, and a name from a template is looked up once. Rows
// send the same names in the same order: each placeholder remembers the one sent after it
// last, and a SendTemplate that repeats the sequence costs one comparison of names.
// Replacements are kept already converted to the ANSI code page, with the room each
// character needs there, so that expansion only copies bytes.
#pragma once

#include "common/pointer_list.h"
#include "platform/wide_char.h"
#include "template/entry_list.h"
#include "template/heap_array.h"
#include "template/narrow_copy.h"
#include "template/section_entry.h"
#include "template/text_arena.h"

#include <cstddef>
#include <cstdint>

namespace qmt {

// A name in the store: its length, then its UTF-16 units and a terminating zero.
struct StoredName {
    std::uint32_t length;

    WideChar const* units() const { return reinterpret_cast<WideChar const*>(this + 1); }
};

// A name to look up: counted, as one cut out of a template may hold zero units (which no
// stored name does).
struct CountedName {
    WideChar const* units;
    std::size_t length;
};

// Equal unit for unit: case-sensitive, no trimming, no normalisation.
inline bool same_name(StoredName const& stored, CountedName name)
{
    if (stored.length != name.length)
        return false;
    WideChar const* const units = stored.units();
    for (std::size_t i = 0; i < name.length; ++i)
        if (units[i] != name.units[i])
            return false;
    return true;
}

struct SectionRecord {
    StoredName const* name {nullptr}; // none for the main section and a section begun without a name
    EntryList entries;

    std::int32_t count() const { return static_cast<std::int32_t>(entries.size()); }
};

// Whether `text`, up to its terminating zero, equals the stored name; reads no unit of
// `text` past the first that differs. Four units a round, compared one after the other:
// the name of a repeated sequence is compared with fewer branches of a loop.
inline bool equals_text(StoredName const& stored, WideChar const* text)
{
    WideChar const* const units = stored.units();
    std::size_t const length = stored.length;
    std::size_t i = 0;
    for (; length - i >= 4; i += 4) {
        if (units[i] != text[i])
            return false;
        if (units[i + 1] != text[i + 1])
            return false;
        if (units[i + 2] != text[i + 2])
            return false;
        if (units[i + 3] != text[i + 3])
            return false;
    }
    for (; i < length; ++i)
        if (units[i] != text[i])
            return false;
    return text[length] == 0;
}

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
    void make_main_section_current() { m_current = m_sections.count() > 0 ? &mutable_section(0) : nullptr; }
    // Appends a pair to the current section; false (nothing added) when memory is short.
    // Inline, as a page may send hundreds of thousands of values: the usual one repeats
    // the sequence of names and is ASCII, copied straight into the arena's free bytes in
    // the pass that finds its end (every ANSI code page writes units below 0x80 as the
    // same single bytes). A new name, or a value that does not fit there or holds other
    // units, goes the longer way.
    bool append(WideChar const* placeholder, WideChar const* replacement)
    {
        PlaceholderNumber number = 0;
        if (!repeats_sequence(placeholder, number))
            return append_numbering(placeholder, replacement);
        return append_value(number, replacement);
    }

    // The first section whose name equals `name`; -1 when none does. Sections without a
    // name never match, and a null name matches nothing.
    std::int32_t find_section(WideChar const* name) const;
    std::int32_t find_section(CountedName name) const;
    // The number of the placeholder text equal to `name`; no_placeholder when none was sent.
    std::int64_t find_placeholder(CountedName name) const;

    // Frees every section with its entries; the store is empty and section 0 current.
    void release();

private:
    SectionRecord& mutable_section(std::int32_t index) { return *static_cast<SectionRecord*>(m_sections.at(index)); }
    StoredName const* copy_name(WideChar const* text, std::size_t length);
    // The placeholder sent after the last one the previous time, when `placeholder` is it.
    bool repeats_sequence(WideChar const* placeholder, PlaceholderNumber& number)
    {
        if (m_placeholders.size() == 0)
            return false;
        PlaceholderNumber const expected = m_placeholders[m_last_sent].successor;
        if (!equals_text(*m_placeholders[expected].name, placeholder))
            return false;
        number = m_last_sent = expected;
        return true;
    }
    // Whether a copy of `length` bytes into `room`, with `bits` set in its units, ended at
    // the zero and holds ASCII only.
    static bool is_kept_as_copied(std::size_t length, std::size_t room, std::uint32_t bits)
    {
        return length < room && bits < 0x80u && length < UINT32_MAX;
    }
    bool append_numbering(WideChar const* placeholder, WideChar const* replacement);
    // The value of placeholder `number`: copied straight into the arena's free bytes when it
    // fits there and is ASCII, converted otherwise.
    bool append_value(PlaceholderNumber number, WideChar const* replacement)
    {
        unsigned char* const free = m_texts.free_bytes();
        std::size_t const room = m_texts.free_size();
        std::uint32_t bits = 0;
        std::size_t const length = copy_until_zero(replacement, free, room, bits);
        if (is_kept_as_copied(length, room, bits)) {
            m_texts.keep(length);
            return m_current->entries.append({number, static_cast<std::uint32_t>(length), free});
        }
        return append_converted(number, replacement);
    }
    bool append_converted(PlaceholderNumber number, WideChar const* replacement);
    // The number of `placeholder` (numbered now when new), which becomes the one sent after
    // the placeholder sent last; no_placeholder when memory is short.
    std::int64_t number_placeholder(WideChar const* placeholder);
    bool look_up_or_add(CountedName name, PlaceholderNumber& number);
    bool grow_slots();
    unsigned char const* converted_copy(WideChar const* text, std::uint32_t& bytes);

    PointerList m_sections;
    SectionRecord* m_current {nullptr}; // the one SendTemplate appends to
    TextArena m_texts;
    // The distinct placeholder texts by number, each with the number sent after it last
    // (at first its own), and an open-addressed table of them by hash: each slot holds a
    // number + 1, or 0 when free; its size is a power of two.
    struct Placeholder {
        StoredName const* name;
        PlaceholderNumber successor;
    };
    HeapArray<Placeholder> m_placeholders;
    PlaceholderNumber m_last_sent {0}; // meaningful once a placeholder is numbered
    std::uint32_t* m_slots {nullptr};
    std::size_t m_slot_count {0};
};

// The entries of one row: the index of the first later entry whose placeholder repeats the
// first one's, or the entry count when none does; 0 for a section without entries.
std::int32_t row_width(SectionRecord const& section);

// The index of the first entry of row `row` (entries row × width up to the next row) with
// placeholder `placeholder`; -1 when none has it. A width of 0 stands for the whole list.
inline std::int64_t find_in_row(SectionRecord const& section, std::int64_t placeholder, std::int32_t row,
                                std::int32_t width)
{
    std::size_t const span = width == 0 ? section.entries.size() : static_cast<std::size_t>(width);
    std::size_t const first = static_cast<std::size_t>(row) * span;
    std::size_t const limit = first + span < section.entries.size() ? first + span : section.entries.size();
    for (std::size_t index = first; index < limit; ++index)
        if (section.entries[index].placeholder == placeholder)
            return static_cast<std::int64_t>(index);
    return -1;
}

} // namespace qmt
