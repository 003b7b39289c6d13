// The native registry: a directory tree. A key is a directory, its default value the
// regular file `@` inside it (one trailing line feed ignored), its subkeys the other
// directories. Key names are matched exactly (the file system decides case).
//
// Lookups run once per request, so nothing here allocates: paths and values live in
// fixed buffers sized by the system's own path limit.
#pragma once

#include "platform/file_system.h"

#include <cstddef>
#include <string_view>

namespace qmt::runtime {

enum class ValueStatus {
    found,
    missing, // no such key, no `@`, or `@` is not a regular file
    unreadable, // present but unusable: permissions, I/O error, too long, a zero byte
};

struct KeyValue;

// The file-system path of one key.
class KeyPath {
public:
    // HKEY_CLASSES_ROOT below the registry root (platform::registry_root(), read at every call).
    static KeyPath classes_root();
    // HKEY_LOCAL_MACHINE below the registry root: the machine's settings.
    static KeyPath local_machine();

    // Descends into subkey `name`, which the caller has checked to be one key name. The
    // path turns invalid when it would not fit; an invalid path names no key.
    KeyPath& subkey(std::string_view name);

    bool is_valid() const { return m_valid; }
    char const* c_str() const { return m_text; }
    std::size_t length() const { return m_length; }

private:
    friend ValueStatus read_default_value(KeyPath& key, char* text, std::size_t room, std::size_t& length);
    // Only the terminator is written: the rest of the buffer is left as it is, untouched
    // stack pages unfaulted.
    KeyPath() { m_text[0] = '\0'; }
    static KeyPath root_key(char const* name);
    void append(std::string_view text);

    char m_text[platform::path_capacity];
    std::size_t m_length {0};
    bool m_valid {true};
};

// A key's default value: shorter than the longest path, so that a path stored in it opens.
struct KeyValue {
    char text[platform::path_capacity + 1];
    std::size_t length;
    std::string_view view() const { return {text, length}; }
};

// The key's path names the value's file (`@`) in the room it keeps for that while the file is
// read, and is given back unchanged: no second path on the stack.
ValueStatus read_default_value(KeyPath& key, KeyValue& value);
// The same into the caller's `room` bytes (at least one): a value fits when it is shorter
// (unreadable otherwise), and is stored zero-terminated. `room` is at most path_capacity.
ValueStatus read_default_value(KeyPath& key, char* text, std::size_t room, std::size_t& length);

// Whether `name` can stand as one key name: not empty, no separator or zero byte, not
// "." or "..", so that a lookup never reaches outside the key it starts from.
bool is_single_key_name(std::string_view name);

} // namespace qmt::runtime
