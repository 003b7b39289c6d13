#include "automation/machine_settings.h"

#include <windows.h>

namespace qmt {

// A 32-bit build reads the registry's 32-bit view, as every 32-bit program does.
SettingStatus read_machine_setting(char const* key, char* buffer, std::size_t capacity, std::size_t& length)
{
    length = 0;
    if (capacity < 2 || capacity > MAXDWORD)
        return SettingStatus::unreadable;
    DWORD size = static_cast<DWORD>(capacity);
    LSTATUS const status
        = RegGetValueA(HKEY_LOCAL_MACHINE, key, nullptr, RRF_RT_REG_SZ | RRF_RT_REG_MULTI_SZ, nullptr, buffer, &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return SettingStatus::missing;
    if (status != ERROR_SUCCESS)
        return SettingStatus::unreadable;
    // The size counts the terminating zero (two of them for a list).
    while (size > 0 && buffer[size - 1] == '\0')
        --size;
    buffer[size] = '\0';
    length = size;
    return SettingStatus::found;
}

} // namespace qmt
