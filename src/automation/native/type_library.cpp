#include "automation/native/type_library.h"

#include "automation/native/type_info_invoke.h"
#include "platform/heap.h"
#include "quillmate/ref.h"

#include <new>

namespace qmt::runtime {
namespace {

using quillmate::Ref;

constexpr WORD dispatch_table_entries = 7; // IUnknown's three and IDispatch's four

// The runtime strings of a documentation request; the caller's are set only when all could
// be made.
struct Documentation {
    LibraryText name;
    LibraryText help_string;
    DWORD help_context;
};

HRESULT document(TypeLibraryImage const& library, Documentation const& documentation, BSTR* name, BSTR* help_string,
                 DWORD* help_context, BSTR* help_file)
{
    BSTR made[3] = {};
    LibraryText const texts[3] = {documentation.name, documentation.help_string, library.help_file};
    BSTR* const wanted[3] = {name, help_string, help_file};
    for (int i = 0; i < 3; ++i) {
        if (wanted[i] != nullptr && !library.make_string(texts[i], made[i])) {
            for (BSTR string : made)
                SysFreeString(string);
            return E_OUTOFMEMORY;
        }
    }
    for (int i = 0; i < 3; ++i)
        if (wanted[i] != nullptr)
            *wanted[i] = made[i];
    if (help_context != nullptr)
        *help_context = documentation.help_context;
    return S_OK;
}

template<typename T>
T* allocate_zeroed()
{
    void* memory = platform::heap_allocate(sizeof(T));
    return memory == nullptr ? nullptr : ::new (memory) T {};
}

bool is_dual(TypeDescription const& type)
{
    return (type.flags & TYPEFLAG_FDUAL) != 0 && (type.kind == TKIND_INTERFACE || type.kind == TKIND_DISPATCH);
}

// A type of another library, known by its identifier alone: what can be told without
// reading that library's file is told; the rest answers that the library was not loaded.
class ImportedTypeLibrary final
    : public quillmate::Object<ImportedTypeLibrary, quillmate::Answers<ITypeLib, IID_IUnknown, IID_ITypeLib>> {
public:
    using Heap = ObjectHeap;

    UINT STDMETHODCALLTYPE GetTypeInfoCount() override { return 0; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, ITypeInfo** info) override { return unavailable(info); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT, TYPEKIND*) override { return TYPE_E_CANTLOADLIBRARY; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID, ITypeInfo** info) override { return unavailable(info); }
    HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR** attributes) override
    {
        if (attributes == nullptr)
            return E_INVALIDARG;
        *attributes = allocate_zeroed<TLIBATTR>();
        if (*attributes == nullptr)
            return E_OUTOFMEMORY;
        (*attributes)->guid = m_library.guid;
        (*attributes)->lcid = m_library.lcid;
        (*attributes)->syskind = m_owner->image().system;
        (*attributes)->wMajorVerNum = m_library.major_version;
        (*attributes)->wMinorVerNum = m_library.minor_version;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDocumentation(INT, BSTR*, BSTR*, DWORD*, BSTR*) override
    {
        return TYPE_E_CANTLOADLIBRARY;
    }
    HRESULT STDMETHODCALLTYPE IsName(LPOLESTR, ULONG, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT*) override { return E_NOTIMPL; }
    void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR* attributes) override { platform::heap_free(attributes); }

private:
    friend quillmate::Access;
    ImportedTypeLibrary(Ref<TypeLibrary> owner, ImportedLibrary const& library)
        : m_owner(std::move(owner))
        , m_library(library)
    {
    }
    ~ImportedTypeLibrary() = default;
    static HRESULT unavailable(ITypeInfo** info)
    {
        if (info != nullptr)
            *info = nullptr;
        return TYPE_E_CANTLOADLIBRARY;
    }

    Ref<TypeLibrary> m_owner;
    ImportedLibrary const& m_library;
};

class ImportedTypeInfo final
    : public quillmate::Object<ImportedTypeInfo, quillmate::Answers<ITypeInfo, IID_IUnknown, IID_ITypeInfo>> {
public:
    using Heap = ObjectHeap;

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** attributes) override
    {
        if (attributes == nullptr)
            return E_INVALIDARG;
        *attributes = allocate_zeroed<TYPEATTR>();
        if (*attributes == nullptr)
            return E_OUTOFMEMORY;
        (*attributes)->guid = m_type.guid;
        (*attributes)->lcid = m_type.library->lcid;
        (*attributes)->memidConstructor = MEMBERID_NIL;
        (*attributes)->memidDestructor = MEMBERID_NIL;
        (*attributes)->typekind = m_type.kind;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** library, UINT* index) override
    {
        if (index != nullptr)
            *index = m_type.by_guid ? 0 : static_cast<UINT>(m_type.index);
        if (library == nullptr)
            return S_OK;
        *library = ImportedTypeLibrary::create(Ref<TypeLibrary>::share(m_owner.get()), *m_type.library);
        return *library != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT, FUNCDESC**) override { return TYPE_E_CANTLOADLIBRARY; }
    HRESULT STDMETHODCALLTYPE GetVarDesc(UINT, VARDESC**) override { return TYPE_E_CANTLOADLIBRARY; }
    HRESULT STDMETHODCALLTYPE GetNames(MEMBERID, BSTR*, UINT, UINT*) override { return TYPE_E_CANTLOADLIBRARY; }
    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT, HREFTYPE*) override { return TYPE_E_CANTLOADLIBRARY; }
    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT, INT*) override { return TYPE_E_CANTLOADLIBRARY; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR*, UINT, MEMBERID*) override { return TYPE_E_CANTLOADLIBRARY; }
    HRESULT STDMETHODCALLTYPE Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return TYPE_E_CANTLOADLIBRARY;
    }
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID, BSTR*, BSTR*, DWORD*, BSTR*) override
    {
        return TYPE_E_CANTLOADLIBRARY;
    }
    HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override
    {
        return TYPE_E_CANTLOADLIBRARY;
    }
    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE, ITypeInfo** info) override
    {
        if (info != nullptr)
            *info = nullptr;
        return TYPE_E_CANTLOADLIBRARY;
    }
    HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID, INVOKEKIND, PVOID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, PVOID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMops(MEMBERID, BSTR*) override { return E_NOTIMPL; }
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attributes) override { platform::heap_free(attributes); }
    void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* description) override { platform::heap_free(description); }
    void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC*) override { }

private:
    friend quillmate::Access;
    ImportedTypeInfo(Ref<TypeLibrary> owner, ImportedType const& type)
        : m_owner(std::move(owner))
        , m_type(type)
    {
    }
    ~ImportedTypeInfo() = default;

    Ref<TypeLibrary> m_owner;
    ImportedType const& m_type;
};

// One type of a loaded library, seen from one side.
class TypeInfo final : public quillmate::Object<TypeInfo, quillmate::Answers<ITypeInfo, IID_IUnknown, IID_ITypeInfo>> {
public:
    using Heap = ObjectHeap;

    // The dispatch side of a dual interface is the type as stored; the other is its interface side.
    enum class Side { stored, interface_of_dual };

    static HRESULT make(TypeLibrary* library, UINT index, Side side, ITypeInfo** info)
    {
        *info = TypeInfo::create(Ref<TypeLibrary>::share(library), index, side);
        return *info != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** attributes) override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC** description) override;
    HRESULT STDMETHODCALLTYPE GetVarDesc(UINT index, VARDESC**) override
    {
        return index < type().variable_count ? E_NOTIMPL : TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR* names, UINT capacity, UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE* reference) override;
    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT* flags) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR*, UINT, MEMBERID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override
    {
        return invoke_member(library(), type(), instance, memid, flags, parameters, result, exception, argument_error);
    }
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR* name, BSTR* help_string, DWORD* help_context,
                                               BSTR* help_file) override;
    HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override
    {
        return type().kind == TKIND_MODULE ? E_NOTIMPL : TYPE_E_BADMODULEKIND;
    }
    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE reference, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID, INVOKEKIND, PVOID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, PVOID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMops(MEMBERID, BSTR* mops) override
    {
        if (mops != nullptr)
            *mops = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** library, UINT* index) override
    {
        if (index != nullptr)
            *index = m_index;
        if (library != nullptr) {
            m_library->AddRef();
            *library = m_library.get();
        }
        return S_OK;
    }
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attributes) override { platform::heap_free(attributes); }
    void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* description) override { platform::heap_free(description); }
    void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC*) override { }

private:
    friend quillmate::Access;
    TypeInfo(Ref<TypeLibrary> library, UINT index, Side side)
        : m_library(std::move(library))
        , m_index(index)
        , m_side(side)
    {
    }
    ~TypeInfo() = default;

    TypeLibraryImage const& library() const { return m_library->image(); }
    TypeDescription const& type() const { return library().type(m_index); }
    TYPEKIND kind() const { return m_side == Side::interface_of_dual ? TKIND_INTERFACE : type().kind; }
    // The dispatch side of an interface: results come back in the result variant, not through parameters.
    bool presents_dispatch() const { return kind() == TKIND_DISPATCH; }
    FunctionDescription const* function_of(MEMBERID memid) const;
    SHORT visible_parameters(FunctionDescription const& function) const;

    Ref<TypeLibrary> m_library;
    UINT m_index;
    Side m_side;
};

HRESULT STDMETHODCALLTYPE TypeInfo::GetTypeAttr(TYPEATTR** attributes)
{
    if (attributes == nullptr)
        return E_INVALIDARG;
    TypeDescription const& described = type();
    TYPEATTR* made = allocate_zeroed<TYPEATTR>();
    if (made == nullptr)
        return E_OUTOFMEMORY;
    made->guid = described.guid;
    made->lcid = library().lcid;
    made->memidConstructor = MEMBERID_NIL;
    made->memidDestructor = MEMBERID_NIL;
    made->cbSizeInstance = described.instance_size;
    made->typekind = kind();
    made->cFuncs = described.function_count;
    made->cVars = described.variable_count;
    made->cImplTypes = described.implemented_count;
    made->cbSizeVft = described.table_size;
    made->cbAlignment = described.alignment;
    made->wTypeFlags = described.flags;
    made->wMajorVerNum = described.major_version;
    made->wMinorVerNum = described.minor_version;
    made->tdescAlias = described.alias;
    if (presents_dispatch()) {
        // A dispatch interface is called through IDispatch's table, whatever its members.
        made->cbSizeVft = dispatch_table_entries * sizeof(void*);
        made->wTypeFlags &= ~TYPEFLAG_FOLEAUTOMATION;
    }
    *attributes = made;
    return S_OK;
}

SHORT TypeInfo::visible_parameters(FunctionDescription const& function) const
{
    SHORT count = function.parameter_count;
    if (!presents_dispatch() || function.kind == FUNC_DISPATCH)
        return count;
    // The result variant takes the place of the last [retval] parameter, and the call's
    // locale that of an [lcid] one.
    if (count > 0 && (function.parameters[count - 1].flags & PARAMFLAG_FRETVAL) != 0)
        --count;
    if (count > 0 && (function.parameters[count - 1].flags & PARAMFLAG_FLCID) != 0)
        --count;
    return count;
}

HRESULT STDMETHODCALLTYPE TypeInfo::GetFuncDesc(UINT index, FUNCDESC** description)
{
    if (description == nullptr)
        return E_INVALIDARG;
    if (index >= type().function_count)
        return TYPE_E_ELEMENTNOTFOUND;
    FunctionDescription const& function = type().functions[index];
    std::size_t const count = static_cast<std::size_t>(function.parameter_count);
    // One block: the FUNCDESC, then its parameters' ELEMDESCs. Types point into the library, which
    // the caller keeps alive through this type description.
    void* memory = platform::heap_allocate(sizeof(FUNCDESC) + count * sizeof(ELEMDESC));
    if (memory == nullptr)
        return E_OUTOFMEMORY;
    auto* made = ::new (memory) FUNCDESC {};
    auto* parameters = reinterpret_cast<ELEMDESC*>(made + 1);
    for (std::size_t i = 0; i < count; ++i) {
        ::new (&parameters[i]) ELEMDESC {};
        parameters[i].tdesc = function.parameters[i].type;
        parameters[i].paramdesc.wParamFlags = function.parameters[i].flags;
    }
    made->memid = function.memid;
    made->lprgelemdescParam = count > 0 ? parameters : nullptr;
    made->funckind = function.kind;
    made->invkind = function.invoke_kind;
    made->callconv = function.calling_convention;
    made->cParams = function.parameter_count;
    made->cParamsOpt = function.optional_count;
    made->oVft = function.table_offset;
    made->elemdescFunc.tdesc = function.result;
    made->wFuncFlags = function.flags;
    if (presents_dispatch() && function.kind != FUNC_DISPATCH) {
        made->funckind = FUNC_DISPATCH;
        SHORT const last = static_cast<SHORT>(function.parameter_count - 1);
        if (last >= 0 && (parameters[last].paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0
            && parameters[last].tdesc.vt == VT_PTR)
            made->elemdescFunc.tdesc = *parameters[last].tdesc.lptdesc;
        else if (made->elemdescFunc.tdesc.vt == VT_HRESULT)
            made->elemdescFunc.tdesc.vt = VT_VOID; // the status reaches the caller as the call's own
        made->cParams = visible_parameters(function);
    }
    *description = made;
    return S_OK;
}

FunctionDescription const* TypeInfo::function_of(MEMBERID memid) const
{
    for (WORD i = 0; i < type().function_count; ++i)
        if (type().functions[i].memid == memid)
            return &type().functions[i];
    return nullptr;
}

HRESULT STDMETHODCALLTYPE TypeInfo::GetNames(MEMBERID memid, BSTR* names, UINT capacity, UINT* count)
{
    if (names == nullptr || count == nullptr)
        return E_INVALIDARG;
    *count = 0;
    FunctionDescription const* function = function_of(memid);
    if (function == nullptr)
        return TYPE_E_ELEMENTNOTFOUND;
    SHORT const parameters = visible_parameters(*function);
    // The member's name, then its parameters' names, up to the first that has none.
    for (SHORT i = -1; i < parameters && *count < capacity; ++i) {
        LibraryText const name = i < 0 ? function->name : function->parameters[i].name;
        if (!name.present)
            break;
        if (!library().make_string(name, names[*count])) {
            while (*count > 0)
                SysFreeString(names[--*count]);
            return E_OUTOFMEMORY;
        }
        ++*count;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeInfo::GetDocumentation(MEMBERID memid, BSTR* name, BSTR* help_string, DWORD* help_context,
                                                     BSTR* help_file)
{
    if (memid == MEMBERID_NIL)
        return document(library(), {type().name, type().help_string, type().help_context}, name, help_string,
                        help_context, help_file);
    FunctionDescription const* function = function_of(memid);
    if (function == nullptr)
        return TYPE_E_ELEMENTNOTFOUND;
    return document(library(), {function->name, function->help_string, function->help_context}, name, help_string,
                    help_context, help_file);
}

HRESULT STDMETHODCALLTYPE TypeInfo::GetRefTypeOfImplType(UINT index, HREFTYPE* reference)
{
    if (reference == nullptr)
        return E_INVALIDARG;
    TypeDescription const& described = type();
    if (index == static_cast<UINT>(-1)) {
        // The other side of a dual interface.
        if (!is_dual(described))
            return TYPE_E_ELEMENTNOTFOUND;
        *reference = static_cast<HREFTYPE>(-2);
        return S_OK;
    }
    if (index == 0 && kind() == TKIND_DISPATCH) {
        // Every dispatch interface is called through IDispatch.
        if (library().dispatch_reference == static_cast<HREFTYPE>(-1))
            return TYPE_E_ELEMENTNOTFOUND;
        *reference = library().dispatch_reference;
        return S_OK;
    }
    if (index >= described.implemented_count)
        return TYPE_E_ELEMENTNOTFOUND;
    *reference = described.implemented[index] | (kind() == TKIND_INTERFACE ? 2 : 0);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeInfo::GetImplTypeFlags(UINT index, INT* flags)
{
    if (flags == nullptr)
        return E_INVALIDARG;
    if (index == 0 && kind() == TKIND_DISPATCH) {
        *flags = 0;
        return S_OK;
    }
    if (index >= type().implemented_count)
        return TYPE_E_ELEMENTNOTFOUND;
    *flags = type().implemented_flags[index];
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeInfo::GetRefTypeInfo(HREFTYPE reference, ITypeInfo** info)
{
    if (info == nullptr)
        return E_INVALIDARG;
    *info = nullptr;
    if (static_cast<INT>(reference) < 0) {
        if (!is_dual(type()))
            return TYPE_E_ELEMENTNOTFOUND;
        Side const other = m_side == Side::stored ? Side::interface_of_dual : Side::stored;
        return make(m_library.get(), m_index, other, info);
    }
    UINT index = 0;
    if (TypeDescription const* local = library().local_type(reference, &index)) {
        // Bit 2 asks for the interface side of a dual interface.
        Side const side = (reference & 2) != 0 && is_dual(*local) ? Side::interface_of_dual : Side::stored;
        return make(m_library.get(), index, side, info);
    }
    if (ImportedType const* imported = library().imported_type(reference)) {
        *info = ImportedTypeInfo::create(Ref<TypeLibrary>::share(m_library.get()), *imported);
        return *info != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

} // namespace

HRESULT TypeLibrary::load(std::span<unsigned char const> bytes, ITypeLib** library)
{
    *library = nullptr;
    auto made = Ref<TypeLibrary>::adopt(TypeLibrary::create());
    if (!made)
        return E_OUTOFMEMORY;
    HRESULT const status = made->m_image.read(bytes.data(), bytes.size());
    if (FAILED(status))
        return status;
    *library = made.detach();
    return S_OK;
}

UINT STDMETHODCALLTYPE TypeLibrary::GetTypeInfoCount() { return m_image.type_count(); }

HRESULT STDMETHODCALLTYPE TypeLibrary::GetTypeInfo(UINT index, ITypeInfo** ppTInfo)
{
    if (ppTInfo == nullptr)
        return E_INVALIDARG;
    *ppTInfo = nullptr;
    if (index >= m_image.type_count())
        return TYPE_E_ELEMENTNOTFOUND;
    return TypeInfo::make(this, index, TypeInfo::Side::stored, ppTInfo);
}

HRESULT STDMETHODCALLTYPE TypeLibrary::GetTypeInfoType(UINT index, TYPEKIND* pTKind)
{
    if (pTKind == nullptr)
        return E_INVALIDARG;
    if (index >= m_image.type_count())
        return TYPE_E_ELEMENTNOTFOUND;
    *pTKind = m_image.type(index).kind;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeLibrary::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo)
{
    if (ppTinfo == nullptr)
        return E_INVALIDARG;
    *ppTinfo = nullptr;
    for (UINT i = 0; i < m_image.type_count(); ++i)
        if (IsEqualGUID(m_image.type(i).guid, guid))
            return TypeInfo::make(this, i, TypeInfo::Side::stored, ppTinfo);
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT STDMETHODCALLTYPE TypeLibrary::GetLibAttr(TLIBATTR** ppTLibAttr)
{
    if (ppTLibAttr == nullptr)
        return E_INVALIDARG;
    TLIBATTR* made = allocate_zeroed<TLIBATTR>();
    if (made == nullptr)
        return E_OUTOFMEMORY;
    made->guid = m_image.guid;
    made->lcid = m_image.lcid;
    made->syskind = m_image.system;
    made->wMajorVerNum = m_image.major_version;
    made->wMinorVerNum = m_image.minor_version;
    // Read from a file, as every library of this runtime is.
    made->wLibFlags = static_cast<WORD>(m_image.flags | LIBFLAG_FHASDISKIMAGE);
    *ppTLibAttr = made;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeLibrary::GetTypeComp(ITypeComp** ppTComp)
{
    if (ppTComp != nullptr)
        *ppTComp = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TypeLibrary::GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString,
                                                        DWORD* pdwHelpContext, BSTR* pBstrHelpFile)
{
    if (index < 0)
        return document(m_image, {m_image.name, m_image.help_string, m_image.help_context}, pBstrName, pBstrDocString,
                        pdwHelpContext, pBstrHelpFile);
    if (static_cast<UINT>(index) >= m_image.type_count())
        return TYPE_E_ELEMENTNOTFOUND;
    TypeDescription const& type = m_image.type(static_cast<UINT>(index));
    return document(m_image, {type.name, type.help_string, type.help_context}, pBstrName, pBstrDocString,
                    pdwHelpContext, pBstrHelpFile);
}

HRESULT STDMETHODCALLTYPE TypeLibrary::IsName(LPOLESTR, ULONG, BOOL*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TypeLibrary::FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT*) { return E_NOTIMPL; }

void STDMETHODCALLTYPE TypeLibrary::ReleaseTLibAttr(TLIBATTR* pTLibAttr) { platform::heap_free(pTLibAttr); }

} // namespace qmt::runtime
