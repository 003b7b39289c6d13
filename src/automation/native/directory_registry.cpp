#include "automation/native/directory_registry.h"

#include "platform/file_system.h"
#include "platform/registry.h"

#include <cstring>

namespace qmt::runtime {

KeyPath KeyPath::root_key(char const* name)
{
    KeyPath path;
    path.append(platform::registry_root());
    path.append("/");
    path.append(name);
    return path;
}

KeyPath KeyPath::classes_root() { return root_key("HKEY_CLASSES_ROOT"); }

KeyPath KeyPath::local_machine() { return root_key("HKEY_LOCAL_MACHINE"); }

KeyPath& KeyPath::subkey(std::string_view name)
{
    append("/");
    append(name);
    return *this;
}

void KeyPath::append(std::string_view text)
{
    // Room is kept for "/@" and the terminator, which read_default_value adds.
    if (!m_valid || text.size() > sizeof m_text - 3 - m_length) {
        m_valid = false;
        return;
    }
    std::memcpy(m_text + m_length, text.data(), text.size());
    m_length += text.size();
    m_text[m_length] = '\0';
}

ValueStatus read_default_value(KeyPath& key, char* text, std::size_t room, std::size_t& length)
{
    length = 0;
    text[0] = '\0';
    if (!key.is_valid())
        return ValueStatus::missing;
    std::memcpy(key.m_text + key.m_length, "/@", 3);

    // Room for the longest value and its line feed. A FIFO planted as `@` is no regular
    // file: it is refused without waiting for a writer, so it cannot stall the request.
    std::size_t filled = 0;
    platform::SmallFileStatus const read = platform::read_small_file(key.m_text, text, room, filled);
    key.m_text[key.m_length] = '\0';
    switch (read) {
    case platform::SmallFileStatus::read:
        break;
    case platform::SmallFileStatus::absent:
    case platform::SmallFileStatus::not_regular:
        return ValueStatus::missing;
    case platform::SmallFileStatus::too_large:
    case platform::SmallFileStatus::unreadable:
        return ValueStatus::unreadable;
    }
    if (filled > 0 && text[filled - 1] == '\n')
        --filled;
    // A zero byte would cut the value short wherever it is used as a C string.
    if (filled >= room || std::memchr(text, '\0', filled) != nullptr)
        return ValueStatus::unreadable;
    text[filled] = '\0';
    length = filled;
    return ValueStatus::found;
}

ValueStatus read_default_value(KeyPath& key, KeyValue& value)
{
    return read_default_value(key, value.text, platform::path_capacity, value.length);
}

bool is_single_key_name(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    // A backslash separates keys in Windows registry paths: it never belongs to a name.
    constexpr std::string_view forbidden("/\\\0", 3);
    return name.find_first_of(forbidden) == std::string_view::npos;
}

} // namespace qmt::runtime
