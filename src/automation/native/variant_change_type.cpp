#include "automation/native/com_abi.h"

QMT_RUNTIME_EXPORT HRESULT VariantChangeType(VARIANTARG*, const VARIANTARG*, USHORT, VARTYPE) { return E_NOTIMPL; }
