// Questions to the file system by path, for the native runtime's own settings rather than
// the user's files: small regular files read whole (the directory registry's values) and
// whether a path names anything (the library loader's diagnosis). POSIX builds only: on
// Windows the system's runtime keeps its registry and libraries to itself.
#pragma once

#include <climits>
#include <cstddef>

namespace qmt::platform {

// The longest path the system opens, terminator included, and the longest name of one
// directory entry, in bytes.
inline constexpr std::size_t path_capacity = PATH_MAX;
inline constexpr std::size_t name_length_limit = NAME_MAX;

enum class SmallFileStatus {
    read,
    absent, // nothing there, or a path that cannot name anything (too long, a loop of links)
    not_regular, // a directory, a FIFO, a device, ...
    too_large, // more bytes than the buffer holds
    unreadable, // no permission, an I/O error
};

// Reads the regular file at `path` whole into `buffer` (`capacity` bytes, no terminator
// added) and sets `length` to the count read. The open never blocks, so a FIFO planted at
// the path cannot stall the caller; a file that shrinks while it is read yields what it
// still holds.
SmallFileStatus read_small_file(char const* path, char* buffer, std::size_t capacity, std::size_t& length);

// Whether the path names anything at all, following symbolic links.
bool path_exists(char const* path);

// Whether the path names a regular file, following symbolic links.
bool is_regular_file(char const* path);

} // namespace qmt::platform
