#include "platform/io.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace qmt::platform {

bool write_all(NativeHandle handle, void const* bytes, std::uint64_t length)
{
    auto const* cursor = static_cast<unsigned char const*>(bytes);
    while (length > 0) {
        std::size_t const piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, 1u << 30));
        ssize_t const written = ::write(handle, cursor, piece);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0)
            return false;
        cursor += written;
        length -= static_cast<std::uint64_t>(written);
    }
    return true;
}

std::int64_t read_some(NativeHandle handle, void* buffer, std::uint32_t length)
{
    for (;;) {
        ssize_t const got = ::read(handle, buffer, length);
        if (got < 0 && errno == EINTR)
            continue;
        return got;
    }
}

// The program buffers nothing and the kernel hands written bytes to readers at once.
void flush(NativeHandle) { }

} // namespace qmt::platform
