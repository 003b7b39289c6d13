// Variant lifetime: initialise, clear (freeing what the variant owns) and deep copy.
#include "quillmate/com_abi.h"

#include <cstring>

QMT_RUNTIME_EXPORT void VariantInit(VARIANTARG* pvarg)
{
    pvarg->vt = VT_EMPTY;
    pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
}

QMT_RUNTIME_EXPORT HRESULT VariantClear(VARIANTARG* pvarg)
{
    if (pvarg == nullptr)
        return E_INVALIDARG;
    if ((pvarg->vt & VT_BYREF) == 0) {
        switch (pvarg->vt) {
        case VT_BSTR:
            SysFreeString(pvarg->bstrVal);
            break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            if (pvarg->punkVal != nullptr)
                pvarg->punkVal->Release();
            break;
        default:
            break;
        }
    }
    pvarg->vt = VT_EMPTY;
    return S_OK;
}

QMT_RUNTIME_EXPORT HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc)
{
    if (pvargDest == nullptr || pvargSrc == nullptr)
        return E_INVALIDARG;
    if (pvargDest == pvargSrc)
        return S_OK;
    if ((pvargSrc->vt & VT_ARRAY) != 0 || (pvargSrc->vt & VT_TYPEMASK) == VT_RECORD)
        return DISP_E_BADVARTYPE; // arrays and records are not part of this runtime
    VARIANT copy;
    std::memcpy(&copy, pvargSrc, sizeof copy);
    if ((pvargSrc->vt & VT_BYREF) == 0) {
        if (pvargSrc->vt == VT_BSTR && pvargSrc->bstrVal != nullptr) {
            copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<char const*>(pvargSrc->bstrVal),
                                                 SysStringByteLen(pvargSrc->bstrVal));
            if (copy.bstrVal == nullptr)
                return E_OUTOFMEMORY;
        } else if ((pvargSrc->vt == VT_DISPATCH || pvargSrc->vt == VT_UNKNOWN) && pvargSrc->punkVal != nullptr) {
            pvargSrc->punkVal->AddRef();
        }
    }
    VariantClear(pvargDest);
    std::memcpy(pvargDest, &copy, sizeof copy);
    return S_OK;
}
