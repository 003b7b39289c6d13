#include "platform/module.h"

#include "platform/heap.h"

#include <windows.h>

namespace qmt::platform {

namespace {
HINSTANCE module_instance = nullptr;
}

void set_module_instance(void* instance) { module_instance = static_cast<HINSTANCE>(instance); }

char* module_path()
{
    for (DWORD capacity = 300; capacity <= 65536; capacity *= 2) {
        auto* buffer = static_cast<char*>(heap_allocate(capacity));
        if (buffer == nullptr)
            return nullptr;
        DWORD const length = GetModuleFileNameA(module_instance, buffer, capacity);
        if (length == 0) {
            heap_free(buffer);
            return nullptr;
        }
        if (length < capacity)
            return buffer;
        heap_free(buffer);
    }
    return nullptr;
}

// The executable's string-table resource was written from the same rows as the table handed
// in; the texts are read from the resource, as Windows programs read theirs.
int load_string(std::span<StringRow const>, std::uint32_t number, char* buffer, int capacity)
{
    return LoadStringA(module_instance, number, buffer, capacity);
}

} // namespace qmt::platform
