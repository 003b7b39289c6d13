#include "probe_object.h"

#include "probe_script.h"
#include "probe_text.h"
#include "quillmate/interfaces.h"
#include "quillmate/ref.h"

#include <atomic>
#include <cstdlib>

namespace probe {
namespace {

constexpr HRESULT no_named_arguments = static_cast<HRESULT>(0x80020007u); // DISP_E_NONAMEDARGS

enum Method : DISPID {
    method_run = 1,
    method_dump,
    method_dump_server,
    method_enumerate,
    method_no_params,
};

struct MethodName {
    OLECHAR const* name;
    DISPID id;
};

// Names are matched exactly, as the gateway's lookup of "Class Method" expects of an object.
constexpr MethodName method_names[] = {
    {QMT_TEXT("Run"), method_run},
    {QMT_TEXT("Dump"), method_dump},
    {QMT_TEXT("DumpServer"), method_dump_server},
    {QMT_TEXT("Enumerate"), method_enumerate},
    {QMT_TEXT("NoParams"), method_no_params},
};

std::atomic<LONG> live_count {0};

// The one argument of every method but NoParams: the environment, passed as an object.
HRESULT take_environment(DISPPARAMS const& parameters, UINT* argument_error,
                         quillmate::Ref<QmtEnvironment>& environment)
{
    if (parameters.cArgs != 1)
        return DISP_E_BADPARAMCOUNT;
    if (parameters.cNamedArgs != 0)
        return no_named_arguments;
    VARIANT const& argument = parameters.rgvarg[0];
    IUnknown* object = nullptr;
    if (argument.vt == VT_UNKNOWN)
        object = argument.punkVal;
    else if (argument.vt == VT_DISPATCH)
        object = argument.pdispVal;
    if (object == nullptr || object->QueryInterface(IID_QmtEnvironment, environment.out_void()) != S_OK) {
        if (argument_error != nullptr)
            *argument_error = 0;
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

} // namespace

Probe::Probe() { ++live_count; }

Probe::~Probe() { --live_count; }

LONG Probe::live_objects() { return live_count.load(); }

HRESULT STDMETHODCALLTYPE Probe::GetTypeInfoCount(UINT* pctinfo)
{
    if (pctinfo == nullptr)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Probe::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    if (ppTInfo != nullptr)
        *ppTInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Probe::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (rgszNames == nullptr || rgDispId == nullptr)
        return E_POINTER;
    HRESULT status = S_OK;
    for (UINT i = 0; i < cNames; ++i) {
        rgDispId[i] = DISPID_UNKNOWN;
        // Names after the first would be parameter names; no method has named parameters.
        if (i == 0)
            for (MethodName const& method : method_names)
                if (equal(rgszNames[0], method.name))
                    rgDispId[0] = method.id;
        if (rgDispId[i] == DISPID_UNKNOWN)
            status = DISP_E_UNKNOWNNAME;
    }
    return status;
}

HRESULT STDMETHODCALLTYPE Probe::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    // The fault sweeps tell a failure before the call from one during it by this line.
    if (std::getenv("QMT_PROBE_MARK_CALL") != nullptr)
        write_to_standard_error("qmt-probe: called\n", 18);
    if (dispIdMember < method_run || dispIdMember > method_no_params || (wFlags & DISPATCH_METHOD) == 0)
        return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS const none {};
    DISPPARAMS const& parameters = pDispParams != nullptr ? *pDispParams : none;
    if (pVarResult != nullptr)
        VariantInit(pVarResult);

    if (dispIdMember == method_no_params)
        return parameters.cArgs == 0 ? S_OK : DISP_E_BADPARAMCOUNT;

    quillmate::Ref<QmtEnvironment> environment;
    HRESULT const taken = take_environment(parameters, puArgErr, environment);
    if (taken != S_OK)
        return taken;
    Script script(*environment.get());
    switch (dispIdMember) {
    case method_run:
        return script.run(pExcepInfo);
    case method_dump:
        return script.dump_custom_items();
    case method_dump_server:
        return script.dump_server_items();
    case method_enumerate:
        return script.enumerate_server_items();
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

} // namespace probe
