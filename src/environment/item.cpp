#include "environment/item.h"

#include <cstring>

namespace qmt {
namespace {

std::size_t bytes_of(WideChar const* text)
{
    return wide_is_empty(text) ? 0 : (wide_length(text) + 1) * sizeof(WideChar);
}

// Copies a non-empty text of `bytes` into `storage`; an empty text is kept as none.
WideChar* place_text(WideChar const* text, std::size_t bytes, unsigned char*& storage)
{
    if (bytes == 0)
        return nullptr;
    auto* copy = reinterpret_cast<WideChar*>(storage);
    std::memcpy(copy, text, bytes);
    storage += bytes;
    return copy;
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
Item<Kind>* Item<Kind>::create(WideChar const* name, WideChar const* value)
{
    // One block for the item and its two private copies: three allocations per form field
    // would dominate decoding a large body.
    std::size_t const name_bytes = bytes_of(name);
    std::size_t const value_bytes = bytes_of(value);
    return Item::create_with_room(name_bytes + value_bytes, name, name_bytes, value, value_bytes);
}

template<typename Kind>
Item<Kind>::Item(WideChar const* name, std::size_t name_bytes, WideChar const* value, std::size_t value_bytes)
{
    auto* texts = reinterpret_cast<unsigned char*>(this + 1);
    m_name = place_text(name, name_bytes, texts);
    m_value = place_text(value, value_bytes, texts);
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE Item<Kind>::get_Value(BSTR* Value)
{
    return hand_out(m_value, Value);
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE Item<Kind>::get_Name(BSTR* Name)
{
    return hand_out(m_name, Name);
}

template class Item<ServerItemsKind>;
template class Item<CustomItemsKind>;

} // namespace qmt
