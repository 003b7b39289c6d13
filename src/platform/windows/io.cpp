#include "platform/io.h"

#include <algorithm>
#include <windows.h>

namespace qmt::platform {

bool write_all(NativeHandle handle, void const* bytes, std::uint64_t length)
{
    auto const* cursor = static_cast<unsigned char const*>(bytes);
    while (length > 0) {
        DWORD const piece = static_cast<DWORD>(std::min<std::uint64_t>(length, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, cursor, piece, &written, nullptr) || written == 0)
            return false;
        cursor += written;
        length -= written;
    }
    return true;
}

bool write_all_pieces(NativeHandle handle, BytePiece* pieces, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        if (!write_all(handle, pieces[i].bytes, pieces[i].length))
            return false;
    return true;
}

std::int64_t read_some(NativeHandle handle, void* buffer, std::uint32_t length)
{
    DWORD got = 0;
    if (!ReadFile(handle, buffer, length, &got, nullptr))
        return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return got;
}

// Windows has no copy from a file to any handle: the caller sends mapped views.
DirectCopy copy_directly(NativeHandle, std::uint64_t&, std::uint64_t, NativeHandle) { return DirectCopy::unsupported; }

void flush(NativeHandle handle) { FlushFileBuffers(handle); }

} // namespace qmt::platform
