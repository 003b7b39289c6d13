#include "automation/native/table_call.h"

#include "common/heap_ptr.h"

#include <cstring>
#include <ffi.h>

namespace qmt::runtime {
namespace {

// A VARIANT or DECIMAL passed by value: a block of 64-bit words, as the convention sees it.
struct WholeValue {
    ffi_type* words[4] = {&ffi_type_uint64, &ffi_type_uint64, &ffi_type_uint64, nullptr};
    ffi_type type;
    explicit WholeValue(std::size_t size)
    {
        words[size / 8] = nullptr;
        type.size = size;
        type.alignment = 8;
        type.type = FFI_TYPE_STRUCT;
        type.elements = words;
    }
};

struct Passing {
    WholeValue variant {sizeof(VARIANT)};
    WholeValue decimal {sizeof(DECIMAL)};

    ffi_type* type_of(VARTYPE vt)
    {
        if ((vt & VT_BYREF) != 0)
            return &ffi_type_pointer;
        switch (vt) {
        case VT_EMPTY:
            return &ffi_type_void;
        case VT_I1:
            return &ffi_type_sint8;
        case VT_UI1:
            return &ffi_type_uint8;
        case VT_I2:
        case VT_BOOL:
            return &ffi_type_sint16;
        case VT_UI2:
            return &ffi_type_uint16;
        case VT_I4:
        case VT_INT:
        case VT_ERROR:
        case VT_HRESULT:
            return &ffi_type_sint32;
        case VT_UI4:
        case VT_UINT:
            return &ffi_type_uint32;
        case VT_I8:
        case VT_CY:
            return &ffi_type_sint64;
        case VT_UI8:
            return &ffi_type_uint64;
        case VT_R4:
            return &ffi_type_float;
        case VT_R8:
        case VT_DATE:
            return &ffi_type_double;
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_UNKNOWN:
        case VT_LPSTR:
        case VT_LPWSTR:
        case VT_INT_PTR:
        case VT_UINT_PTR:
            return &ffi_type_pointer;
        case VT_VARIANT:
            return &variant.type;
        case VT_DECIMAL:
            return &decimal.type;
        default:
            return nullptr;
        }
    }
};

bool passed_whole(VARTYPE vt) { return vt == VT_VARIANT || vt == VT_DECIMAL; }

} // namespace

HRESULT call_table_member(void* instance, SHORT table_offset, CALLCONV convention, VARTYPE result_type, UINT count,
                          VARTYPE const* types, VARIANTARG* const* arguments, VARIANT& result)
{
    // Both conventions are the platform's one C convention here.
    if ((convention != CC_STDCALL && convention != CC_CDECL) || instance == nullptr || table_offset < 0
        || table_offset % static_cast<SHORT>(sizeof(void*)) != 0)
        return E_INVALIDARG;
    Passing passing;
    auto argument_types = HeapPtr<ffi_type*>::allocate(count + 1);
    auto values = HeapPtr<void*>::allocate(count + 1);
    if (!argument_types || !values)
        return E_OUTOFMEMORY;
    // The object itself comes first.
    argument_types.get()[0] = &ffi_type_pointer;
    values.get()[0] = &instance;
    for (UINT i = 0; i < count; ++i) {
        ffi_type* type = passing.type_of(types[i]);
        if (type == nullptr || type == &ffi_type_void)
            return DISP_E_BADVARTYPE;
        argument_types.get()[i + 1] = type;
        values.get()[i + 1] = passed_whole(types[i]) ? static_cast<void*>(arguments[i]) : &arguments[i]->llVal;
    }
    ffi_type* returned = passing.type_of(result_type);
    if (returned == nullptr)
        return DISP_E_BADVARTYPE;
    ffi_cif call {};
    if (ffi_prep_cif(&call, FFI_DEFAULT_ABI, count + 1, returned, argument_types.get()) != FFI_OK)
        return E_INVALIDARG;

    auto const* const* table = *static_cast<void const* const* const*>(instance);
    void const* member = table[static_cast<std::size_t>(table_offset) / sizeof(void*)];
    // Small integers come back widened to a whole register; its low bytes are the value.
    alignas(16) unsigned char returned_value[sizeof(VARIANT)] = {};
    ffi_call(&call, reinterpret_cast<void (*)()>(const_cast<void*>(member)),
             passed_whole(result_type) ? static_cast<void*>(&result) : returned_value, values.get());
    if (passed_whole(result_type))
        return S_OK;
    VariantInit(&result);
    if (result_type != VT_EMPTY) {
        std::memcpy(&result.llVal, returned_value, sizeof result.llVal);
        result.vt = result_type;
    }
    return S_OK;
}

} // namespace qmt::runtime
