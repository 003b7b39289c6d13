#include "environment/item_collection.h"

#include "common/heap_ptr.h"
#include "common/text_conversion.h"
#include "platform/heap.h"
#include "report/error_page.h"
#include "report/message_numbers.h"

#include <new>

namespace qmt {
namespace {

// The decimal text of a 32-bit number, a minus sign first when negative.
void decimal_text(std::int32_t number, WideChar (&out)[12])
{
    std::int64_t value = number;
    bool const negative = value < 0;
    if (negative)
        value = -value;
    WideChar reversed[11];
    int digits = 0;
    do {
        reversed[digits++] = static_cast<WideChar>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    int length = 0;
    if (negative)
        out[length++] = u'-';
    while (digits > 0)
        out[length++] = reversed[--digits];
    out[length] = 0;
}

} // namespace

template<typename Kind>
ItemCollection<Kind>* ItemCollection<Kind>::create(ErrorState& owner)
{
    void* storage = platform::heap_allocate(sizeof(ItemCollection));
    return storage == nullptr ? nullptr : new (storage) ItemCollection(owner);
}

template<typename Kind>
ItemCollection<Kind>::~ItemCollection()
{
    if (!m_shares_items) {
        std::int32_t const count = m_items.count();
        for (std::int32_t i = 0; i < count; ++i)
            item_at(i)->Release();
    }
    m_items.clear();
}

template<typename Kind>
HRESULT ItemCollection<Kind>::add(WideChar const* name, WideChar const* value)
{
    ItemType* item = ItemType::create(name, value);
    if (item == nullptr)
        return E_OUTOFMEMORY;
    if (!m_items.append(item)) {
        item->Release();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

template<typename Kind>
HRESULT ItemCollection<Kind>::add_narrow(char const* name, char const* value)
{
    auto widen = [](char const* narrow) {
        std::size_t length = 0;
        while (narrow[length] != '\0')
            ++length;
        std::size_t const units = wide_length_of_narrow(narrow, length);
        auto wide = HeapPtr<WideChar>::allocate(units + 1);
        if (wide)
            wide_from_narrow_into(narrow, length, wide.get(), units + 1);
        return wide;
    };
    auto wide_name = widen(name);
    auto wide_value = widen(value);
    if (!wide_name || !wide_value)
        return E_OUTOFMEMORY;
    return add(wide_name.get(), wide_value.get());
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE ItemCollection<Kind>::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, Kind::collection_iid))
        *object = static_cast<typename Kind::CollectionInterface*>(this);
    else if (IsEqualIID(riid, IID_IEnumVARIANT))
        *object = static_cast<IEnumVARIANT*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

template<typename Kind>
ULONG STDMETHODCALLTYPE ItemCollection<Kind>::AddRef()
{
    return ++m_references;
}

template<typename Kind>
ULONG STDMETHODCALLTYPE ItemCollection<Kind>::Release()
{
    ULONG const remaining = --m_references;
    if (remaining == 0) {
        this->~ItemCollection();
        platform::heap_free(this);
    }
    return remaining;
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE ItemCollection<Kind>::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                                       UINT*)
{
    // Table-driven dispatch needs the program's own type library, which it does not carry yet.
    return E_NOTIMPL;
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE ItemCollection<Kind>::get_Item(VARIANT* Index, typename Kind::ItemInterface** item)
{
    if (item == nullptr)
        return E_POINTER;
    *item = nullptr;
    if (Index == nullptr)
        return E_INVALIDARG;
    if (Index->vt == VT_BSTR)
        return find_by_name(Index->bstrVal, item);
    return find_by_number(Index, item);
}

template<typename Kind>
HRESULT ItemCollection<Kind>::find_by_name(BSTR name, typename Kind::ItemInterface** item)
{
    if (name != nullptr) {
        std::int32_t const count = m_items.count();
        for (std::int32_t i = 0; i < count; ++i) {
            ItemType* candidate = item_at(i);
            if (candidate->name() != nullptr && wide_equal(candidate->name(), name)) {
                candidate->AddRef();
                *item = candidate;
                return S_OK;
            }
        }
    }
    report_error(m_owner, message::ItemNameNotFound, name);
    return E_INVALIDARG;
}

template<typename Kind>
HRESULT ItemCollection<Kind>::find_by_number(VARIANT* index, typename Kind::ItemInterface** item)
{
    VARIANT number;
    VariantInit(&number);
    HRESULT const converted = VariantChangeType(&number, index, 0, VT_I4);
    if (converted != S_OK)
        return converted;
    std::int32_t const k = number.lVal;
    if (k >= 1 && k <= m_items.count()) {
        ItemType* found = item_at(k - 1);
        found->AddRef();
        *item = found;
        return S_OK;
    }
    WideChar text[12];
    decimal_text(k, text);
    report_error(m_owner, Kind::out_of_range_message, text);
    return E_INVALIDARG;
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE ItemCollection<Kind>::get_Count(LONG* pCount)
{
    if (pCount == nullptr)
        return E_POINTER;
    *pCount = m_items.count();
    return S_OK;
}

template<typename Kind>
ItemCollection<Kind>* ItemCollection<Kind>::make_enumerator_copy(std::int32_t position) const
{
    ItemCollection* copy = create(m_owner);
    if (copy == nullptr)
        return nullptr;
    copy->m_shares_items = true;
    copy->m_position = position;
    if (!copy->m_items.copy_from(m_items)) {
        copy->Release();
        return nullptr;
    }
    return copy;
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE ItemCollection<Kind>::get__NewEnum(IUnknown** ppenumVariant)
{
    if (ppenumVariant == nullptr)
        return E_POINTER;
    *ppenumVariant = nullptr;
    ItemCollection* copy = make_enumerator_copy(0);
    if (copy == nullptr)
        return E_OUTOFMEMORY;
    *ppenumVariant = static_cast<IEnumVARIANT*>(copy);
    return S_OK;
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE ItemCollection<Kind>::Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched)
{
    // One item per call, whatever the count asked for; a request for none writes nothing.
    if (m_position >= m_items.count() || celt == 0 || rgVar == nullptr) {
        if (pCeltFetched != nullptr)
            *pCeltFetched = 0;
        return S_FALSE;
    }
    ItemType* item = item_at(m_position);
    VariantInit(&rgVar[0]);
    rgVar[0].vt = VT_DISPATCH;
    rgVar[0].pdispVal = item;
    item->AddRef();
    ++m_position;
    if (pCeltFetched != nullptr)
        *pCeltFetched = 1;
    return S_OK;
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE ItemCollection<Kind>::Skip(ULONG celt)
{
    std::int64_t const remaining = static_cast<std::int64_t>(m_items.count()) - m_position;
    if (static_cast<std::int64_t>(celt) <= remaining) {
        m_position += static_cast<std::int32_t>(celt);
        return S_OK;
    }
    m_position = m_items.count();
    return S_FALSE;
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE ItemCollection<Kind>::Reset()
{
    m_position = 0;
    return S_OK;
}

template<typename Kind>
HRESULT STDMETHODCALLTYPE ItemCollection<Kind>::Clone(IEnumVARIANT** ppEnum)
{
    if (ppEnum == nullptr)
        return E_POINTER;
    *ppEnum = nullptr;
    ItemCollection* copy = make_enumerator_copy(m_position);
    if (copy == nullptr)
        return E_OUTOFMEMORY;
    *ppEnum = copy;
    return S_OK;
}

template class ItemCollection<ServerItemsKind>;
template class ItemCollection<CustomItemsKind>;

} // namespace qmt
