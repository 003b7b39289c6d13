#include "typelib/own_type_library.h"

#include "common/text_conversion.h"
#include "platform/module.h"

#include <cstring>

namespace qmt {

HRESULT load_own_type_library(OwnTypeLibrary& loaded)
{
    loaded = OwnTypeLibrary {};
    HeapPtr<char> const narrow(platform::module_path());
    if (!narrow)
        return E_FAIL;
    std::size_t const length = std::strlen(narrow.get());
    std::size_t const units = wide_length_of_narrow(narrow.get(), length);
    if (units == 0)
        return E_FAIL;
    auto wide = HeapPtr<WideChar>::allocate(units + 1);
    if (!wide)
        return E_OUTOFMEMORY;
    if (wide_from_narrow_into(narrow.get(), length, wide.get(), units + 1) != units)
        return E_FAIL;
    HRESULT const status = LoadTypeLib(wide.get(), loaded.library.out());
    if (FAILED(status))
        return status;
    loaded.path = std::move(wide);
    return S_OK;
}

} // namespace qmt
