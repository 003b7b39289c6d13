// One name/value pair of a collection. Never changed after construction.
#pragma once

#include "common/object_heap.h"
#include "common/wide_text.h"
#include "environment/collection_kinds.h"
#include "quillmate/object.h"

#include <cstddef>
#include <cstdint>

namespace qmt {

// A text given to a new item: zero-terminated wide text, or narrow bytes in the ANSI code
// page that are converted straight into the item's storage (no copy on the way).
struct ItemText {
    static ItemText wide(WideChar const* text) { return {text, nullptr, 0}; }
    static ItemText narrow(char const* bytes, std::size_t length) { return {nullptr, bytes, length}; }

    WideChar const* wide_text;
    char const* narrow_bytes;
    std::size_t narrow_length;
};

template<typename Kind>
class Item final
    : public quillmate::EarlyBoundObject<
          Item<Kind>, quillmate::Answers<typename Kind::ItemInterface, IID_IUnknown, IID_IDispatch, Kind::item_iid>> {
public:
    using Heap = ObjectHeap;

    // A new item with one reference, or null when memory is short. An empty name or value
    // is kept as none.
    static Item* create(ItemText name, ItemText value);

    WideChar const* name() const { return m_name_units == 0 ? nullptr : texts(); }
    WideChar const* value() const { return m_value_units == 0 ? nullptr : texts() + m_name_units; }

    HRESULT STDMETHODCALLTYPE get_Value(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) override;

private:
    friend quillmate::Access;
    Item(ItemText name, std::uint32_t name_units, ItemText value, std::uint32_t value_units);
    ~Item() = default;

    // The name and then the value live right after the item, in the same block: one
    // allocation per item, and no pointers to store.
    WideChar* texts() { return reinterpret_cast<WideChar*>(this + 1); }
    WideChar const* texts() const { return reinterpret_cast<WideChar const*>(this + 1); }

    std::uint32_t m_name_units; // room of the name, terminator included; 0 for none
    std::uint32_t m_value_units; // the same for the value, which follows the name
};

using ServerItemObject = Item<ServerItemsKind>;
using CustomItemObject = Item<CustomItemsKind>;

} // namespace qmt
