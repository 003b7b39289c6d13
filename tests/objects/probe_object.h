// The probe: a user object for end-to-end tests of the gateway, written against the
// environment interfaces exactly as an object author would (early binding, status codes).
// It implements IDispatch itself so that the tests control every detail of the call.
#pragma once

#include "automation/automation.h"
#include "quillmate/object.h"

namespace probe {

// {1C4CBA8E-BBD3-4193-A11A-F43A46737D58}, programmatic name "Qmt.Probe".
inline constexpr CLSID CLSID_Probe = {0x1c4cba8e, 0xbbd3, 0x4193, {0xa1, 0x1a, 0xf4, 0x3a, 0x46, 0x73, 0x7d, 0x58}};
inline constexpr char CLSID_Probe_Text[] = "{1C4CBA8E-BBD3-4193-A11A-F43A46737D58}";
inline constexpr char ProgID_Probe[] = "Qmt.Probe";

class Probe final : public quillmate::Object<Probe, quillmate::Answers<IDispatch, IID_IUnknown, IID_IDispatch>> {
public:
    // Objects alive in this module, for DllCanUnloadNow.
    static LONG live_objects();

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

private:
    friend quillmate::Access;
    Probe();
    ~Probe();
};

} // namespace probe
