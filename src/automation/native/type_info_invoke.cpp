#include "automation/native/type_info_invoke.h"

#include "automation/native/table_call.h"
#include "common/heap_ptr.h"

#include <cstring>

namespace qmt::runtime {
namespace {

// The type of a library's own type when a variant carries it.
HRESULT variant_type_of_reference(TypeLibraryImage const& library, HREFTYPE reference, VARTYPE& vt, int depth)
{
    if (depth > 16)
        return DISP_E_BADVARTYPE; // an alias of an alias of ...: no end
    TYPEKIND kind = TKIND_MAX;
    WORD flags = 0;
    if (TypeDescription const* local = library.local_type(reference)) {
        kind = local->kind;
        flags = local->flags;
        if (kind == TKIND_ALIAS) {
            if (local->alias.vt == VT_USERDEFINED)
                return variant_type_of_reference(library, local->alias.hreftype, vt, depth + 1);
            vt = static_cast<VARTYPE>(vt | local->alias.vt);
            return S_OK;
        }
    } else if (ImportedType const* imported = library.imported_type(reference)) {
        kind = imported->kind; // its flags are in a file not read: it counts as a plain interface
    }
    switch (kind) {
    case TKIND_ENUM:
        vt = static_cast<VARTYPE>(vt | VT_I4);
        return S_OK;
    case TKIND_INTERFACE:
        vt = static_cast<VARTYPE>(vt | ((flags & TYPEFLAG_FDISPATCHABLE) != 0 ? VT_DISPATCH : VT_UNKNOWN));
        return S_OK;
    case TKIND_DISPATCH:
    case TKIND_COCLASS:
        vt = static_cast<VARTYPE>(vt | VT_DISPATCH);
        return S_OK;
    default:
        return DISP_E_BADVARTYPE; // records and unions are not carried
    }
}

// One parameter's argument as the call passes it, and what must be cleared afterwards.
struct Argument {
    VARTYPE type;
    VARIANTARG* passed; // what the member receives: the caller's own variant, or `value`
    VARIANTARG value; // owned when `owns_value`
    VARIANTARG pointee; // the storage a by-reference argument points to, owned when `owns_pointee`
    bool owns_value;
    bool owns_pointee;
    bool is_result;
};

class Invocation {
public:
    Invocation(TypeLibraryImage const& library, FunctionDescription const& function, DISPPARAMS const& parameters)
        : m_library(library)
        , m_function(function)
        , m_parameters(parameters)
    {
    }
    Invocation(Invocation const&) = delete;
    Invocation& operator=(Invocation const&) = delete;
    ~Invocation()
    {
        for (std::size_t i = 0; m_arguments && i < m_count; ++i) {
            Argument& argument = m_arguments.get()[i];
            if (argument.owns_value)
                VariantClear(&argument.value);
            if (argument.owns_pointee)
                VariantClear(&argument.pointee);
        }
    }

    HRESULT run(void* instance, VARIANT* result, EXCEPINFO* exception, UINT* argument_error);

private:
    HRESULT prepare(UINT* argument_error);
    HRESULT take(Argument& argument, USHORT flags, VARIANTARG* source);
    void omit(Argument& argument);
    VARIANTARG* source_for(SHORT index, UINT& positional_taken) const;
    HRESULT finish(VARIANT& returned, VARIANT* result, EXCEPINFO* exception);

    TypeLibraryImage const& m_library;
    FunctionDescription const& m_function;
    DISPPARAMS const& m_parameters;
    HeapPtr<Argument> m_arguments;
    std::size_t m_count {0};
};

VARIANTARG* Invocation::source_for(SHORT index, UINT& positional_taken) const
{
    // Named arguments name their parameter by position; a property's new value is named
    // DISPID_PROPERTYPUT and goes to the last parameter.
    for (UINT j = 0; j < m_parameters.cNamedArgs; ++j) {
        DISPID const named = m_parameters.rgdispidNamedArgs[j];
        if (named == index || (index == m_function.parameter_count - 1 && named == DISPID_PROPERTYPUT))
            return &m_parameters.rgvarg[j];
    }
    // Positional arguments arrive in reverse order, after the named ones.
    if (positional_taken + m_parameters.cNamedArgs < m_parameters.cArgs)
        return &m_parameters.rgvarg[m_parameters.cArgs - 1 - positional_taken++];
    return nullptr;
}

// The missing-argument marker, by value or behind a variant reference.
void Invocation::omit(Argument& argument)
{
    VARIANTARG& marker = (argument.type & VT_BYREF) != 0 ? argument.pointee : argument.value;
    VariantInit(&marker);
    marker.vt = VT_ERROR;
    marker.scode = DISP_E_PARAMNOTFOUND;
    if ((argument.type & VT_BYREF) != 0) {
        argument.type = VT_VARIANT | VT_BYREF;
        argument.value.vt = argument.type;
        argument.value.pvarVal = &argument.pointee;
    }
    argument.passed = &argument.value;
}

HRESULT Invocation::take(Argument& argument, USHORT flags, VARIANTARG* source)
{
    VARTYPE const wanted = argument.type;
    VARTYPE const base = static_cast<VARTYPE>(wanted & ~VT_BYREF);
    argument.passed = &argument.value;
    if (source->vt == wanted) {
        argument.passed = source; // exactly what the member takes
        return S_OK;
    }
    if (wanted == VT_VARIANT) {
        argument.owns_value = true;
        return VariantCopy(&argument.value, source);
    }
    if ((wanted & VT_BYREF) != 0) {
        // A reference to a copy of the caller's value, converted; an [out] parameter's starts empty.
        argument.value.vt = wanted;
        if (base == VT_VARIANT) {
            argument.value.pvarVal = &argument.pointee;
            if ((flags & PARAMFLAG_FIN) == 0)
                return S_OK;
            argument.owns_pointee = true;
            return VariantCopy(&argument.pointee, source);
        }
        argument.value.byref = &argument.pointee.llVal;
        if ((source->vt & VT_BYREF) != 0 || (flags & PARAMFLAG_FIN) == 0)
            return (source->vt & VT_BYREF) != 0 ? DISP_E_TYPEMISMATCH : S_OK;
        argument.owns_pointee = true;
        return VariantChangeType(&argument.pointee, source, 0, base);
    }
    bool const lendable = wanted == VT_BSTR || wanted == VT_DISPATCH || wanted == VT_UNKNOWN;
    if (lendable && source->vt == (wanted | VT_BYREF) && source->byref != nullptr) {
        // The text or object the caller refers to, lent as it is (not owned).
        argument.value.vt = wanted;
        argument.value.byref = *static_cast<void**>(source->byref);
        return S_OK;
    }
    argument.owns_value = true;
    return VariantChangeType(&argument.value, source, 0, wanted);
}

HRESULT Invocation::prepare(UINT* argument_error)
{
    m_count = static_cast<std::size_t>(m_function.parameter_count);
    m_arguments = HeapPtr<Argument>::allocate(m_count == 0 ? 1 : m_count);
    if (!m_arguments)
        return E_OUTOFMEMORY;
    // All zero: a result that the member never writes reads as none.
    std::memset(static_cast<void*>(m_arguments.get()), 0, m_count * sizeof(Argument));
    UINT positional_taken = 0;
    for (SHORT i = 0; i < m_function.parameter_count; ++i) {
        ParameterDescription const& parameter = m_function.parameters[i];
        Argument& argument = m_arguments.get()[i];
        argument.type = VT_EMPTY;
        HRESULT status = variant_type_of(m_library, parameter.type, argument.type);
        if (FAILED(status))
            return status;
        if ((parameter.flags & PARAMFLAG_FLCID) != 0) {
            argument.value.vt = VT_I4;
            argument.value.lVal = static_cast<LONG>(m_library.lcid);
            argument.passed = &argument.value;
            continue;
        }
        if ((parameter.flags & PARAMFLAG_FRETVAL) != 0) {
            if (i != m_function.parameter_count - 1 || (argument.type & VT_BYREF) == 0)
                return E_UNEXPECTED; // the result is always the last parameter, and a reference
            argument.is_result = true;
            argument.value.vt = argument.type;
            argument.value.byref = argument.type == (VT_VARIANT | VT_BYREF) ? static_cast<void*>(&argument.pointee)
                                                                            : &argument.pointee.llVal;
            argument.passed = &argument.value;
            continue;
        }
        VARIANTARG* source = source_for(i, positional_taken);
        bool const marked_missing
            = source != nullptr && source->vt == VT_ERROR && source->scode == DISP_E_PARAMNOTFOUND;
        if (source == nullptr || (marked_missing && (parameter.flags & PARAMFLAG_FOPT) != 0)) {
            if ((parameter.flags & PARAMFLAG_FOPT) == 0)
                return DISP_E_BADPARAMCOUNT;
            omit(argument);
            continue;
        }
        if (marked_missing)
            status = DISP_E_PARAMNOTOPTIONAL;
        else
            status = take(argument, parameter.flags, source);
        if (FAILED(status)) {
            if (argument_error != nullptr)
                *argument_error = static_cast<UINT>(source - m_parameters.rgvarg);
            return status;
        }
    }
    // Every positional argument must have found a parameter.
    return positional_taken + m_parameters.cNamedArgs < m_parameters.cArgs ? DISP_E_BADPARAMCOUNT : S_OK;
}

HRESULT Invocation::finish(VARIANT& returned, VARIANT* result, EXCEPINFO* exception)
{
    Argument* retval
        = m_count > 0 && m_arguments.get()[m_count - 1].is_result ? &m_arguments.get()[m_count - 1] : nullptr;
    bool const failed = returned.vt == VT_ERROR && FAILED(returned.scode);
    if (retval != nullptr) {
        // The member's result moves into the caller's result variant (or is let go).
        VARIANT value;
        VariantInit(&value);
        std::memcpy(&value.llVal, &retval->pointee.llVal, 8);
        value.vt = static_cast<VARTYPE>(retval->type & ~VT_BYREF);
        if (value.vt == VT_VARIANT)
            std::memcpy(&value, &retval->pointee, sizeof value);
        if (result != nullptr && !failed)
            std::memcpy(result, &value, sizeof value);
        else
            VariantClear(&value);
    } else if (result != nullptr && returned.vt != VT_ERROR && returned.vt != VT_EMPTY) {
        std::memcpy(result, &returned, sizeof returned);
    }
    if (!failed)
        return S_OK;
    // A failure status of the member reaches the caller as an exception carrying it.
    if (exception != nullptr) {
        *exception = EXCEPINFO {};
        exception->scode = returned.scode;
    }
    return DISP_E_EXCEPTION;
}

HRESULT Invocation::run(void* instance, VARIANT* result, EXCEPINFO* exception, UINT* argument_error)
{
    HRESULT status = prepare(argument_error);
    if (FAILED(status))
        return status;
    VARTYPE returned_type = VT_EMPTY;
    if (m_function.result.vt != VT_VOID) {
        status
            = m_function.result.vt == VT_HRESULT ? S_OK : variant_type_of(m_library, m_function.result, returned_type);
        if (m_function.result.vt == VT_HRESULT)
            returned_type = VT_ERROR;
        if (FAILED(status))
            return status;
    }
    auto passed = HeapPtr<VARIANTARG*>::allocate(m_count == 0 ? 1 : m_count);
    auto types = HeapPtr<VARTYPE>::allocate(m_count == 0 ? 1 : m_count);
    if (!passed || !types)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < m_count; ++i) {
        passed.get()[i] = m_arguments.get()[i].passed;
        types.get()[i] = m_arguments.get()[i].type;
    }
    VARIANT returned;
    VariantInit(&returned);
    status = call_table_member(instance, m_function.table_offset, m_function.calling_convention, returned_type,
                               static_cast<UINT>(m_count), types.get(), passed.get(), returned);
    if (FAILED(status))
        return status;
    return finish(returned, result, exception);
}

FunctionDescription const* find_function(TypeDescription const& type, MEMBERID memid, WORD flags)
{
    for (WORD i = 0; i < type.function_count; ++i) {
        FunctionDescription const& function = type.functions[i];
        // A restricted member answers only to the reserved (negative) identifiers, such as _NewEnum's.
        bool const hidden = (function.flags & FUNCFLAG_FRESTRICTED) != 0 && function.memid >= 0;
        if (function.memid == memid && (flags & function.invoke_kind) != 0 && !hidden)
            return &function;
    }
    return nullptr;
}

// Setting a property that can only be read is a count mismatch when the arguments could
// be its value, as the Windows runtime answers it.
bool is_put_to_read_only_property(TypeDescription const& type, MEMBERID memid, WORD flags, UINT arguments)
{
    if ((flags & DISPATCH_PROPERTYPUT) == 0)
        return false;
    for (WORD i = 0; i < type.function_count; ++i) {
        FunctionDescription const& function = type.functions[i];
        if (function.memid != memid || (function.invoke_kind & INVOKE_PROPERTYGET) == 0)
            continue;
        UINT inputs = 0;
        for (SHORT j = 0; j < function.parameter_count; ++j)
            inputs += (function.parameters[j].flags & PARAMFLAG_FRETVAL) == 0 ? 1 : 0;
        if (inputs == 0 || arguments == inputs + 1)
            return true;
    }
    return false;
}

// A property whose only parameter is its result, given arguments: they are for the default
// member of the object it returns (a collection's Item, say).
bool forwards_to_default_member(FunctionDescription const& function, DISPPARAMS const& parameters, VARIANT* result)
{
    return parameters.cArgs > 0 && result != nullptr && (function.invoke_kind & INVOKE_PROPERTYGET) != 0
        && function.parameter_count == 1 && (function.parameters[0].flags & PARAMFLAG_FRETVAL) != 0;
}

} // namespace

HRESULT variant_type_of(TypeLibraryImage const& library, TYPEDESC const& type, VARTYPE& vt)
{
    TYPEDESC const* described = &type;
    if (described->vt == VT_PTR) {
        described = described->lptdesc;
        // A pointer to an interface is the interface itself; one more level makes a reference to it.
        bool const to_pointer = described->vt == VT_PTR;
        TYPEDESC const* target = to_pointer ? described->lptdesc : described;
        if (target->vt == VT_USERDEFINED) {
            VARTYPE object = to_pointer ? VT_BYREF : VT_EMPTY;
            if (SUCCEEDED(variant_type_of_reference(library, target->hreftype, object, 0))
                && ((object & VT_TYPEMASK) == VT_DISPATCH || (object & VT_TYPEMASK) == VT_UNKNOWN)) {
                vt = static_cast<VARTYPE>(vt | object);
                return S_OK;
            }
        }
        vt = VT_BYREF;
    }
    switch (described->vt) {
    case VT_HRESULT:
        vt = static_cast<VARTYPE>(vt | VT_ERROR);
        return S_OK;
    case VT_USERDEFINED:
        return variant_type_of_reference(library, described->hreftype, vt, 0);
    case VT_INT:
        vt = static_cast<VARTYPE>(vt | VT_I4);
        return S_OK;
    case VT_UINT:
        vt = static_cast<VARTYPE>(vt | VT_UI4);
        return S_OK;
    case VT_VOID:
    case VT_PTR:
    case VT_CARRAY:
    case VT_SAFEARRAY: // this runtime has no arrays
    case VT_LPSTR:
    case VT_LPWSTR:
    case VT_RECORD:
        return DISP_E_BADVARTYPE;
    default:
        vt = static_cast<VARTYPE>(vt | described->vt);
        return S_OK;
    }
}

HRESULT invoke_member(TypeLibraryImage const& library, TypeDescription const& type, void* instance, MEMBERID memid,
                      WORD flags, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception, UINT* argument_error)
{
    if ((type.flags & TYPEFLAG_FRESTRICTED) != 0)
        return DISP_E_MEMBERNOTFOUND;
    if (parameters == nullptr || parameters->cNamedArgs > parameters->cArgs
        || (parameters->cArgs > 0 && parameters->rgvarg == nullptr)
        || (parameters->cNamedArgs > 0 && parameters->rgdispidNamedArgs == nullptr))
        return E_INVALIDARG;
    FunctionDescription const* function = find_function(type, memid, flags);
    if (function == nullptr)
        return is_put_to_read_only_property(type, memid, flags, parameters->cArgs) ? DISP_E_BADPARAMCOUNT
                                                                                   : DISP_E_MEMBERNOTFOUND;
    if (result != nullptr)
        VariantInit(result);
    if (function->kind == FUNC_DISPATCH) {
        // A member of a pure dispatch interface: the object's own Invoke answers it.
        auto* unknown = static_cast<IUnknown*>(instance);
        IDispatch* dispatch = nullptr;
        HRESULT const status = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
        if (FAILED(status))
            return status;
        HRESULT const invoked = dispatch->Invoke(memid, IID_NULL, LOCALE_USER_DEFAULT, flags, parameters, result,
                                                 exception, argument_error);
        dispatch->Release();
        return invoked;
    }
    if (function->kind != FUNC_PUREVIRTUAL && function->kind != FUNC_VIRTUAL)
        return E_NOTIMPL;
    if ((function->invoke_kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) != 0
        && (parameters->cNamedArgs == 0 || parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
        return DISP_E_PARAMNOTFOUND;
    if (function->optional_count < 0)
        return E_NOTIMPL; // a variable argument list arrives as an array, which this runtime has not
    bool const forwards = forwards_to_default_member(*function, *parameters, result);
    DISPPARAMS const none {};
    HRESULT status = Invocation(library, *function, forwards ? none : *parameters)
                         .run(instance, result, exception, argument_error);
    if (!forwards || FAILED(status))
        return status;
    if (result->vt != VT_DISPATCH || result->pdispVal == nullptr) {
        VariantClear(result);
        return DISP_E_NOTACOLLECTION;
    }
    IDispatch* returned = result->pdispVal;
    VariantInit(result);
    status = returned->Invoke(DISPID_VALUE, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, parameters, result, exception,
                              argument_error);
    returned->Release();
    return status;
}

} // namespace qmt::runtime

extern "C" HRESULT STDAPICALLTYPE DispInvoke(void* _this, ITypeInfo* ptinfo, DISPID dispidMember, WORD wFlags,
                                             DISPPARAMS* pparams, VARIANT* pvarResult, EXCEPINFO* pexcepinfo,
                                             UINT* puArgErr)
{
    if (_this == nullptr || ptinfo == nullptr)
        return E_INVALIDARG;
    return ptinfo->Invoke(_this, dispidMember, wFlags, pparams, pvarResult, pexcepinfo, puArgErr);
}
