// The object that the request-cost benchmark calls: the class Bench.Kilobyte with one
// method, Send, which writes a 1 KB page in one SendString. It is kept as lean as a real
// object could be (no C++ runtime, no allocation, no static initialisation) so that the
// benchmark measures the gateway and not the object.
#include "bench/kilobyte_page.h"
#include "quillmate/class_factory.h"
#include "quillmate/interfaces.h"

#ifdef QMT_BENCH_USES_CXX_RUNTIME
#    include <string>
#endif

namespace {

// {58481A62-C72E-4F5F-84F6-5C400EF717FC}
constexpr CLSID CLSID_BenchKilobyte = {0x58481a62, 0xc72e, 0x4f5f, {0x84, 0xf6, 0x5c, 0x40, 0x0e, 0xf7, 0x17, 0xfc}};
constexpr DISPID DISPID_Send = 1;

constexpr OLECHAR page[] = u"" QMT_BENCH_KILOBYTE_PAGE;
constexpr OLECHAR method_name[] = u"Send";

bool same_text(OLECHAR const* a, OLECHAR const* b)
{
    while (*a != 0 && *a == *b)
        ++a, ++b;
    return *a == *b;
}

HRESULT send_page(QmtEnvironment* environment)
{
#ifdef QMT_BENCH_USES_CXX_RUNTIME
    // The variants that weigh the C++ runtime's cost use it, as an ordinary C++ object would.
    std::u16string const copy(page);
    BSTR text = SysAllocStringLen(copy.data(), static_cast<UINT>(copy.size()));
#else
    BSTR text = SysAllocStringLen(page, sizeof page / sizeof page[0] - 1);
#endif
    if (text == nullptr)
        return E_OUTOFMEMORY;
    HRESULT const status = environment->SendString(text, nullptr);
    SysFreeString(text);
    return status;
}

// Stateless, so one instance serves every creation; it and its factory live as long as the
// library.
class Kilobyte final
    : public quillmate::ModuleObject<Kilobyte, quillmate::Answers<IDispatch, IID_IUnknown, IID_IDispatch>> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (count != 1 || !same_text(names[0], method_name)) {
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
    constexpr Kilobyte() = default;
};

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid,
                                                                                           void** object)
{
    return quillmate::get_class_object<Kilobyte>(clsid, CLSID_BenchKilobyte, riid, object);
}
