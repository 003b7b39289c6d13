#include "template/section_store.h"

#include "common/wide_text.h"
#include "platform/code_page.h"
#include "platform/heap.h"

#include <climits>
#include <cstring>
#include <new>

namespace qmt {

StoredText const* SectionStore::copy_name(WideChar const* text, std::size_t length)
{
    if (length >= UINT32_MAX || length > (SIZE_MAX - sizeof(StoredText)) / sizeof(WideChar) - 1)
        return nullptr;
    auto* copy = static_cast<StoredText*>(m_texts.allocate(sizeof(StoredText) + (length + 1) * sizeof(WideChar)));
    if (copy == nullptr)
        return nullptr;
    copy->length = static_cast<std::uint32_t>(length);
    auto* units = const_cast<WideChar*>(copy->units());
    std::memcpy(units, text, length * sizeof(WideChar));
    units[length] = 0;
    return copy;
}

StoredText const* SectionStore::placeholder_copy(WideChar const* text, std::size_t length)
{
    CountedName const name {text, length};
    for (StoredText const* recent : m_recent)
        if (recent != nullptr && same_name(*recent, name))
            return recent;
    StoredText const* copy = copy_name(text, length);
    if (copy != nullptr) {
        m_recent[m_recent_next] = copy;
        m_recent_next = (m_recent_next + 1) % recent_count;
    }
    return copy;
}

StoredText const* SectionStore::converted_copy(WideChar const* text, std::size_t length, bool ascii)
{
    std::size_t bytes = length;
    if (!ascii) {
        if (length > INT_MAX)
            return nullptr;
        int const needed = platform::narrow_from_wide(text, static_cast<int>(length), nullptr, 0);
        if (needed <= 0)
            return nullptr;
        bytes = static_cast<std::size_t>(needed);
    }
    if (bytes >= UINT32_MAX || bytes > SIZE_MAX - sizeof(StoredText))
        return nullptr;
    auto* copy = static_cast<StoredText*>(m_texts.allocate(sizeof(StoredText) + bytes));
    if (copy == nullptr)
        return nullptr;
    copy->length = static_cast<std::uint32_t>(bytes);
    auto* out = const_cast<unsigned char*>(copy->bytes());
    if (ascii) {
        // Every ANSI code page writes units below 0x80 as the same single bytes: the bulk
        // of replacements needs no call into the platform's conversion.
        for (std::size_t i = 0; i < length; ++i)
            out[i] = static_cast<unsigned char>(text[i]);
    } else if (platform::narrow_from_wide(text, static_cast<int>(length), reinterpret_cast<char*>(out),
                                          static_cast<int>(bytes))
               != static_cast<int>(bytes)) {
        return nullptr;
    }
    return copy;
}

bool SectionStore::add_section(WideChar const* name, bool make_current)
{
    if (m_sections.count() == INT32_MAX)
        return false;
    StoredText const* copy = nullptr;
    if (name != nullptr) {
        copy = copy_name(name, wide_length(name));
        if (copy == nullptr)
            return false;
    }
    void* storage = platform::heap_allocate(sizeof(SectionRecord));
    if (storage == nullptr)
        return false;
    auto* section = new (storage) SectionRecord;
    section->name = copy;
    if (!m_sections.append(section)) {
        section->~SectionRecord();
        platform::heap_free(section);
        return false;
    }
    if (make_current)
        m_current = m_sections.count() - 1;
    return true;
}

bool SectionStore::append(WideChar const* placeholder, WideChar const* replacement)
{
    auto* section = static_cast<SectionRecord*>(m_sections.at(m_current));
    if (section->count() == INT32_MAX)
        return false;
    StoredText const* const placeholder_text = placeholder_copy(placeholder, wide_length(placeholder));
    // One pass for the length and whether every unit is ASCII.
    std::size_t length = 0;
    WideChar units_seen = 0;
    for (; replacement[length] != 0; ++length)
        units_seen |= replacement[length];
    StoredText const* const replacement_text = converted_copy(replacement, length, units_seen < 0x80);
    // Copies that are not used stay in the arena until the store is released.
    return placeholder_text != nullptr && replacement_text != nullptr
        && section->entries.append({placeholder_text, replacement_text});
}

std::int32_t SectionStore::find_section(WideChar const* name) const
{
    if (name == nullptr)
        return -1;
    return find_section(CountedName {name, wide_length(name)});
}

std::int32_t SectionStore::find_section(CountedName name) const
{
    for (std::int32_t index = 0; index < count(); ++index) {
        StoredText const* const candidate = section(index).name;
        if (candidate != nullptr && same_name(*candidate, name))
            return index;
    }
    return -1;
}

void SectionStore::release()
{
    for (std::int32_t index = 0; index < m_sections.count(); ++index) {
        auto* section = static_cast<SectionRecord*>(m_sections.at(index));
        section->~SectionRecord();
        platform::heap_free(section);
    }
    m_sections.clear();
    m_texts.release();
    m_current = 0;
    for (StoredText const*& recent : m_recent)
        recent = nullptr;
    m_recent_next = 0;
}

std::int32_t row_width(SectionRecord const& section)
{
    std::int32_t const count = section.count();
    if (count == 0)
        return 0;
    StoredText const& first = *section.entries[0].placeholder;
    CountedName const name {first.units(), first.length};
    for (std::int32_t index = 1; index < count; ++index) {
        StoredText const* const placeholder = section.entries[static_cast<std::size_t>(index)].placeholder;
        if (placeholder == &first || same_name(*placeholder, name))
            return index;
    }
    return count;
}

} // namespace qmt
