#include "platform/io.h"

#include "platform/posix/system_calls.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

namespace qmt::platform {
namespace {

// A server may hand over a non-blocking descriptor (its own socket, say): "try again" then
// means waiting until the descriptor is ready, not the end of the data. The descriptor's
// flags are left alone, as the server may share them.
void wait_until_ready(int descriptor, short events)
{
    pollfd ready {descriptor, events, 0};
    while (::poll(&ready, 1, -1) < 0 && errno == EINTR) { }
}

bool is_try_again(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

} // namespace

bool write_all(NativeHandle handle, void const* bytes, std::uint64_t length)
{
    auto const* cursor = static_cast<unsigned char const*>(bytes);
    while (length > 0) {
        std::size_t const piece = static_cast<std::size_t>(std::min<std::uint64_t>(length, 1u << 30));
        ssize_t const written = system::write(handle, cursor, piece);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (is_try_again(errno)) {
                wait_until_ready(handle, POLLOUT);
                continue;
            }
            return false;
        }
        if (written == 0)
            return false;
        cursor += written;
        length -= static_cast<std::uint64_t>(written);
    }
    return true;
}

bool write_all_pieces(NativeHandle handle, BytePiece* pieces, std::size_t count)
{
    constexpr std::size_t most_pieces = 16;
    while (count > 0) {
        iovec vector[most_pieces];
        int used = 0;
        for (; static_cast<std::size_t>(used) < std::min(count, most_pieces); ++used)
            vector[used] = {const_cast<void*>(pieces[used].bytes), pieces[used].length};
        ssize_t written = system::write_gathered(handle, vector, used);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (is_try_again(errno)) {
                wait_until_ready(handle, POLLOUT);
                continue;
            }
            return false;
        }
        bool const anything_asked = std::any_of(pieces, pieces + used, [](BytePiece const& p) { return p.length > 0; });
        if (written == 0 && anything_asked)
            return false;
        // Past the pieces that went whole, into the one that went in part.
        while (count > 0 && static_cast<std::size_t>(written) >= pieces->length) {
            written -= static_cast<ssize_t>(pieces->length);
            ++pieces;
            --count;
        }
        if (count > 0) {
            pieces->bytes = static_cast<unsigned char const*>(pieces->bytes) + written;
            pieces->length -= static_cast<std::size_t>(written);
        }
    }
    return true;
}

std::int64_t read_some(NativeHandle handle, void* buffer, std::uint32_t length)
{
    for (;;) {
        ssize_t const got = ::read(handle, buffer, length);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && is_try_again(errno)) {
            wait_until_ready(handle, POLLIN);
            continue;
        }
        return got;
    }
}

DirectCopy copy_directly(NativeHandle file, std::uint64_t& offset, std::uint64_t end, NativeHandle handle)
{
    while (offset < end) {
        std::size_t const piece = static_cast<std::size_t>(std::min<std::uint64_t>(end - offset, 1u << 30));
        auto position = static_cast<off_t>(offset);
        ssize_t const sent = system::send_file(handle, file, &position, piece);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if (is_try_again(errno)) {
                wait_until_ready(handle, POLLOUT);
                continue;
            }
            // This kind of target (a terminal, a file opened for appending) takes no direct copy.
            if (errno == EINVAL || errno == ENOSYS)
                return DirectCopy::unsupported;
            return DirectCopy::failed;
        }
        if (sent == 0)
            return DirectCopy::done; // the file shrank: what it holds has been sent
        offset += static_cast<std::uint64_t>(sent);
    }
    return DirectCopy::done;
}

// The program buffers nothing and the kernel hands written bytes to readers at once.
void flush(NativeHandle) { }

} // namespace qmt::platform
