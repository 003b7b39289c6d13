// The object of the worked-example request: the class Bench.Template with one method,
// Send, which writes a header line and fills the template bench/worked_example.htm (a
// title, then a section of two rows of two fields) and closes it. Like Bench.Kilobyte it
// needs nothing of the C++ runtime, so that the benchmark measures the gateway.
#include "bench/worked_example_page.h"
#include "quillmate/interfaces.h"

namespace {

// {6F1D2A0C-3B7E-4C55-9A61-2E8D5B7C4F13}
constexpr CLSID CLSID_BenchTemplate = {0x6f1d2a0c, 0x3b7e, 0x4c55, {0x9a, 0x61, 0x2e, 0x8d, 0x5b, 0x7c, 0x4f, 0x13}};
constexpr DISPID DISPID_Send = 1;
constexpr OLECHAR method_name[] = u"Send";

bool same_text(OLECHAR const* a, OLECHAR const* b)
{
    while (*a != 0 && *a == *b)
        ++a, ++b;
    return *a == *b;
}

// An automation string for one call, freed after it, as a caller written in Basic has them.
class Text {
public:
    explicit Text(OLECHAR const* text)
        : m_text(SysAllocString(text))
    {
    }
    Text(Text const&) = delete;
    Text& operator=(Text const&) = delete;
    ~Text() { SysFreeString(m_text); }
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

HRESULT send_template(QmtEnvironment* environment, OLECHAR const* placeholder, OLECHAR const* replacement)
{
    return environment->SendTemplate(Text(placeholder), Text(replacement));
}

HRESULT send_page(QmtEnvironment* environment)
{
    HRESULT status = environment->SendString(Text(u"" QMT_BENCH_WORKED_EXAMPLE_HEADER), nullptr);
    if (status == S_OK)
        status = environment->OpenTemplate(Text(u"" QMT_BENCH_TEMPLATE_PATH));
    if (status == S_OK)
        status = send_template(environment, u"title", u"Price list");
    if (status == S_OK)
        status = environment->BeginSection(Text(u"rows"));
    OLECHAR const* const rows[][2] = {{u"Tea", u"3"}, {u"Coffee", u"4"}};
    for (auto const& row : rows) {
        if (status == S_OK)
            status = send_template(environment, u"name", row[0]);
        if (status == S_OK)
            status = send_template(environment, u"price", row[1]);
    }
    if (status == S_OK)
        status = environment->EndSection();
    if (status == S_OK)
        status = environment->CloseTemplate(nullptr);
    return status;
}

// Stateless, so one static instance serves every creation; it lives as long as the library.
class Template final : public IDispatch {
public:
    constexpr Template() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch))
            return E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
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
};

class TemplateFactory final : public IClassFactory {
public:
    constexpr TemplateFactory() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
            return E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

constinit Template instance;
constinit TemplateFactory factory;

HRESULT STDMETHODCALLTYPE TemplateFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    *object = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    return instance.QueryInterface(riid, object);
}

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid,
                                                                                           void** object)
{
    *object = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_BenchTemplate))
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, object);
}
