#include "platform/heap.h"

#include <windows.h>

namespace qmt::platform {

void* heap_allocate(std::size_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }

void* heap_reallocate(void* block, std::size_t bytes)
{
    if (block == nullptr)
        return heap_allocate(bytes);
    return HeapReAlloc(GetProcessHeap(), 0, block, bytes);
}

void heap_free(void* block)
{
    if (block != nullptr)
        HeapFree(GetProcessHeap(), 0, block);
}

} // namespace qmt::platform
