// The copy of one piece of template output: most are a few bytes, copied without a call
// and never reading or writing beyond them.
#pragma once

#include <cstddef>
#include <cstring>

namespace qmt {

inline void copy_piece(unsigned char* to, unsigned char const* from, std::size_t length)
{
    if (length > 16) {
        std::memcpy(to, from, length);
    } else if (length >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + length - 8, from + length - 8, 8);
    } else if (length >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + length - 4, from + length - 4, 4);
    } else {
        for (std::size_t i = 0; i < length; ++i)
            to[i] = from[i];
    }
}

} // namespace qmt
