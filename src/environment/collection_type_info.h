// The type information of each kind of collection's interface, taken from the program's
// own type library at the first dispatch call on a collection of that kind and kept in one
// process-wide slot per kind. The slot is emptied when the items of that kind's owning
// collection are let go: with the collection, or with its last enumerator copy if one
// outlives it. A library that cannot be loaded is tried again at the next call.
#pragma once

#include "automation/automation.h"

namespace qmt {

template<typename Kind>
class CollectionTypeInfo {
public:
    // The kind's type information with a reference of the caller's own, or E_NOTIMPL when
    // the library or its description of the interface cannot be had.
    static HRESULT get(ITypeInfo** info);
    static void release();

private:
    static inline ITypeInfo* s_slot = nullptr;
};

} // namespace qmt
