#include "template/section_store.h"

#include "common/wide_text.h"
#include "platform/heap.h"

#include <new>

namespace qmt {
namespace {

// Equal unit for unit: case-sensitive, no trimming, no normalisation.
bool equals(WideChar const* stored, CountedName name)
{
    for (std::size_t i = 0; i < name.length; ++i)
        if (stored[i] == 0 || stored[i] != name.units[i])
            return false;
    return stored[name.length] == 0;
}

} // namespace

bool SectionStore::add_section(WideChar const* name, bool make_current)
{
    if (m_sections.count() == INT32_MAX)
        return false;
    WideChar const* copy = nullptr;
    if (name != nullptr) {
        copy = m_texts.copy(name, wide_length(name));
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
    WideChar const* const placeholder_copy = m_texts.copy(placeholder, wide_length(placeholder));
    WideChar const* const replacement_copy = m_texts.copy(replacement, wide_length(replacement));
    // Copies that are not used stay in the arena until the store is released.
    return placeholder_copy != nullptr && replacement_copy != nullptr
        && section->entries.append({placeholder_copy, replacement_copy});
}

std::int32_t SectionStore::find_section(WideChar const* name) const
{
    if (name == nullptr)
        return -1;
    for (std::int32_t index = 0; index < count(); ++index) {
        WideChar const* const candidate = section(index).name;
        if (candidate != nullptr && wide_equal(candidate, name))
            return index;
    }
    return -1;
}

std::int32_t SectionStore::find_section(CountedName name) const
{
    for (std::int32_t index = 0; index < count(); ++index) {
        WideChar const* const candidate = section(index).name;
        if (candidate != nullptr && equals(candidate, name))
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
}

std::int32_t row_width(SectionRecord const& section)
{
    std::int32_t const count = section.count();
    if (count == 0)
        return 0;
    WideChar const* const first = section.entries[0].placeholder;
    for (std::int32_t index = 1; index < count; ++index)
        if (wide_equal(section.entries[static_cast<std::size_t>(index)].placeholder, first))
            return index;
    return count;
}

WideChar const* find_in_row(SectionRecord const& section, CountedName name, std::int32_t row, std::int32_t width)
{
    std::size_t const span = width == 0 ? static_cast<std::size_t>(section.count()) : static_cast<std::size_t>(width);
    std::size_t const first = static_cast<std::size_t>(row) * span;
    std::size_t const limit = first + span;
    for (std::size_t index = first; index < limit && index < section.entries.size(); ++index)
        if (equals(section.entries[index].placeholder, name))
            return section.entries[index].replacement;
    return nullptr;
}

} // namespace qmt
