// The process heap: every private allocation of the program comes from here. New storage
// is not zero-filled; a failed allocation yields null; freeing null does nothing.
#pragma once

#include <cstddef>

namespace qmt::platform {

void* heap_allocate(std::size_t bytes);
void* heap_reallocate(void* block, std::size_t bytes);
void heap_free(void* block);

} // namespace qmt::platform
