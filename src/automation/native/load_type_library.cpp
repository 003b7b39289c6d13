// LoadTypeLib: a library file of its own, or an ELF file (an executable or shared library of
// this build) that carries one as the content of its section ".typelib".
#include "automation/native/elf_section.h"
#include "automation/native/type_library.h"
#include "common/text_conversion.h"
#include "platform/file.h"

#include <cstring>

namespace {

constexpr char library_section[] = ".typelib";
constexpr unsigned char library_signature[] = {'M', 'S', 'F', 'T'};

} // namespace

extern "C" HRESULT STDAPICALLTYPE LoadTypeLib(LPCOLESTR szFile, ITypeLib** pptlib)
{
    if (szFile == nullptr || pptlib == nullptr)
        return E_INVALIDARG;
    *pptlib = nullptr;
    qmt::NarrowText const path = qmt::narrow_from_wide(szFile);
    if (!path.bytes)
        return E_OUTOFMEMORY;
    qmt::platform::File const file = qmt::platform::File::open_for_reading(path.bytes.get());
    std::optional<std::uint64_t> const size = file.size();
    if (!file.is_open() || !size || *size == 0)
        return TYPE_E_CANTLOADLIBRARY;
    qmt::platform::FileView const view = qmt::platform::FileView::map_read_only(file, 0, *size);
    if (!view.is_mapped())
        return TYPE_E_CANTLOADLIBRARY;
    std::span<unsigned char const> bytes(view.data(), static_cast<std::size_t>(view.length()));
    if (qmt::runtime::is_elf_file(bytes))
        bytes = qmt::runtime::find_elf_section(bytes, library_section);
    if (bytes.size() < sizeof library_signature
        || std::memcmp(bytes.data(), library_signature, sizeof library_signature) != 0)
        return TYPE_E_CANTLOADLIBRARY;
    return qmt::runtime::TypeLibrary::load(bytes, pptlib);
}
