// The items of one owning collection, shared with every enumerator copy made from it: a
// counted, append-only list. Each holder sees the first items up to its own count; the
// items are released once, when the last holder lets the store go, and with them the
// kind's cached type information. The store also keeps the owner through which lookups
// report error pages, until the owner is gone. It is counted through the object helper like
// the objects that hold it, though only they see it.
#pragma once

#include "common/object_heap.h"
#include "common/pointer_list.h"
#include "environment/collection_type_info.h"
#include "environment/item.h"
#include "quillmate/object.h"
#include "report/error_state.h"

#include <cstdint>

namespace qmt {

template<typename Kind>
class ItemStore final : public quillmate::Object<ItemStore<Kind>, quillmate::Answers<IUnknown, IID_IUnknown>> {
public:
    using Heap = ObjectHeap;
    using ItemType = Item<Kind>;

    // Takes over the item's one reference; false (the item not taken) when the list cannot grow.
    bool append(ItemType* item) { return m_items.append(item); }

    std::int32_t count() const { return m_items.count(); }
    ItemType* at(std::int32_t index) const { return static_cast<ItemType*>(m_items.at(index)); }

    // Null once the owner is gone: lookups then report nothing.
    ErrorState* owner() const { return m_owner; }
    void forget_owner() { m_owner = nullptr; }

private:
    friend quillmate::Access;
    explicit ItemStore(ErrorState& owner)
        : m_owner(&owner)
    {
    }
    ~ItemStore()
    {
        std::int32_t const count = m_items.count();
        for (std::int32_t i = 0; i < count; ++i)
            at(i)->Release();
        CollectionTypeInfo<Kind>::release();
    }

    PointerList m_items;
    ErrorState* m_owner;
};

} // namespace qmt
