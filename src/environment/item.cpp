#include "environment/item.h"

#include "platform/heap.h"

#include <cstring>
#include <new>

namespace qmt {
namespace {

// A private copy, or null for an empty text or when memory is short.
WideChar* copy_text(WideChar const* text)
{
    if (wide_is_empty(text))
        return nullptr;
    std::size_t const bytes = (wide_length(text) + 1) * sizeof(WideChar);
    auto* copy = static_cast<WideChar*>(platform::heap_allocate(bytes));
    if (copy != nullptr)
        std::memcpy(copy, text, bytes);
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
    void* storage = platform::heap_allocate(sizeof(Item));
    if (storage == nullptr)
        return nullptr;
    auto* item = new (storage) Item;
    item->m_name = copy_text(name);
    item->m_value = copy_text(value);
    return item;
}

template<typename Kind>
Item<Kind>::~Item()
{
    platform::heap_free(m_name);
    platform::heap_free(m_value);
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
