// The running program's own module: its file path and its string resources.
#pragma once

#include <cstdint>
#include <span>

namespace qmt::platform {

// Keeps the module instance handle (Windows) for the other calls; first step of the entry.
void set_module_instance(void* instance);

// The executable's own full path as narrow text, in a heap buffer that the caller frees
// with heap_free; null when it cannot be had. No length limit.
char* module_path();

// One string of a string table.
struct StringRow {
    std::uint32_t number;
    char const* text;
};

// Loads string `number` into `buffer` (at most capacity - 1 bytes and a terminator). The
// caller hands over its table: the native build looks the number up in it, Windows loads
// the executable's string-table resource instead, which the build makes from the same rows.
// Returns the count of bytes copied, 0 when there is no such string.
int load_string(std::span<StringRow const> table, std::uint32_t number, char* buffer, int capacity);

} // namespace qmt::platform
