// Variant conversion. The source is read through its reference (if any), the converted
// value is built apart, and only a successful conversion replaces the destination: a
// failure leaves the destination as it was, and dest == src converts in place.
//
// Conversions this runtime does not carry (floating point, currency or decimal results,
// arrays, records, text of non-integers) answer DISP_E_TYPEMISMATCH instead of guessing.
#include "automation/native/long_coercion.h"
#include "automation/native/number_text_parser.h"
#include "quillmate/com_abi.h"

#include <charconv>
#include <cstring>

namespace {

using namespace qmt::runtime;

constexpr VARTYPE vt_unused_15 = 15;
constexpr VARTYPE vt_vector = 0x1000;
constexpr VARTYPE vt_clsid = 72;

// An object's default value may itself be an object; a cycle of them must not recurse forever.
constexpr int max_default_value_depth = 16;

HRESULT change_type(VARIANT& dest, const VARIANT& src, USHORT flags, VARTYPE vt, int depth);

bool is_valid_type(VARTYPE vt)
{
    VARTYPE const base = vt & VT_TYPEMASK;
    VARTYPE const extra = vt & ~VT_TYPEMASK;
    if ((extra & (vt_vector | VT_RESERVED)) != 0)
        return false;
    if (base >= VT_VOID && base != VT_RECORD && base != vt_clsid)
        return false;
    if ((extra & (VT_BYREF | VT_ARRAY)) != 0 && base <= VT_NULL)
        return false;
    return base != vt_unused_15;
}

// INT and UINT are the 32-bit types under another name.
VARTYPE canonical(VARTYPE vt)
{
    if (vt == VT_INT)
        return VT_I4;
    if (vt == VT_UINT)
        return VT_UI4;
    return vt;
}

std::size_t referenced_size(VARTYPE base)
{
    switch (base) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_DATE:
    case VT_CY:
        return 8;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return sizeof(void*);
    default:
        return 0;
    }
}

// The value a variant stands for, read through its reference. A reference to a variant is
// followed into that variant, and through that variant's own reference, but no further.
// The view borrows: it owns no string or object.
HRESULT dereference(const VARIANT& src, VARIANT& view, bool nested)
{
    if ((src.vt & VT_BYREF) == 0) {
        if (nested && (!is_valid_type(src.vt) || src.vt == vt_clsid))
            return DISP_E_BADVARTYPE;
        std::memcpy(&view, &src, sizeof view);
        return S_OK;
    }
    VARTYPE const target = src.vt & ~VT_BYREF;
    VARTYPE const base = target & VT_TYPEMASK;
    bool const array = (target & VT_ARRAY) != 0;
    bool const plain_type = base > VT_NULL && base != vt_unused_15 && base < VT_VOID;
    if (!array && (!plain_type || (target & (vt_vector | VT_RESERVED)) != 0))
        return E_INVALIDARG;
    if (src.byref == nullptr)
        return DISP_E_TYPEMISMATCH;

    VariantInit(&view);
    if (array) {
        view.parray = *src.pparray;
    } else if (base == VT_VARIANT) {
        if (nested || src.pvarVal->vt == (VT_VARIANT | VT_BYREF))
            return E_INVALIDARG;
        return dereference(*src.pvarVal, view, true);
    } else if (base == VT_DECIMAL) {
        view.decVal = *src.pdecVal;
    } else {
        std::memcpy(&view.llVal, src.byref, referenced_size(base));
    }
    view.vt = target;
    return S_OK;
}

// An object's value is its default member, read as a property.
HRESULT long_from_dispatch(IDispatch* object, LONG& out, int depth)
{
    if (object == nullptr)
        return DISP_E_BADVARTYPE;
    if (depth >= max_default_value_depth)
        return DISP_E_TYPEMISMATCH;
    DISPPARAMS no_arguments {nullptr, nullptr, 0, 0};
    VARIANT value;
    VariantInit(&value);
    if (FAILED(object->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &no_arguments, &value,
                              nullptr, nullptr))) {
        VariantClear(&value); // in case the object filled it in before failing
        return DISP_E_TYPEMISMATCH;
    }
    VARIANT converted;
    VariantInit(&converted);
    HRESULT const status = change_type(converted, value, 0, VT_I4, depth + 1);
    VariantClear(&value);
    if (SUCCEEDED(status))
        out = converted.lVal;
    return status;
}

HRESULT long_from_value(const VARIANT& view, LONG& out, int depth)
{
    switch (canonical(view.vt)) {
    case VT_EMPTY:
        out = 0;
        return S_OK;
    case VT_I1:
        out = static_cast<signed char>(view.cVal); // NOLINT(bugprone-signed-char-misuse): VT_I1 is signed
        return S_OK;
    case VT_UI1:
        out = view.bVal;
        return S_OK;
    case VT_I2:
        out = view.iVal;
        return S_OK;
    case VT_UI2:
        out = view.uiVal;
        return S_OK;
    case VT_BOOL:
        out = view.boolVal;
        return S_OK;
    case VT_UI4:
        out = static_cast<LONG>(view.ulVal); // the runtime keeps the bits: 0xFFFFFFFF is -1
        return S_OK;
    case VT_I8:
        if (view.llVal < -2147483647 - 1 || view.llVal > 2147483647)
            return DISP_E_OVERFLOW;
        out = static_cast<LONG>(view.llVal);
        return S_OK;
    case VT_UI8:
        if (view.ullVal > 2147483647u)
            return DISP_E_OVERFLOW;
        out = static_cast<LONG>(view.ullVal);
        return S_OK;
    case VT_R4:
        return long_from_double(view.fltVal, out);
    case VT_R8:
        return long_from_double(view.dblVal, out);
    case VT_DATE:
        return long_from_double(view.date, out);
    case VT_CY:
        return long_from_currency(view.cyVal.int64, out);
    case VT_DECIMAL:
        return long_from_decimal(view.decVal, out);
    case VT_BSTR: {
        NumberText number;
        if (!parse_number_text(view.bstrVal, number))
            return DISP_E_TYPEMISMATCH;
        return long_from_number_text(number, out);
    }
    case VT_DISPATCH:
        return long_from_dispatch(view.pdispVal, out, depth);
    default:
        return DISP_E_TYPEMISMATCH; // NULL, ERROR, UNKNOWN, VARIANT, RECORD
    }
}

HRESULT text_from_integer(std::int64_t signed_value, std::uint64_t unsigned_value, bool is_signed, BSTR& out)
{
    char narrow[24];
    auto const written = is_signed ? std::to_chars(narrow, narrow + sizeof narrow, signed_value)
                                   : std::to_chars(narrow, narrow + sizeof narrow, unsigned_value);
    auto const length = static_cast<UINT>(written.ptr - narrow);
    out = SysAllocStringLen(nullptr, length);
    if (out == nullptr)
        return E_OUTOFMEMORY;
    for (UINT i = 0; i < length; ++i)
        out[i] = static_cast<OLECHAR>(narrow[i]);
    return S_OK;
}

HRESULT text_from_value(const VARIANT& view, USHORT flags, BSTR& out)
{
    switch (canonical(view.vt)) {
    case VT_EMPTY:
        out = SysAllocStringLen(nullptr, 0);
        return out != nullptr ? S_OK : E_OUTOFMEMORY;
    case VT_I1:
        return text_from_integer(static_cast<signed char>(view.cVal), 0, true, out);
    case VT_UI1:
        return text_from_integer(view.bVal, 0, true, out);
    case VT_I2:
        return text_from_integer(view.iVal, 0, true, out);
    case VT_UI2:
        return text_from_integer(view.uiVal, 0, true, out);
    case VT_I4:
        return text_from_integer(view.lVal, 0, true, out);
    case VT_UI4:
        return text_from_integer(view.ulVal, 0, true, out);
    case VT_I8:
        return text_from_integer(view.llVal, 0, true, out);
    case VT_UI8:
        return text_from_integer(0, view.ullVal, false, out);
    case VT_BOOL:
        // Without the flags asking for words, a boolean reads as the integer it holds.
        if ((flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) != 0)
            return DISP_E_TYPEMISMATCH;
        return text_from_integer(view.boolVal, 0, true, out);
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

HRESULT interface_from_value(const VARIANT& view, REFIID iid, VARIANT& result)
{
    if (view.punkVal == nullptr) {
        result.punkVal = nullptr;
        return S_OK;
    }
    void* pointer = nullptr;
    HRESULT const status = view.punkVal->QueryInterface(iid, &pointer);
    if (SUCCEEDED(status))
        result.punkVal = static_cast<IUnknown*>(pointer);
    return status;
}

// Builds the converted value in result (which then owns whatever it holds).
HRESULT coerce(const VARIANT& view, USHORT flags, VARTYPE vt, VARIANT& result, int depth)
{
    VARTYPE const to = canonical(vt);
    VARTYPE const from = canonical(view.vt);
    if ((view.vt & VT_ARRAY) != 0 || (vt & VT_ARRAY) != 0)
        return DISP_E_TYPEMISMATCH; // arrays are not part of this runtime
    if (to == from) {
        if (from == VT_RECORD)
            return DISP_E_TYPEMISMATCH; // records are not part of this runtime
        return VariantCopy(&result, &view); // result owns its own string or object reference
    }
    if ((flags & VARIANT_NOVALUEPROP) != 0 && from == VT_DISPATCH && to != VT_UNKNOWN)
        return DISP_E_TYPEMISMATCH;

    switch (to) {
    case VT_EMPTY:
    case VT_NULL:
        // Every plain value can be dropped, except an error code (and NULL becoming EMPTY).
        if ((to == VT_EMPTY && from == VT_NULL) || from > VT_UINT || from == vt_unused_15 || from == VT_ERROR)
            return DISP_E_TYPEMISMATCH;
        return S_OK;
    case VT_I4:
        return long_from_value(view, result.lVal, depth);
    case VT_BSTR:
        return text_from_value(view, flags, result.bstrVal);
    case VT_UNKNOWN:
        if (from != VT_DISPATCH)
            return DISP_E_TYPEMISMATCH;
        return interface_from_value(view, IID_IUnknown, result);
    case VT_DISPATCH:
        if (from != VT_UNKNOWN)
            return DISP_E_TYPEMISMATCH;
        return interface_from_value(view, IID_IDispatch, result);
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

HRESULT change_type(VARIANT& dest, const VARIANT& src, USHORT flags, VARTYPE vt, int depth)
{
    if (vt == vt_clsid || !is_valid_type(src.vt) || !is_valid_type(vt))
        return DISP_E_BADVARTYPE;
    if ((src.vt & VT_BYREF) != 0 && src.byref == nullptr)
        return DISP_E_TYPEMISMATCH;

    VARIANT view;
    HRESULT status = dereference(src, view, false);
    if (FAILED(status))
        return status;
    if (view.vt == vt_clsid)
        return DISP_E_BADVARTYPE;

    VARIANT result;
    VariantInit(&result);
    status = coerce(view, flags, vt, result, depth);
    if (FAILED(status))
        return status;
    result.vt = vt;
    // The source (possibly dest itself) is no longer needed: result holds its own copy.
    VariantClear(&dest);
    std::memcpy(&dest, &result, sizeof dest);
    return S_OK;
}

} // namespace

QMT_RUNTIME_EXPORT HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                                             VARTYPE vt)
{
    if (pvargDest == nullptr || pvarSrc == nullptr)
        return E_INVALIDARG;
    return change_type(*pvargDest, *pvarSrc, wFlags, vt, 0);
}
