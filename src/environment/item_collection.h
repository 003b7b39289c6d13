// A read-only collection of items, found by exact name or by 1-based number, counted and
// enumerated. The same object is also its own IEnumVARIANT; an enumerator copy shares the
// owning collection's items without owning them.
#pragma once

#include "common/pointer_list.h"
#include "environment/early_bound.h"
#include "environment/item.h"
#include "report/error_state.h"

namespace qmt {

template<typename Kind>
class ItemCollection final
    : public EarlyBound<typename Kind::CollectionInterface>
    , public IEnumVARIANT {
public:
    using ItemType = Item<Kind>;

    // An owning collection that reports its error pages on `owner`; null when memory is short.
    static ItemCollection* create(ErrorState& owner);

    // Adds an item at the end; callers ignore the result.
    HRESULT add(WideChar const* name, WideChar const* value);
    // The same from narrow text in the ANSI code page.
    HRESULT add_narrow(char const* name, char const* value);

    std::int32_t count() const { return m_items.count(); }
    ItemType* item_at(std::int32_t index) const { return static_cast<ItemType*>(m_items.at(index)); }

    // IUnknown, reached through either interface.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Table-driven dispatch: the one late-bound way in.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    HRESULT STDMETHODCALLTYPE get_Item(VARIANT* Index, typename Kind::ItemInterface** item) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pCount) override;
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** ppenumVariant) override;

    // IEnumVARIANT
    HRESULT STDMETHODCALLTYPE Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** ppEnum) override;

private:
    explicit ItemCollection(ErrorState& owner)
        : m_owner(owner)
    {
    }
    ~ItemCollection();
    ItemCollection* make_enumerator_copy(std::int32_t position) const;
    HRESULT find_by_name(BSTR name, typename Kind::ItemInterface** item);
    HRESULT find_by_number(VARIANT* index, typename Kind::ItemInterface** item);

    ULONG m_references {1};
    bool m_shares_items {false};
    std::int32_t m_position {0};
    PointerList m_items;
    ErrorState& m_owner;
};

using ServerItemCollection = ItemCollection<ServerItemsKind>;
using CustomItemCollection = ItemCollection<CustomItemsKind>;

} // namespace qmt
