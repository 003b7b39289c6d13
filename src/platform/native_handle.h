// The platform's handle to an open file, pipe or standard stream.
#pragma once

namespace qmt::platform {

#ifdef _WIN32
using NativeHandle = void*;
inline NativeHandle const invalid_handle = reinterpret_cast<void*>(static_cast<long long>(-1));
#else
using NativeHandle = int;
inline constexpr NativeHandle invalid_handle = -1;
#endif

#ifdef _WIN32
inline bool is_valid(NativeHandle handle) { return handle != invalid_handle && handle != nullptr; }
#else
// Descriptor 0 is a file like any other: a server that starts the program with standard
// input closed hands the first file opened that number.
inline bool is_valid(NativeHandle handle) { return handle >= 0; }
#endif

} // namespace qmt::platform
