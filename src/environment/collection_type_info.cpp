#include "environment/collection_type_info.h"

#include "environment/collection_kinds.h"
#include "typelib/own_type_library.h"

#include <utility>

namespace qmt {

template<typename Kind>
HRESULT CollectionTypeInfo<Kind>::get(ITypeInfo** info)
{
    *info = nullptr;
    if (s_slot == nullptr) {
        OwnTypeLibrary own;
        if (FAILED(load_own_type_library(own)))
            return E_NOTIMPL;
        ITypeInfo* loaded = nullptr;
        if (FAILED(own.library->GetTypeInfoOfGuid(Kind::collection_iid, &loaded)) || loaded == nullptr)
            return E_NOTIMPL;
        s_slot = loaded; // the library stays loaded as long as its type information
    }
    s_slot->AddRef();
    *info = s_slot;
    return S_OK;
}

template<typename Kind>
void CollectionTypeInfo<Kind>::release()
{
    if (ITypeInfo* held = std::exchange(s_slot, nullptr))
        held->Release();
}

template class CollectionTypeInfo<ServerItemsKind>;
template class CollectionTypeInfo<CustomItemsKind>;

} // namespace qmt
