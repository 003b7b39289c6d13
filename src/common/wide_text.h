// Zero-terminated UTF-16 texts as the automation runtime passes them.
#pragma once

#include "platform/wide_char.h"

#include <cstddef>

namespace qmt {

// Units before the first zero unit; a null text has length 0.
inline std::size_t wide_length(WideChar const* text)
{
    if (text == nullptr)
        return 0;
    std::size_t length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

inline bool wide_is_empty(WideChar const* text) { return text == nullptr || text[0] == 0; }

// Exact comparison of code units: case-sensitive, no trimming, no normalisation.
inline bool wide_equal(WideChar const* a, WideChar const* b)
{
    for (;; ++a, ++b) {
        if (*a != *b)
            return false;
        if (*a == 0)
            return true;
    }
}

} // namespace qmt
