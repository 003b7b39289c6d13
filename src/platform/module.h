// The running program's own module: its file path and its string resources.
#pragma once

#include <cstdint>

namespace qmt::platform {

// Keeps the module instance handle (Windows) for the other calls; first step of the entry.
void set_module_instance(void* instance);

// The executable's own full path as narrow text, in a heap buffer that the caller frees
// with heap_free; null when it cannot be had. No length limit.
char* module_path();

// Loads string resource `number` into `buffer` (at most capacity - 1 bytes and a
// terminator). Returns the count of bytes copied, 0 when there is no such string.
int load_string(std::uint32_t number, char* buffer, int capacity);

} // namespace qmt::platform
