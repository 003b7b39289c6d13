// Settings an operator keeps for the whole machine in the class registry: the default value
// of a key below HKEY_LOCAL_MACHINE (natively <root>/HKEY_LOCAL_MACHINE/..., beside the
// classes; on Windows the system registry).
#pragma once

#include <cstddef>

namespace qmt {

enum class SettingStatus {
    found,
    missing, // no such key, or no default value
    unreadable, // present but unusable: not text, too long, a read failure
};

// Reads the default value of HKEY_LOCAL_MACHINE\<key> (key names separated by "\") as narrow
// text into `buffer` (`capacity` bytes); `length` is its count of bytes, terminator excluded.
// The list form of the Windows registry (REG_MULTI_SZ) comes with zero bytes between its texts.
SettingStatus read_machine_setting(char const* key, char* buffer, std::size_t capacity, std::size_t& length);

} // namespace qmt
