#include "environment/item.h"

#include "common/text_conversion.h"

#include <cstring>

namespace qmt {
namespace {

// Units a text takes in an item, terminator included: 0 for an empty one, which is kept as
// none. Narrow bytes never become more units than there are bytes.
std::size_t room_of(ItemText text)
{
    if (text.narrow_bytes != nullptr)
        return text.narrow_length == 0 ? 0 : text.narrow_length + 1;
    return wide_is_empty(text.wide_text) ? 0 : wide_length(text.wide_text) + 1;
}

void place(ItemText text, WideChar* out, std::size_t units)
{
    if (units == 0)
        return;
    if (text.narrow_bytes != nullptr)
        wide_from_narrow_into(text.narrow_bytes, text.narrow_length, out, units);
    else
        std::memcpy(out, text.wide_text, units * sizeof(WideChar));
}

HRESULT hand_out(WideChar const* text, BSTR* out)
{
    if (out == nullptr)
        return E_POINTER;
    static constexpr WideChar empty[] = {0};
    *out = SysAllocString(text != nullptr ? text : empty);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

} // namespace

template<typename Kind>
Item<Kind>* Item<Kind>::create(ItemText name, ItemText value)
{
    std::size_t const name_units = room_of(name);
    std::size_t const value_units = room_of(value);
    constexpr std::size_t most_units = UINT32_MAX / sizeof(WideChar) / 2;
    if (name_units > most_units || value_units > most_units)
        return nullptr;
    return Item::create_with_room((name_units + value_units) * sizeof(WideChar), name,
                                  static_cast<std::uint32_t>(name_units), value,
                                  static_cast<std::uint32_t>(value_units));
}

template<typename Kind>
Item<Kind>::Item(ItemText name, std::uint32_t name_units, ItemText value, std::uint32_t value_units)
    : m_name_units(name_units)
    , m_value_units(value_units)
{
    place(name, texts(), name_units);
    place(value, texts() + name_units, value_units);
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE Item<Kind>::get_Value(BSTR* Value)
{
    return hand_out(value(), Value);
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE Item<Kind>::get_Name(BSTR* Name)
{
    return hand_out(name(), Name);
}

template class Item<ServerItemsKind>;
template class Item<CustomItemsKind>;

} // namespace qmt
