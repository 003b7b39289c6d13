// Calls a member of an object's table of operations whose parameters are known only at run
// time, as the platform's C calling convention passes them (through libffi). What
// DispCallFunc does on Windows.
#pragma once

#include "automation/native/type_library_abi.h"

namespace qmt::runtime {

// `arguments[i]` holds a value of variant type `types[i]` (a VT_VARIANT or VT_DECIMAL one is
// passed whole, by value). The member's return value is stored in `result` with type
// `result_type` (VT_EMPTY when it returns nothing). E_INVALIDARG for a calling convention
// or table offset that cannot be called, DISP_E_BADVARTYPE for a type that cannot be passed.
HRESULT call_table_member(void* instance, SHORT table_offset, CALLCONV convention, VARTYPE result_type, UINT count,
                          VARTYPE const* types, VARIANTARG* const* arguments, VARIANT& result);

} // namespace qmt::runtime
