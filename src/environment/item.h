// One name/value pair of a collection. Never changed after construction.
#pragma once

#include "common/wide_text.h"
#include "environment/collection_kinds.h"
#include "environment/early_bound.h"

namespace qmt {

template<typename Kind>
class Item final : public EarlyBound<typename Kind::ItemInterface> {
public:
    // A new item with one reference, or null when memory is short.
    static Item* create(WideChar const* name, WideChar const* value);

    WideChar const* name() const { return m_name; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE get_Value(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) override;

private:
    Item() = default;
    ~Item() = default;

    ULONG m_references {1};
    WideChar* m_name {nullptr}; // null for an empty name; stored right after the item
    WideChar* m_value {nullptr}; // null for an empty value; stored after the name
};

using ServerItemObject = Item<ServerItemsKind>;
using CustomItemObject = Item<CustomItemsKind>;

} // namespace qmt
