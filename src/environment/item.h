// One name/value pair of a collection. Never changed after construction.
#pragma once

#include "common/wide_text.h"
#include "environment/collection_kinds.h"

namespace qmt {

template<typename Kind>
class Item final : public Kind::ItemInterface {
public:
    // A new item with one reference, or null when memory is short.
    static Item* create(WideChar const* name, WideChar const* value);

    WideChar const* name() const { return m_name; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Value(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) override;

private:
    Item() = default;
    ~Item();

    ULONG m_references { 1 };
    WideChar* m_name { nullptr };  // null for an empty name
    WideChar* m_value { nullptr }; // null for an empty value
};

using ServerItemObject = Item<ServerItemsKind>;
using CustomItemObject = Item<CustomItemsKind>;

} // namespace qmt
