#include "platform/posix/system_calls.h"

#include <cstdlib>
#include <sys/sendfile.h>
#include <unistd.h>

namespace qmt::platform::system {

void* allocate(std::size_t bytes) { return std::malloc(bytes); }

void* reallocate(void* block, std::size_t bytes) { return std::realloc(block, bytes); }

ssize_t write(int descriptor, void const* bytes, std::size_t length) { return ::write(descriptor, bytes, length); }

ssize_t send_file(int out, int in, off_t* offset, std::size_t length) { return ::sendfile(out, in, offset, length); }

ssize_t write_gathered(int descriptor, iovec const* pieces, int count) { return ::writev(descriptor, pieces, count); }

} // namespace qmt::platform::system
