// The system registry below HKEY_CLASSES_ROOT, as far as registering and removing a type
// library needs it: open, create and delete keys one name at a time, read the name of a
// key's first subkey, set a key's default value. Windows: the system registry. POSIX: the
// directory registry (a key is a directory, its default value the file `@` inside it,
// its subkeys the other directories), rooted at $QUILLMATE_REGISTRY or the default below.
#pragma once

#include <cstdint>

namespace qmt::platform {

// Statuses with the values of the Windows registry calls; 0 is success.
using RegistryStatus = std::int32_t;
inline constexpr RegistryStatus registry_success = 0;
inline constexpr RegistryStatus registry_not_found = 2; // ERROR_FILE_NOT_FOUND
inline constexpr RegistryStatus registry_access_denied = 5; // ERROR_ACCESS_DENIED
inline constexpr RegistryStatus registry_more_data = 234; // ERROR_MORE_DATA: the name does not fit
inline constexpr RegistryStatus registry_no_more_items = 259; // ERROR_NO_MORE_ITEMS

#ifndef _WIN32
// The directory registry's root when QUILLMATE_REGISTRY is unset or empty.
inline constexpr char default_registry_root[] = "/etc/quillmate/registry";
// $QUILLMATE_REGISTRY, or the default: read at every call, so a process may point it elsewhere.
char const* registry_root();
#endif

// One open key, closed when dropped.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(RegistryKey const&) = delete;
    RegistryKey& operator=(RegistryKey const&) = delete;
    ~RegistryKey() { close(); }

    // HKEY_CLASSES_ROOT itself.
    static RegistryKey classes_root();
#ifndef _WIN32
    // The same, the registry's root directory and HKEY_CLASSES_ROOT created first where they
    // are missing (parents included): for the registration tool, which may start a registry.
    static RegistryKey create_classes_root();
#endif

    bool is_open() const;

    // The existing key `name` directly below this one (one key name, never a path).
    RegistryStatus open(char const* name, RegistryKey& key) const;
    // The same, created first when it does not exist.
    RegistryStatus create(char const* name, RegistryKey& key) const;
    // The name of the subkey at `index` (counting from 0) into `name`; `size` holds the room
    // in characters, terminator included, and is set to the name's length.
    RegistryStatus subkey(std::uint32_t index, char* name, std::uint32_t& size) const;
    // Deletes the key `name` below this one, which must have no subkeys.
    RegistryStatus delete_subkey(char const* name) const;
    // Sets this key's default value to a text.
    RegistryStatus set_default_value(char const* text) const;

    void close();

private:
#ifdef _WIN32
    explicit RegistryKey(void* handle, bool owned)
        : m_handle(handle)
        , m_owned(owned)
    {
    }
    void* m_handle {nullptr};
    bool m_owned {false};
#else
    explicit RegistryKey(int directory)
        : m_directory(directory)
    {
    }
    int m_directory {-1};
#endif
};

} // namespace qmt::platform
