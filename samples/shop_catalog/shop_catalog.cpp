// A sample user object: the class Shop.Catalog with one method, List, which answers
// ?obj=Shop.Catalog+List&cat=7 with a small page for category 7. It shows the whole
// contract of an object that the gateway calls: a class factory behind DllGetClassObject,
// GetIDsOfNames for the method's name, and Invoke with the environment as the one argument.
// The object helper supplies the rest: reference counting, QueryInterface and the factory.
#include "quillmate/class_factory.h"
#include "quillmate/interfaces.h"

namespace {

// {ABB7C773-C6EB-4B39-B235-B3F9C4458728}
constexpr CLSID CLSID_ShopCatalog = {0xabb7c773, 0xc6eb, 0x4b39, {0xb2, 0x35, 0xb3, 0xf9, 0xc4, 0x45, 0x87, 0x28}};
constexpr DISPID DISPID_List = 1;

#ifdef _WIN32
#    define TEXT16(s) L##s
#else
#    define TEXT16(s) u##s
#endif

bool same_text(OLECHAR const* a, OLECHAR const* b)
{
    while (*a != 0 && *a == *b)
        ++a, ++b;
    return *a == *b;
}

// Sends one literal text through the environment.
HRESULT send(QmtEnvironment* environment, OLECHAR const* text)
{
    BSTR response = SysAllocString(text);
    HRESULT const status = environment->SendString(response, nullptr);
    SysFreeString(response);
    return status;
}

HRESULT list(QmtEnvironment* environment)
{
    send(environment, TEXT16("Content-type: text/html\n\n<HTML><BODY><H1>Catalog</H1>"));

    CustomItems* fields = nullptr;
    environment->get_CustomItems(&fields);
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    name.bstrVal = SysAllocString(TEXT16("cat"));
    CustomItem* category = nullptr;
    HRESULT status = fields->get_Item(&name, &category);
    VariantClear(&name);
    fields->Release();
    if (status != S_OK)
        return status; // the gateway has written its error page for the missing field

    BSTR value = nullptr;
    category->get_Value(&value);
    category->Release();
    send(environment, TEXT16("<P>Articles in category "));
    send(environment, value);
    send(environment,
         TEXT16(":</P><UL><LI>Fountain pen</LI><LI>Blotting paper</LI><LI>Ink, blue</LI></UL>"
                "</BODY></HTML>\n"));
    SysFreeString(value);
    return S_OK;
}

class Catalog final : public quillmate::Object<Catalog, quillmate::Answers<IDispatch, IID_IUnknown, IID_IDispatch>> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (count != 1 || !same_text(names[0], TEXT16("List"))) {
            ids[0] = DISPID_UNKNOWN;
            return DISP_E_UNKNOWNNAME;
        }
        ids[0] = DISPID_List;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        if (member != DISPID_List)
            return DISP_E_MEMBERNOTFOUND;
        if (parameters->cArgs != 1 || parameters->rgvarg[0].vt != VT_UNKNOWN)
            return DISP_E_BADPARAMCOUNT;
        QmtEnvironment* environment = nullptr;
        if (parameters->rgvarg[0].punkVal->QueryInterface(IID_QmtEnvironment, reinterpret_cast<void**>(&environment))
            != S_OK)
            return DISP_E_TYPEMISMATCH;
        HRESULT const status = list(environment);
        environment->Release();
        return status;
    }

private:
    friend quillmate::Access;
    Catalog() = default;
};

} // namespace

extern "C"
#ifdef _WIN32
    __declspec(dllexport)
#else
    __attribute__((visibility("default")))
#endif
        HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    return quillmate::get_class_object<Catalog>(clsid, CLSID_ShopCatalog, riid, object);
}
