#include "platform/heap.h"

#include "platform/posix/system_calls.h"

#include <cstdlib>

namespace qmt::platform {

void* heap_allocate(std::size_t bytes) { return system::allocate(bytes == 0 ? 1 : bytes); }

void* heap_reallocate(void* block, std::size_t bytes) { return system::reallocate(block, bytes == 0 ? 1 : bytes); }

void heap_free(void* block) { std::free(block); }

} // namespace qmt::platform
