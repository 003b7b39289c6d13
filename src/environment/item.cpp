#include "environment/item.h"

#include "platform/heap.h"

#include <cstring>
#include <new>

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
    std::size_t const header = (sizeof(Item) + alignof(WideChar) - 1) / alignof(WideChar) * alignof(WideChar);
    std::size_t const name_bytes = bytes_of(name);
    std::size_t const value_bytes = bytes_of(value);
    auto* storage = static_cast<unsigned char*>(platform::heap_allocate(header + name_bytes + value_bytes));
    if (storage == nullptr)
        return nullptr;
    auto* item = new (storage) Item;
    unsigned char* texts = storage + header;
    item->m_name = place_text(name, name_bytes, texts);
    item->m_value = place_text(value, value_bytes, texts);
    return item;
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE Item<Kind>::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, Kind::item_iid))
        return E_NOINTERFACE;
    *object = static_cast<typename Kind::ItemInterface*>(this);
    AddRef();
    return S_OK;
}

template<typename Kind>
ULONG STDMETHODCALLTYPE Item<Kind>::AddRef()
{
    return ++m_references;
}

template<typename Kind>
ULONG STDMETHODCALLTYPE Item<Kind>::Release()
{
    ULONG const remaining = --m_references;
    if (remaining == 0) {
        this->~Item();
        platform::heap_free(this);
    }
    return remaining;
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
