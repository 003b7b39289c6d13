// One name/value pair of a collection. Never changed after construction.
#pragma once

#include "common/object_heap.h"
#include "common/wide_text.h"
#include "environment/collection_kinds.h"
#include "quillmate/object.h"

#include <cstddef>

namespace qmt {

template<typename Kind>
class Item final
    : public quillmate::EarlyBoundObject<
          Item<Kind>, quillmate::Answers<typename Kind::ItemInterface, IID_IUnknown, IID_IDispatch, Kind::item_iid>> {
public:
    using Heap = ObjectHeap;

    // A new item with one reference, or null when memory is short.
    static Item* create(WideChar const* name, WideChar const* value);

    WideChar const* name() const { return m_name; }

    HRESULT STDMETHODCALLTYPE get_Value(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) override;

private:
    friend quillmate::Access;
    Item(WideChar const* name, std::size_t name_bytes, WideChar const* value, std::size_t value_bytes);
    ~Item() = default;

    WideChar* m_name; // null for an empty name; stored right after the item
    WideChar* m_value; // null for an empty value; stored after the name
};

using ServerItemObject = Item<ServerItemsKind>;
using CustomItemObject = Item<CustomItemsKind>;

} // namespace qmt
