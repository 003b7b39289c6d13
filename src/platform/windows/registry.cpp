#include "platform/registry.h"

#include <utility>
#include <windows.h>

namespace qmt::platform {

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr))
    , m_owned(std::exchange(other.m_owned, false))
{
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_owned = std::exchange(other.m_owned, false);
    }
    return *this;
}

// A predefined key: never closed.
RegistryKey RegistryKey::classes_root() { return RegistryKey {HKEY_CLASSES_ROOT, false}; }

bool RegistryKey::is_open() const { return m_handle != nullptr; }

RegistryStatus RegistryKey::open(char const* name, RegistryKey& key) const
{
    key.close();
    HKEY opened = nullptr;
    LONG const status = RegOpenKeyA(static_cast<HKEY>(m_handle), name, &opened);
    if (status == ERROR_SUCCESS)
        key = RegistryKey {opened, true};
    return status;
}

RegistryStatus RegistryKey::create(char const* name, RegistryKey& key) const
{
    key.close();
    HKEY created = nullptr;
    LONG const status = RegCreateKeyA(static_cast<HKEY>(m_handle), name, &created);
    if (status == ERROR_SUCCESS)
        key = RegistryKey {created, true};
    return status;
}

RegistryStatus RegistryKey::subkey(std::uint32_t index, char* name, std::uint32_t& size) const
{
    DWORD length = size;
    FILETIME written {};
    LONG const status
        = RegEnumKeyExA(static_cast<HKEY>(m_handle), index, name, &length, nullptr, nullptr, nullptr, &written);
    if (status == ERROR_SUCCESS)
        size = length;
    return status;
}

RegistryStatus RegistryKey::delete_subkey(char const* name) const
{
    return RegDeleteKeyA(static_cast<HKEY>(m_handle), name);
}

RegistryStatus RegistryKey::set_default_value(char const* text) const
{
    return RegSetValueA(static_cast<HKEY>(m_handle), nullptr, REG_SZ, text, static_cast<DWORD>(lstrlenA(text)));
}

void RegistryKey::close()
{
    if (m_handle != nullptr && m_owned)
        RegCloseKey(static_cast<HKEY>(m_handle));
    m_handle = nullptr;
    m_owned = false;
}

} // namespace qmt::platform
