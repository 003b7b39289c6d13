// Where the gateway's own objects live (`using Heap = qmt::ObjectHeap;`): the process heap,
// through the platform layer like every other allocation of the gateway, so that whatever
// watches those routines sees the objects too.
#pragma once

#include "platform/heap.h"

#include <cstddef>

namespace qmt {

struct ObjectHeap {
    static void* allocate(std::size_t bytes) { return platform::heap_allocate(bytes); }
    static void free(void* block) { platform::heap_free(block); }
};

} // namespace qmt
