// The class object of an in-process server, and what DllGetClassObject does with it:
//
//   STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
//   {
//       return quillmate::get_class_object<Greeter>(clsid, CLSID_Greeter, iid, object);
//   }
//
// The factory makes its product with Product::create() (no arguments) and lives as the
// product does: counted on the product's heap, or for the module's life with a module object.
#pragma once

#include "quillmate/object.h"

namespace quillmate {

template<typename Product>
class ClassFactory final
    : public Product::template SameLifetime<ClassFactory<Product>,
                                            Answers<IClassFactory, IID_IUnknown, IID_IClassFactory>> {
public:
    using Heap = typename detail::HeapOf<Product>::Type;

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (outer != nullptr) {
            if (object != nullptr)
                *object = nullptr;
            return CLASS_E_NOAGGREGATION;
        }
        return Product::create_as(iid, object);
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        s_locks += lock ? 1 : -1;
        return S_OK;
    }

    // Locks the module's users hold through LockServer: DllCanUnloadNow must say no while any do.
    static LONG locks() { return s_locks; }

private:
    friend Access;
    constexpr ClassFactory() = default;

    static inline LONG s_locks = 0;
};

// DllGetClassObject for a module that serves one class.
template<typename Product>
HRESULT get_class_object(REFCLSID requested, REFCLSID served, REFIID iid, void** object)
{
    if (!IsEqualCLSID(requested, served)) {
        if (object != nullptr)
            *object = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return ClassFactory<Product>::create_as(iid, object);
}

} // namespace quillmate
