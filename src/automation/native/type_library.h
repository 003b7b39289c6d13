// The native runtime's ITypeLib: a loaded library, read back through the interfaces of the
// Windows runtime. Its type descriptions (ITypeInfo) are made on request and keep the
// library alive. A dual interface is described twice, as on Windows: GetTypeInfo gives its
// dispatch side, GetRefTypeOfImplType(-1) leads to its interface side.
#pragma once

#include "automation/native/type_library_image.h"
#include "common/object_heap.h"
#include "quillmate/object.h"

#include <span>

namespace qmt::runtime {

class TypeLibrary final
    : public quillmate::Object<TypeLibrary, quillmate::Answers<ITypeLib, IID_IUnknown, IID_ITypeLib>> {
public:
    using Heap = ObjectHeap;

    // A library read from its bytes (the runtime keeps a copy): S_OK, E_OUTOFMEMORY or
    // TYPE_E_CANTLOADLIBRARY.
    static HRESULT load(std::span<unsigned char const> bytes, ITypeLib** library);

    TypeLibraryImage const& image() const { return m_image; }

    UINT STDMETHODCALLTYPE GetTypeInfoCount() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT index, TYPEKIND* pTKind) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) override;
    HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR** ppTLibAttr) override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** ppTComp) override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                               BSTR* pBstrHelpFile) override;
    HRESULT STDMETHODCALLTYPE IsName(LPOLESTR szNameBuf, ULONG lHashVal, BOOL* pfName) override;
    HRESULT STDMETHODCALLTYPE FindName(LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo** ppTInfo, MEMBERID* rgMemId,
                                       USHORT* pcFound) override;
    void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR* pTLibAttr) override;

private:
    friend quillmate::Access;
    TypeLibrary() = default;
    ~TypeLibrary() = default;

    TypeLibraryImage m_image;
};

} // namespace qmt::runtime
