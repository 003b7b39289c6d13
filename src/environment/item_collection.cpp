#include "environment/item_collection.h"

#include <cstring>

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
HRESULT ItemCollection<Kind>::add_item(ItemText name, ItemText value)
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
HRESULT ItemCollection<Kind>::add(WideChar const* name, WideChar const* value)
{
    return add_item(ItemText::wide(name), ItemText::wide(value));
}

template<typename Kind>
HRESULT ItemCollection<Kind>::add_converting(WideChar const* name, char const* value, std::size_t value_length)
{
    return add_item(ItemText::wide(name), ItemText::narrow(value, value_length));
}

template<typename Kind>
HRESULT ItemCollection<Kind>::add_narrow(char const* name, char const* value)
{
    return add_item(ItemText::narrow(name, std::strlen(name)), ItemText::narrow(value, std::strlen(value)));
}

template class ItemCollection<ServerItemsKind>;
template class ItemCollection<CustomItemsKind>;

} // namespace qmt
