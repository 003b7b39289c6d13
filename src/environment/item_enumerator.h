// An enumerator copy, made by _NewEnum or Clone: a collection object of the same kind as
// the one it was made from, over the items that one saw at that moment, with a position of
// its own. It shares their store rather than the items one by one, so it takes no reference
// on any item, and it may outlive its collection and the environment: the items stay until
// the store's last holder goes.
#pragma once

#include "environment/collection_object.h"

namespace qmt {

template<typename Kind>
class ItemEnumerator final : public CollectionObject<ItemEnumerator<Kind>, Kind> {
    using Base = CollectionObject<ItemEnumerator<Kind>, Kind>;

public:
    using typename Base::Store;

    // A copy that sees the first `count` items of `store` and stands at `position`: one
    // reference (the caller's), or null when memory is short.
    static ItemEnumerator* create(Store& store, std::int32_t count, std::int32_t position)
    {
        return Base::create(store, count, position);
    }

private:
    friend quillmate::Access;
    ItemEnumerator(Store& store, std::int32_t count, std::int32_t position)
        : Base(quillmate::Ref<Store>::share(&store), count, position)
    {
    }
    ~ItemEnumerator() = default;
};

} // namespace qmt
