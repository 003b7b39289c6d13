// What every collection object does, the owning collection and each enumerator copy alike:
// find an item by exact name or by 1-based number, count, make enumerator copies, and
// enumerate, the same object being its own IEnumVARIANT (one identity, one count). Each
// sees the first `count` items of a store it shares and keeps its own position.
#pragma once

#include "common/object_heap.h"
#include "environment/item_store.h"
#include "quillmate/object.h"
#include "quillmate/ref.h"

#include <cstdint>
#include <utility>

namespace qmt {

template<typename Derived, typename Kind>
class CollectionObject
    : public quillmate::EarlyBoundObject<
          Derived,
          quillmate::Answers<typename Kind::CollectionInterface, IID_IUnknown, IID_IDispatch, Kind::collection_iid>,
          quillmate::Answers<IEnumVARIANT, IID_IEnumVARIANT>> {
public:
    using Heap = ObjectHeap;
    using ItemType = Item<Kind>;
    using Store = ItemStore<Kind>;

    std::int32_t count() const { return m_count; }

    // Late-bound calls, by member identifier only (names are not looked up): dispatched by
    // the runtime as the program's own type library lays out the kind's interface.
    // E_NOTIMPL while that library cannot be loaded.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    HRESULT STDMETHODCALLTYPE get_Item(VARIANT* Index, typename Kind::ItemInterface** item) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pCount) override;
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** ppenumVariant) override;

    // IEnumVARIANT
    HRESULT STDMETHODCALLTYPE Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** ppEnum) override;

protected:
    CollectionObject(quillmate::Ref<Store> store, std::int32_t count, std::int32_t position)
        : m_store(std::move(store))
        , m_count(count)
        , m_position(position)
    {
    }
    ~CollectionObject() = default;

    quillmate::Ref<Store> m_store;
    std::int32_t m_count; // the items of the store this object sees
    std::int32_t m_position; // 0-based: the item that Next hands out next

private:
    ItemType* item_at(std::int32_t index) const { return m_store->at(index); }
    HRESULT find_by_name(BSTR name, typename Kind::ItemInterface** item);
    HRESULT find_by_number(VARIANT* index, typename Kind::ItemInterface** item);
    void report(std::uint32_t message, WideChar const* text) const;
    HRESULT make_enumerator(std::int32_t position, IEnumVARIANT** enumerator) const;
};

} // namespace qmt
