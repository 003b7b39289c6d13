#include "template/section_store.h"

#include "common/wide_text.h"
#include "platform/code_page.h"
#include "platform/heap.h"

#include <climits>
#include <cstring>
#include <new>

namespace qmt {
namespace {

// FNV-1a over the units.
constexpr std::uint32_t empty_hash = 2166136261u;
std::uint32_t hashed(std::uint32_t hash, WideChar unit)
{
    return (hash ^ static_cast<std::uint32_t>(unit)) * 16777619u;
}

std::uint32_t hash_of(WideChar const* units, std::size_t length)
{
    std::uint32_t hash = empty_hash;
    for (std::size_t i = 0; i < length; ++i)
        hash = hashed(hash, units[i]);
    return hash;
}

} // namespace

StoredName const* SectionStore::copy_name(WideChar const* text, std::size_t length)
{
    if (length >= UINT32_MAX || length > (SIZE_MAX - sizeof(StoredName)) / sizeof(WideChar) - 1)
        return nullptr;
    auto* copy = static_cast<StoredName*>(
        m_texts.allocate(sizeof(StoredName) + (length + 1) * sizeof(WideChar), alignof(StoredName)));
    if (copy == nullptr)
        return nullptr;
    copy->length = static_cast<std::uint32_t>(length);
    auto* units = const_cast<WideChar*>(copy->units());
    std::memcpy(units, text, length * sizeof(WideChar));
    units[length] = 0;
    return copy;
}

std::int64_t SectionStore::find_placeholder(CountedName name) const
{
    if (m_slot_count == 0)
        return no_placeholder;
    std::size_t const mask = m_slot_count - 1;
    for (std::size_t slot = hash_of(name.units, name.length) & mask;; slot = (slot + 1) & mask) {
        std::uint32_t const entry = m_slots[slot];
        if (entry == 0)
            return no_placeholder;
        if (same_name(*m_placeholders[entry - 1].name, name))
            return entry - 1;
    }
}

std::int64_t SectionStore::number_placeholder(WideChar const* placeholder)
{
    bool const sent_before = m_placeholders.size() > 0;
    PlaceholderNumber number = 0;
    if (!look_up_or_add(CountedName {placeholder, wide_length(placeholder)}, number))
        return no_placeholder;
    if (sent_before)
        m_placeholders[m_last_sent].successor = number;
    m_last_sent = number;
    return number;
}

bool SectionStore::look_up_or_add(CountedName name, PlaceholderNumber& number)
{
    if ((m_placeholders.size() + 1) * 2 > m_slot_count && !grow_slots())
        return false;
    std::size_t const mask = m_slot_count - 1;
    std::size_t slot = hash_of(name.units, name.length) & mask;
    for (; m_slots[slot] != 0; slot = (slot + 1) & mask)
        if (same_name(*m_placeholders[m_slots[slot] - 1].name, name))
            break;
    if (m_slots[slot] == 0) {
        StoredName const* const copy = copy_name(name.units, name.length);
        auto const next = static_cast<PlaceholderNumber>(m_placeholders.size());
        if (copy == nullptr || m_placeholders.size() >= UINT32_MAX - 1 || !m_placeholders.append({copy, next}))
            return false;
        m_slots[slot] = next + 1;
    }
    number = m_slots[slot] - 1;
    return true;
}

bool SectionStore::grow_slots()
{
    std::size_t const count = m_slot_count == 0 ? 16 : m_slot_count * 2;
    if (count > SIZE_MAX / sizeof(std::uint32_t))
        return false;
    auto* slots = static_cast<std::uint32_t*>(platform::heap_allocate(count * sizeof(std::uint32_t)));
    if (slots == nullptr)
        return false;
    std::memset(slots, 0, count * sizeof(std::uint32_t));
    for (std::size_t number = 0; number < m_placeholders.size(); ++number) {
        StoredName const& name = *m_placeholders[number].name;
        std::size_t slot = hash_of(name.units(), name.length) & (count - 1);
        while (slots[slot] != 0)
            slot = (slot + 1) & (count - 1);
        slots[slot] = static_cast<std::uint32_t>(number + 1);
    }
    platform::heap_free(m_slots);
    m_slots = slots;
    m_slot_count = count;
    return true;
}

unsigned char const* SectionStore::converted_copy(WideChar const* text, std::uint32_t& bytes)
{
    std::size_t const length = wide_length(text);
    if (length > INT_MAX)
        return nullptr;
    int const needed = length == 0 ? 0 : platform::narrow_from_wide(text, static_cast<int>(length), nullptr, 0);
    if (needed < 0 || (needed == 0 && length > 0))
        return nullptr;
    auto const size = static_cast<std::size_t>(needed);
    if (size >= UINT32_MAX)
        return nullptr;
    auto* out = static_cast<unsigned char*>(m_texts.allocate(size, 1));
    if (out == nullptr
        || (size > 0
            && platform::narrow_from_wide(text, static_cast<int>(length), reinterpret_cast<char*>(out),
                                          static_cast<int>(size))
                != needed))
        return nullptr;
    bytes = static_cast<std::uint32_t>(size);
    return out;
}

bool SectionStore::add_section(WideChar const* name, bool make_current)
{
    if (m_sections.count() == INT32_MAX)
        return false;
    StoredName const* copy = nullptr;
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
    if (make_current || m_current == nullptr)
        m_current = section;
    return true;
}

bool SectionStore::append_numbering(WideChar const* placeholder, WideChar const* replacement)
{
    std::int64_t const number = number_placeholder(placeholder);
    if (number == no_placeholder)
        return false;
    return append_value(static_cast<PlaceholderNumber>(number), replacement);
}

bool SectionStore::append_converted(PlaceholderNumber number, WideChar const* replacement)
{
    // A placeholder numbered for an entry that then failed stays numbered: no entry has it.
    std::uint32_t bytes = 0;
    unsigned char const* const converted = converted_copy(replacement, bytes);
    return converted != nullptr && m_current->entries.append({number, bytes, converted});
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
        StoredName const* const candidate = section(index).name;
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
    m_placeholders.clear();
    m_last_sent = 0;
    platform::heap_free(m_slots);
    m_slots = nullptr;
    m_slot_count = 0;
    m_texts.release();
    m_current = nullptr;
}

std::int32_t row_width(SectionRecord const& section)
{
    std::int32_t const count = section.count();
    if (count == 0)
        return 0;
    PlaceholderNumber const first = section.entries[0].placeholder;
    for (std::int32_t index = 1; index < count; ++index)
        if (section.entries[static_cast<std::size_t>(index)].placeholder == first)
            return index;
    return count;
}

} // namespace qmt
