#include "platform/module.h"

#include "platform/heap.h"

#include <cstring>
#include <unistd.h>

namespace qmt::platform {

void set_module_instance(void*) { }

char* module_path()
{
    for (std::size_t capacity = 256; capacity <= (1u << 20); capacity *= 2) {
        auto* buffer = static_cast<char*>(heap_allocate(capacity));
        if (buffer == nullptr)
            return nullptr;
        ssize_t const length = ::readlink("/proc/self/exe", buffer, capacity);
        if (length < 0) {
            heap_free(buffer);
            return nullptr;
        }
        if (static_cast<std::size_t>(length) < capacity) {
            buffer[length] = '\0';
            return buffer;
        }
        heap_free(buffer);
    }
    return nullptr;
}

int load_string(std::span<StringRow const> table, std::uint32_t number, char* buffer, int capacity)
{
    if (capacity <= 0)
        return 0;
    for (StringRow const& row : table) {
        if (row.number != number)
            continue;
        std::size_t length = std::strlen(row.text);
        if (length > static_cast<std::size_t>(capacity - 1))
            length = static_cast<std::size_t>(capacity - 1);
        std::memcpy(buffer, row.text, length);
        buffer[length] = '\0';
        return static_cast<int>(length);
    }
    buffer[0] = '\0';
    return 0;
}

} // namespace qmt::platform
