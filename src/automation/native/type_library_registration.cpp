// RegisterTypeLib and UnRegisterTypeLib over the directory registry, with the keys that the
// Windows runtime writes for a library:
//   TypeLib\{LIBID}\<major>.<minor>                 its help string, else its name
//   TypeLib\{LIBID}\<major>.<minor>\<lcid>\win32     its file (win16, win64 by its system)
//   TypeLib\{LIBID}\<major>.<minor>\FLAGS           its library flags, in decimal
//   TypeLib\{LIBID}\<major>.<minor>\HELPDIR         the folder given, or the file's folder
// Versions and locales are written in hexadecimal. Windows also writes Interface\{IID} keys
// for each interface, which serve marshaling between processes; this runtime has none.
#include "automation/native/guid_text.h"
#include "automation/native/type_library_abi.h"
#include "common/text_conversion.h"
#include "platform/registry.h"

#include <cstdio>
#include <cstring>

namespace {

using qmt::platform::registry_success;
using qmt::platform::RegistryKey;

char const* system_key(SYSKIND system)
{
    switch (system) {
    case SYS_WIN16:
        return "win16";
    case SYS_WIN32:
        return "win32";
    case SYS_WIN64:
        return "win64";
    default:
        return nullptr;
    }
}

struct VersionKeyName {
    char text[16];
};

VersionKeyName version_key(WORD major, WORD minor)
{
    VersionKeyName name {};
    std::snprintf(name.text, sizeof name.text, "%x.%x", static_cast<unsigned>(major), static_cast<unsigned>(minor));
    return name;
}

// Opens TypeLib\{LIBID}\<major>.<minor>, creating what is missing when asked to.
bool open_version_key(GUID const& library, WORD major, WORD minor, bool create, RegistryKey& libraries,
                      RegistryKey& identifier, RegistryKey& version)
{
    char identifier_text[qmt::runtime::guid_text_length + 1];
    qmt::runtime::format_guid_text(library, identifier_text);
    RegistryKey const root = RegistryKey::classes_root();
    auto step = [create](RegistryKey const& parent, char const* name, RegistryKey& key) {
        return (create ? parent.create(name, key) : parent.open(name, key)) == registry_success;
    };
    return step(root, "TypeLib", libraries) && step(libraries, identifier_text, identifier)
        && step(identifier, version_key(major, minor).text, version);
}

bool set_value(RegistryKey const& parent, char const* name, char const* value)
{
    RegistryKey key;
    return parent.create(name, key) == registry_success && key.set_default_value(value) == registry_success;
}

qmt::NarrowText narrow(BSTR text) { return qmt::narrow_from_wide(text, SysStringLen(text)); }

// The library's title: its help string, else its name.
qmt::NarrowText library_title(ITypeLib& library)
{
    BSTR name = nullptr;
    BSTR help_string = nullptr;
    qmt::NarrowText title;
    if (SUCCEEDED(library.GetDocumentation(-1, &name, &help_string, nullptr, nullptr)))
        title = narrow(help_string != nullptr ? help_string : name);
    SysFreeString(name);
    SysFreeString(help_string);
    return title;
}

} // namespace

extern "C" HRESULT STDAPICALLTYPE RegisterTypeLib(ITypeLib* ptlib, OLECHAR* szFullPath, OLECHAR* szHelpDir)
{
    if (ptlib == nullptr || szFullPath == nullptr)
        return E_INVALIDARG;
    TLIBATTR* attributes = nullptr;
    if (FAILED(ptlib->GetLibAttr(&attributes)))
        return E_FAIL;
    TLIBATTR const library = *attributes;
    ptlib->ReleaseTLibAttr(attributes);
    char const* system = system_key(library.syskind);
    qmt::NarrowText const path = qmt::narrow_from_wide(szFullPath);
    qmt::NarrowText const title = library_title(*ptlib);
    if (system == nullptr || !path.bytes)
        return E_FAIL;

    RegistryKey libraries, identifier, version;
    if (!open_version_key(library.guid, library.wMajorVerNum, library.wMinorVerNum, true, libraries, identifier,
                          version))
        return TYPE_E_REGISTRYACCESS;
    char locale[16];
    std::snprintf(locale, sizeof locale, "%x", static_cast<unsigned>(library.lcid));
    // The flags of the library itself, not of this copy of it in memory.
    char flags[8];
    std::snprintf(flags, sizeof flags, "%u", static_cast<unsigned>(library.wLibFlags & ~LIBFLAG_FHASDISKIMAGE));
    RegistryKey locale_key;
    RegistryKey help_folder;
    bool const help_folder_existed = version.open("HELPDIR", help_folder) == registry_success;
    bool written = (!title.bytes || version.set_default_value(title.bytes.get()) == registry_success)
        && version.create(locale, locale_key) == registry_success && set_value(locale_key, system, path.bytes.get())
        && set_value(version, "FLAGS", flags) && version.create("HELPDIR", help_folder) == registry_success;
    if (written && szHelpDir != nullptr) {
        qmt::NarrowText const given = qmt::narrow_from_wide(szHelpDir);
        written = given.bytes && help_folder.set_default_value(given.bytes.get()) == registry_success;
    } else if (written && !help_folder_existed) {
        // A new registration names the folder of the library's file.
        char* last = std::strrchr(path.bytes.get(), '/');
        if (last != nullptr)
            *last = '\0';
        written = help_folder.set_default_value(path.bytes.get()) == registry_success;
    }
    return written ? S_OK : TYPE_E_REGISTRYACCESS;
}

extern "C" HRESULT STDAPICALLTYPE UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                                                    SYSKIND syskind)
{
    char const* system = system_key(syskind);
    RegistryKey libraries, identifier, version, locale_key, file;
    char locale[16];
    std::snprintf(locale, sizeof locale, "%x", static_cast<unsigned>(lcid));
    if (system == nullptr || !open_version_key(libID, wVerMajor, wVerMinor, false, libraries, identifier, version)
        || version.open(locale, locale_key) != registry_success || locale_key.open(system, file) != registry_success)
        return E_INVALIDARG;
    file.close();
    locale_key.delete_subkey(system);
    locale_key.close();
    version.delete_subkey(locale); // kept while it holds other systems
    // The version goes only when nothing is left of it but its flags and help folder.
    char name[256];
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t size = sizeof name;
        qmt::platform::RegistryStatus const status = version.subkey(index, name, size);
        if (status == qmt::platform::registry_no_more_items)
            break;
        if (status != registry_success || (std::strcmp(name, "FLAGS") != 0 && std::strcmp(name, "HELPDIR") != 0))
            return S_OK;
    }
    version.delete_subkey("FLAGS");
    version.delete_subkey("HELPDIR");
    version.close();
    identifier.delete_subkey(version_key(wVerMajor, wVerMinor).text);
    identifier.close();
    char identifier_text[qmt::runtime::guid_text_length + 1];
    qmt::runtime::format_guid_text(libID, identifier_text);
    libraries.delete_subkey(identifier_text); // kept while it holds other versions
    return S_OK;
}
