// Reading and writing on open handles. Every write continues until all bytes are written
// or the platform reports a failure: pipes and files may accept less than asked. A handle
// that is not ready ("try again" on a non-blocking one) is waited for, never taken as ended.
#pragma once

#include "platform/native_handle.h"

#include <cstddef>
#include <cstdint>

namespace qmt::platform {

bool write_all(NativeHandle handle, void const* bytes, std::uint64_t length);

// Several pieces written in order as one stream of bytes, with as few calls as the system
// allows (POSIX: writev), each piece whole or the write fails. `pieces` may be changed.
struct BytePiece {
    void const* bytes;
    std::size_t length;
};
bool write_all_pieces(NativeHandle handle, BytePiece* pieces, std::size_t count);

// One read of at most `length` bytes: the count delivered, 0 at the end of input, -1 on failure.
std::int64_t read_some(NativeHandle handle, void* buffer, std::uint32_t length);

enum class DirectCopy {
    done, // every byte up to the end, or the file ended earlier
    unsupported, // the system cannot copy to this handle directly: nothing more was copied
    failed, // a write failed (the reader went away, say)
};

// Copies the bytes of the open `file` from `offset` up to `end` to `handle` without passing
// them through the program's memory, where the system can (Linux: sendfile); `offset`
// advances by what was copied.
DirectCopy copy_directly(NativeHandle file, std::uint64_t& offset, std::uint64_t end, NativeHandle handle);

// Commits what was written to the handle (a no-op where the system buffers nothing for us).
void flush(NativeHandle handle);

} // namespace qmt::platform
