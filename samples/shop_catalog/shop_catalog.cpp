// The sample object: the class Shop.Catalog, a small shop catalog with three methods, List,
// Item and Order (catalog_pages.h), each answering one page from a template beside the
// library. It shows the whole contract of an object that the gateway calls: a class factory
// behind DllGetClassObject, GetIDsOfNames for the method's name, and Invoke with the
// environment as the one argument. The object helper supplies the counting, QueryInterface
// and the factory. One source for the native build and Windows.
#include "catalog_pages.h"
#include "quillmate/class_factory.h"
#include "quillmate/interfaces.h"
#include "quillmate/ref.h"
#include "text.h"

namespace {

// {ABB7C773-C6EB-4B39-B235-B3F9C4458728}
constexpr CLSID CLSID_ShopCatalog = {0xabb7c773, 0xc6eb, 0x4b39, {0xb2, 0x35, 0xb3, 0xf9, 0xc4, 0x45, 0x87, 0x28}};

struct Method {
    std::string_view name;
    HRESULT (*page)(QmtEnvironment&, EXCEPINFO*);
};

// A method's dispatch identifier is its position in this table, from 1.
constexpr Method methods[] = {
    {"List", shop::list_page},
    {"Item", shop::item_page},
    {"Order", shop::order_page},
};
constexpr DISPID method_count = sizeof methods / sizeof methods[0];

class Catalog final : public quillmate::Object<Catalog, quillmate::Answers<IDispatch, IID_IUnknown, IID_IDispatch>> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (names == nullptr || ids == nullptr || count == 0)
            return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i)
            ids[i] = DISPID_UNKNOWN;
        if (count != 1)
            return DISP_E_UNKNOWNNAME; // the methods take no named arguments
        for (DISPID id = 1; id <= method_count; ++id) {
            if (shop::same_name(names[0], methods[id - 1].name)) {
                ids[0] = id;
                return S_OK;
            }
        }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*,
                                     EXCEPINFO* exception, UINT*) override
    {
        if (member < 1 || member > method_count)
            return DISP_E_MEMBERNOTFOUND;
        if (parameters == nullptr || parameters->cArgs != 1 || parameters->rgvarg[0].vt != VT_UNKNOWN
            || parameters->rgvarg[0].punkVal == nullptr)
            return DISP_E_BADPARAMCOUNT;
        quillmate::Ref<QmtEnvironment> environment;
        if (parameters->rgvarg[0].punkVal->QueryInterface(IID_QmtEnvironment, environment.out_void()) != S_OK)
            return DISP_E_TYPEMISMATCH;
        return methods[member - 1].page(*environment.get(), exception);
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
