// Reading and writing on open handles. Every write continues until all bytes are written
// or the platform reports a failure: pipes and files may accept less than asked.
#pragma once

#include "platform/native_handle.h"

#include <cstddef>
#include <cstdint>

namespace qmt::platform {

bool write_all(NativeHandle handle, void const* bytes, std::uint64_t length);

// One read of at most `length` bytes: the count delivered, 0 at the end of input, -1 on failure.
std::int64_t read_some(NativeHandle handle, void* buffer, std::uint32_t length);

// Commits what was written to the handle (a no-op where the system buffers nothing for us).
void flush(NativeHandle handle);

} // namespace qmt::platform
