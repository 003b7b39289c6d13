#include "automation/machine_settings.h"

#include "automation/native/directory_registry.h"

#include <algorithm>
#include <string_view>

namespace qmt {

SettingStatus read_machine_setting(char const* key, char* buffer, std::size_t capacity, std::size_t& length)
{
    using namespace runtime;
    length = 0;
    KeyPath path = KeyPath::local_machine();
    for (std::string_view rest = key; !rest.empty();) {
        std::size_t const separator = rest.find('\\');
        std::string_view const name = rest.substr(0, separator);
        if (!is_single_key_name(name))
            return SettingStatus::missing;
        path.subkey(name);
        // remove_prefix, not substr: substr's range check would link the C++ runtime's
        // exception machinery into the gateway, whose start then sets up its memory pool.
        rest.remove_prefix(separator == std::string_view::npos ? rest.size() : separator + 1);
    }
    // Read straight into the caller's buffer: a value as long as a path or as the buffer does
    // not fit, as in the registry's own value. No second buffer of a path's size on the stack.
    if (capacity == 0)
        return SettingStatus::unreadable;
    switch (read_default_value(path, buffer, std::min(capacity, platform::path_capacity), length)) {
    case ValueStatus::found:
        return SettingStatus::found;
    case ValueStatus::missing:
        return SettingStatus::missing;
    case ValueStatus::unreadable:
        break;
    }
    return SettingStatus::unreadable;
}

} // namespace qmt
