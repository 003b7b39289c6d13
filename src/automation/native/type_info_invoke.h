// Calling a member of an object as its type description lays it out: what ITypeInfo::Invoke
// (and so DispInvoke) does. The arguments are matched to the parameters, coerced and
// completed by the rules of the Windows runtime; the member is called through the object's
// table of operations, and its result and status are handed back as a dispatch call's.
#pragma once

#include "automation/native/type_library_image.h"

namespace qmt::runtime {

HRESULT invoke_member(TypeLibraryImage const& library, TypeDescription const& type, void* instance, MEMBERID memid,
                      WORD flags, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception, UINT* argument_error);

// The variant type that carries a value of `type` (VT_BYREF for one level of pointer;
// interfaces of the library become VT_DISPATCH or VT_UNKNOWN): DISP_E_BADVARTYPE when no
// variant carries it.
HRESULT variant_type_of(TypeLibraryImage const& library, TYPEDESC const& type, VARTYPE& vt);

} // namespace qmt::runtime
