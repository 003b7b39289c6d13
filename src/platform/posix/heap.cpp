#include "platform/heap.h"

#include <cstdlib>

namespace qmt::platform {

void* heap_allocate(std::size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }

void* heap_reallocate(void* block, std::size_t bytes) { return std::realloc(block, bytes == 0 ? 1 : bytes); }

void heap_free(void* block) { std::free(block); }

} // namespace qmt::platform
