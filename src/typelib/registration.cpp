#include "typelib/registration.h"

#include "quillmate/interfaces.h"
#include "typelib/own_type_library.h"

#include <cstdint>

namespace qmt {
namespace {

using platform::registry_success;
using platform::RegistryKey;
using platform::RegistryStatus;

// A key name in the registry's text form of an identifier: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
struct IdentifierText {
    char text[39];
};

constexpr IdentifierText registry_text(GUID const& guid)
{
    IdentifierText out {};
    char const* digits = "0123456789ABCDEF";
    int at = 0;
    auto put = [&](std::uint32_t value, int count) {
        for (int shift = (count - 1) * 4; shift >= 0; shift -= 4)
            out.text[at++] = digits[(value >> shift) & 0xF];
    };
    out.text[at++] = '{';
    put(guid.Data1, 8);
    out.text[at++] = '-';
    put(guid.Data2, 4);
    out.text[at++] = '-';
    put(guid.Data3, 4);
    out.text[at++] = '-';
    put(guid.Data4[0], 2);
    put(guid.Data4[1], 2);
    out.text[at++] = '-';
    for (int i = 2; i < 8; ++i)
        put(guid.Data4[i], 2);
    out.text[at++] = '}';
    out.text[at] = '\0';
    return out;
}

// The library's own key below HKEY_CLASSES_ROOT\TypeLib: the identifier it carries.
constexpr IdentifierText library_key = registry_text(LIBID_QMTLib);

// Key names longer than this are not enumerated: such a key stays, and so do its parents.
constexpr std::uint32_t subkey_name_room = 256;
// As deep as the Windows registry goes; a deeper tree (possible only natively) is left alone.
constexpr int deepest_level = 512;

RegistryStatus delete_tree(RegistryKey const& parent, char const* name, int level)
{
    RegistryKey key;
    if (RegistryStatus const opened = parent.open(name, key); opened != registry_success)
        return opened;
    if (level >= deepest_level)
        return platform::registry_access_denied;
    for (;;) {
        char subkey[subkey_name_room];
        std::uint32_t size = subkey_name_room;
        if (key.subkey(0, subkey, size) != registry_success)
            break; // none left, or one whose name does not fit: the deletion below says which
        if (RegistryStatus const deleted = delete_tree(key, subkey, level + 1); deleted != registry_success)
            return deleted;
    }
    key.close();
    return parent.delete_subkey(name);
}

} // namespace

RegistryStatus delete_key_tree(RegistryKey const& parent, char const* name) { return delete_tree(parent, name, 0); }

void register_type_library()
{
    OwnTypeLibrary own;
    if (FAILED(load_own_type_library(own)))
        return;
    RegisterTypeLib(own.library.get(), own.path.get(), nullptr);
}

void unregister_type_library()
{
    RegistryKey libraries;
    if (RegistryKey::classes_root().open("TypeLib", libraries) != registry_success)
        return;
    delete_key_tree(libraries, library_key.text);
}

} // namespace qmt
