// Conversions between wide text and narrow text in the ANSI code page, sized from the
// platform's own measure so that no text is ever cut.
#pragma once

#include "common/heap_ptr.h"
#include "common/wide_text.h"

#include <cstddef>

namespace qmt {

struct NarrowText {
    HeapPtr<char> bytes; // zero-terminated
    std::size_t length {0};
};

// The first `length` units of `wide`, converted; null bytes when memory is short.
NarrowText narrow_from_wide(WideChar const* wide, std::size_t length);
inline NarrowText narrow_from_wide(WideChar const* wide) { return narrow_from_wide(wide, wide_length(wide)); }

// Converts `length` bytes into `out` (capacity in units, terminator included); returns the
// count of units produced, without the terminator. `out` is always terminated.
std::size_t wide_from_narrow_into(char const* narrow, std::size_t length, WideChar* out, std::size_t capacity);

// Units that `length` narrow bytes become (never more than `length`).
std::size_t wide_length_of_narrow(char const* narrow, std::size_t length);

} // namespace qmt
