// The system routines that the platform layer's heap and output rest on, in a file of their
// own (system_calls.cpp): the fault-injection build of the gateway links its own definitions
// in their place, which make a chosen allocation or write fail or come back short
// (tests/faults/). Nothing else may go into that file, or both definitions would be linked.
#pragma once

#include <cstddef>
#include <sys/types.h>
#include <sys/uio.h>

namespace qmt::platform::system {

void* allocate(std::size_t bytes);
void* reallocate(void* block, std::size_t bytes);
// write(2) and sendfile(2), errno and all.
ssize_t write(int descriptor, void const* bytes, std::size_t length);
ssize_t send_file(int out, int in, off_t* offset, std::size_t length);
// writev(2), errno and all.
ssize_t write_gathered(int descriptor, iovec const* pieces, int count);

} // namespace qmt::platform::system
