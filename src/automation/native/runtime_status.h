// Statuses of the native runtime beyond the common set in com_abi.h, with Windows values.
#pragma once

#include "quillmate/com_abi.h"

// Creation was asked for before CoInitialize.
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
// HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND): the library lacks DllGetClassObject.
constexpr HRESULT QMT_E_PROC_NOT_FOUND = static_cast<HRESULT>(0x8007007Fu);
