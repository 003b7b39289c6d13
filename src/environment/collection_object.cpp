#include "environment/collection_object.h"

#include "environment/item_collection.h"
#include "environment/item_enumerator.h"
#include "report/error_page.h"

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

template<typename Derived, typename Kind>
HRESULT STDMETHODCALLTYPE CollectionObject<Derived, Kind>::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags,
                                                                  DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                                                  EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    quillmate::Ref<ITypeInfo> info;
    if (CollectionTypeInfo<Kind>::get(info.out()) != S_OK)
        return E_NOTIMPL;
    auto* self = static_cast<typename Kind::CollectionInterface*>(this);
    return DispInvoke(self, info.get(), dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
}

template<typename Derived, typename Kind>
HRESULT STDMETHODCALLTYPE CollectionObject<Derived, Kind>::get_Item(VARIANT* Index, typename Kind::ItemInterface** item)
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

template<typename Derived, typename Kind>
HRESULT CollectionObject<Derived, Kind>::find_by_name(BSTR name, typename Kind::ItemInterface** item)
{
    if (name != nullptr) {
        for (std::int32_t i = 0; i < m_count; ++i) {
            ItemType* candidate = item_at(i);
            if (candidate->name() != nullptr && wide_equal(candidate->name(), name)) {
                candidate->AddRef();
                *item = candidate;
                return S_OK;
            }
        }
    }
    report(message::ItemNameNotFound, name);
    return E_INVALIDARG;
}

template<typename Derived, typename Kind>
HRESULT CollectionObject<Derived, Kind>::find_by_number(VARIANT* index, typename Kind::ItemInterface** item)
{
    VARIANT number;
    VariantInit(&number);
    HRESULT const converted = VariantChangeType(&number, index, 0, VT_I4);
    if (converted != S_OK)
        return converted;
    std::int32_t const k = number.lVal;
    if (k >= 1 && k <= m_count) {
        ItemType* found = item_at(k - 1);
        found->AddRef();
        *item = found;
        return S_OK;
    }
    WideChar text[12];
    decimal_text(k, text);
    report(Kind::out_of_range_message, text);
    return E_INVALIDARG;
}

template<typename Derived, typename Kind>
void CollectionObject<Derived, Kind>::report(std::uint32_t message, WideChar const* text) const
{
    // A copy or collection that outlives the environment has no page to write on.
    if (ErrorState* owner = m_store->owner())
        report_error(*owner, message, text);
}

template<typename Derived, typename Kind>
HRESULT STDMETHODCALLTYPE CollectionObject<Derived, Kind>::get_Count(LONG* pCount)
{
    if (pCount == nullptr)
        return E_POINTER;
    *pCount = m_count;
    return S_OK;
}

template<typename Derived, typename Kind>
HRESULT CollectionObject<Derived, Kind>::make_enumerator(std::int32_t position, IEnumVARIANT** enumerator) const
{
    // A copy sees the items there are now; items added to the owner later stay out of it.
    *enumerator = ItemEnumerator<Kind>::create(*m_store.get(), m_count, position);
    return *enumerator != nullptr ? S_OK : E_OUTOFMEMORY;
}

template<typename Derived, typename Kind>
HRESULT STDMETHODCALLTYPE CollectionObject<Derived, Kind>::get__NewEnum(IUnknown** ppenumVariant)
{
    if (ppenumVariant == nullptr)
        return E_POINTER;
    IEnumVARIANT* enumerator = nullptr;
    HRESULT const status = make_enumerator(0, &enumerator);
    *ppenumVariant = enumerator;
    return status;
}

template<typename Derived, typename Kind>
HRESULT STDMETHODCALLTYPE CollectionObject<Derived, Kind>::Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched)
{
    // One item per call, whatever the count asked for; a request for none writes nothing.
    if (m_position >= m_count || celt == 0 || rgVar == nullptr) {
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

template<typename Derived, typename Kind>
HRESULT STDMETHODCALLTYPE CollectionObject<Derived, Kind>::Skip(ULONG celt)
{
    std::int64_t const remaining = static_cast<std::int64_t>(m_count) - m_position;
    if (static_cast<std::int64_t>(celt) <= remaining) {
        m_position += static_cast<std::int32_t>(celt);
        return S_OK;
    }
    m_position = m_count;
    return S_FALSE;
}

template<typename Derived, typename Kind>
HRESULT STDMETHODCALLTYPE CollectionObject<Derived, Kind>::Reset()
{
    m_position = 0;
    return S_OK;
}

template<typename Derived, typename Kind>
HRESULT STDMETHODCALLTYPE CollectionObject<Derived, Kind>::Clone(IEnumVARIANT** ppEnum)
{
    if (ppEnum == nullptr)
        return E_POINTER;
    return make_enumerator(m_position, ppEnum);
}

template class CollectionObject<ItemCollection<ServerItemsKind>, ServerItemsKind>;
template class CollectionObject<ItemCollection<CustomItemsKind>, CustomItemsKind>;
template class CollectionObject<ItemEnumerator<ServerItemsKind>, ServerItemsKind>;
template class CollectionObject<ItemEnumerator<CustomItemsKind>, CustomItemsKind>;

} // namespace qmt
