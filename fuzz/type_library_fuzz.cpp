// Arbitrary bytes as a type library, and as an ELF file that may carry one in its section
// ".typelib": the reader refuses them or reads them without reading outside them, and a
// library it accepts answers every question of ITypeLib and ITypeInfo (both sides of each
// type, every member, every type a member names) without reading outside it either.
#include "automation/automation.h"
#include "automation/native/elf_section.h"
#include "automation/native/type_info_invoke.h"
#include "automation/native/type_library.h"
#include "quillmate/ref.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

using quillmate::Ref;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void free_strings(BSTR* strings, UINT count)
{
    for (UINT i = 0; i < count; ++i)
        SysFreeString(strings[i]);
}

void visit_type(ITypeInfo& info, TYPEDESC const* type)
{
    for (int depth = 0; type != nullptr && depth < 64; ++depth) {
        if (type->vt == VT_USERDEFINED) {
            Ref<ITypeInfo> named;
            TYPEATTR* attributes = nullptr;
            if (SUCCEEDED(info.GetRefTypeInfo(type->hreftype, named.out()))
                && SUCCEEDED(named->GetTypeAttr(&attributes)))
                named->ReleaseTypeAttr(attributes);
            return;
        }
        type = type->vt == VT_PTR || type->vt == VT_SAFEARRAY ? type->lptdesc : nullptr;
    }
    check(type == nullptr); // every chain the reader accepts ends
}

void visit_side(qmt::runtime::TypeLibraryImage const& image, ITypeInfo& info)
{
    TYPEATTR* attributes = nullptr;
    if (FAILED(info.GetTypeAttr(&attributes)))
        return;
    WORD const functions = attributes->cFuncs;
    WORD const implemented = attributes->cImplTypes;
    info.ReleaseTypeAttr(attributes);
    for (UINT i = 0; i < functions; ++i) {
        FUNCDESC* function = nullptr;
        check(SUCCEEDED(info.GetFuncDesc(i, &function)));
        BSTR names[16] = {};
        UINT count = 0;
        info.GetNames(function->memid, names, 16, &count);
        free_strings(names, count);
        BSTR strings[3] = {};
        DWORD context = 0;
        info.GetDocumentation(function->memid, &strings[0], &strings[1], &context, &strings[2]);
        free_strings(strings, 3);
        visit_type(info, &function->elemdescFunc.tdesc);
        for (SHORT p = 0; p < function->cParams; ++p) {
            visit_type(info, &function->lprgelemdescParam[p].tdesc);
            VARTYPE vt = VT_EMPTY;
            qmt::runtime::variant_type_of(image, function->lprgelemdescParam[p].tdesc, vt);
        }
        info.ReleaseFuncDesc(function);
    }
    for (UINT i = 0; i <= implemented; ++i) {
        HREFTYPE reference = 0;
        Ref<ITypeInfo> base;
        Ref<ITypeLib> containing;
        TLIBATTR* library_attributes = nullptr;
        if (FAILED(info.GetRefTypeOfImplType(i, &reference)) || FAILED(info.GetRefTypeInfo(reference, base.out())))
            continue;
        if (SUCCEEDED(base->GetTypeAttr(&attributes)))
            base->ReleaseTypeAttr(attributes);
        UINT index = 0;
        if (SUCCEEDED(base->GetContainingTypeLib(containing.out(), &index))
            && SUCCEEDED(containing->GetLibAttr(&library_attributes)))
            containing->ReleaseTLibAttr(library_attributes);
    }
}

void visit_library(ITypeLib& library, qmt::runtime::TypeLibraryImage const& image)
{
    TLIBATTR* attributes = nullptr;
    check(SUCCEEDED(library.GetLibAttr(&attributes)));
    library.ReleaseTLibAttr(attributes);
    UINT const count = library.GetTypeInfoCount();
    for (INT i = -1; i < static_cast<INT>(count); ++i) {
        BSTR strings[3] = {};
        DWORD context = 0;
        library.GetDocumentation(i, &strings[0], &strings[1], &context, &strings[2]);
        free_strings(strings, 3);
    }
    for (UINT i = 0; i < count; ++i) {
        Ref<ITypeInfo> stored;
        check(SUCCEEDED(library.GetTypeInfo(i, stored.out())));
        visit_side(image, *stored.get());
        HREFTYPE other = 0;
        Ref<ITypeInfo> other_side;
        if (SUCCEEDED(stored->GetRefTypeOfImplType(static_cast<UINT>(-1), &other))
            && SUCCEEDED(stored->GetRefTypeInfo(other, other_side.out())))
            visit_side(image, *other_side.get());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::span<unsigned char const> bytes(data, size);
    if (qmt::runtime::is_elf_file(bytes))
        bytes = qmt::runtime::find_elf_section(bytes, ".typelib");
    Ref<ITypeLib> library;
    if (qmt::runtime::TypeLibrary::load(bytes, library.out()) != S_OK)
        return 0;
    visit_library(*library.get(), static_cast<qmt::runtime::TypeLibrary*>(library.get())->image());
    return 0;
}
