#include "automation/machine_settings.h"

#include "automation/native/directory_registry.h"

#include <cstring>
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
        rest = separator == std::string_view::npos ? std::string_view {} : rest.substr(separator + 1);
    }
    KeyValue value;
    switch (read_default_value(path, value)) {
    case ValueStatus::found:
        break;
    case ValueStatus::missing:
        return SettingStatus::missing;
    case ValueStatus::unreadable:
        return SettingStatus::unreadable;
    }
    if (value.length >= capacity)
        return SettingStatus::unreadable;
    std::memcpy(buffer, value.text, value.length + 1);
    length = value.length;
    return SettingStatus::found;
}

} // namespace qmt
