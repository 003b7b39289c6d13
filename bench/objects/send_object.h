// The benchmark objects' one shape: a stateless class with one method, Send, which writes a
// page through the environment. Kept as lean as a real object could be (no C++ runtime, no
// allocation, no static initialisation) so that a benchmark measures the gateway.
#pragma once

#include "quillmate/class_factory.h"
#include "quillmate/interfaces.h"

namespace bench {

inline bool same_text(OLECHAR const* a, OLECHAR const* b)
{
    while (*a != 0 && *a == *b)
        ++a, ++b;
    return *a == *b;
}

// One instance serves every creation; it and its factory live as long as the library.
template<HRESULT (*send_page)(QmtEnvironment*)>
class SendObject final
    : public quillmate::ModuleObject<SendObject<send_page>,
                                     quillmate::Answers<IDispatch, IID_IUnknown, IID_IDispatch>> {
public:
    static constexpr DISPID DISPID_Send = 1;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (count != 1 || !same_text(names[0], u"Send")) {
            ids[0] = DISPID_UNKNOWN;
            return DISP_E_UNKNOWNNAME;
        }
        ids[0] = DISPID_Send;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        if (member != DISPID_Send)
            return DISP_E_MEMBERNOTFOUND;
        if (parameters->cArgs != 1 || parameters->rgvarg[0].vt != VT_UNKNOWN)
            return DISP_E_BADPARAMCOUNT;
        QmtEnvironment* environment = nullptr;
        if (parameters->rgvarg[0].punkVal->QueryInterface(IID_QmtEnvironment, reinterpret_cast<void**>(&environment))
            != S_OK)
            return DISP_E_TYPEMISMATCH;
        HRESULT const status = send_page(environment);
        environment->Release();
        return status;
    }

private:
    friend quillmate::Access;
    constexpr SendObject() = default;
};

} // namespace bench
