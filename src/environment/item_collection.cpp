#include "environment/item_collection.h"

#include "common/heap_ptr.h"
#include "common/text_conversion.h"

namespace qmt {

template<typename Kind>
ItemCollection<Kind>* ItemCollection<Kind>::create(ErrorState& owner)
{
    auto store = quillmate::Ref<typename Base::Store>::adopt(Base::Store::create(owner));
    if (!store)
        return nullptr;
    return Base::create(std::move(store));
}

template<typename Kind>
HRESULT ItemCollection<Kind>::add(WideChar const* name, WideChar const* value)
{
    auto* item = Base::ItemType::create(name, value);
    if (item == nullptr)
        return E_OUTOFMEMORY;
    if (!this->m_store->append(item)) {
        item->Release();
        return E_OUTOFMEMORY;
    }
    this->m_count = this->m_store->count();
    return S_OK;
}

template<typename Kind>
HRESULT ItemCollection<Kind>::add_narrow(char const* name, char const* value)
{
    auto widen = [](char const* narrow) {
        std::size_t length = 0;
        while (narrow[length] != '\0')
            ++length;
        std::size_t const units = wide_length_of_narrow(narrow, length);
        auto wide = HeapPtr<WideChar>::allocate(units + 1);
        if (wide)
            wide_from_narrow_into(narrow, length, wide.get(), units + 1);
        return wide;
    };
    auto wide_name = widen(name);
    auto wide_value = widen(value);
    if (!wide_name || !wide_value)
        return E_OUTOFMEMORY;
    return add(wide_name.get(), wide_value.get());
}

template class ItemCollection<ServerItemsKind>;
template class ItemCollection<CustomItemsKind>;

} // namespace qmt
