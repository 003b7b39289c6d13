// A read-only collection of items that owns them: the one that the environment holds for
// ServerItems or CustomItems, filled by request intake or form decoding before the user's
// method runs. Found by exact name or by 1-based number, counted and enumerated (it is its
// own IEnumVARIANT); _NewEnum and Clone make enumerator copies that share its items.
#pragma once

#include "environment/collection_object.h"

namespace qmt {

template<typename Kind>
class ItemCollection final : public CollectionObject<ItemCollection<Kind>, Kind> {
    using Base = CollectionObject<ItemCollection<Kind>, Kind>;

public:
    // An empty collection that reports its error pages on `owner`; null when memory is short.
    static ItemCollection* create(ErrorState& owner);

    // Adds an item at the end: 0, or E_OUTOFMEMORY when the item or its place in the list
    // cannot be had (the list then stays as it was).
    HRESULT add(WideChar const* name, WideChar const* value);
    // The same with the value given as `value_length` bytes in the ANSI code page, converted
    // straight into the item.
    HRESULT add_converting(WideChar const* name, char const* value, std::size_t value_length);
    // The same from zero-terminated narrow texts in the ANSI code page.
    HRESULT add_narrow(char const* name, char const* value);

    // The owner is being destroyed: this collection and its copies report nothing from now on.
    void owner_gone() { this->m_store->forget_owner(); }

private:
    friend quillmate::Access;
    HRESULT add_item(ItemText name, ItemText value);
    explicit ItemCollection(quillmate::Ref<typename Base::Store> store)
        : Base(std::move(store), 0, 0)
    {
    }
    ~ItemCollection() = default;
};

using ServerItemCollection = ItemCollection<ServerItemsKind>;
using CustomItemCollection = ItemCollection<CustomItemsKind>;

} // namespace qmt
