// The copy of a UTF-16 text into bytes that serves most template values: unit for unit,
// while every unit is ASCII, which every ANSI code page writes as the same single byte.
#pragma once

#include "platform/wide_char.h"

#include <cstddef>
#include <cstdint>

namespace qmt {

// Copies the units of `text` as bytes into `out` up to its terminating zero, or until
// `room` bytes are written, and gives the count copied: less than `room` only when the
// zero was reached. Each unit is tested for zero before the next is read, so none is read
// past it; whether all were ASCII is asked once at the end, of `bits`, every bit set in a
// unit copied. Eight units a round keep the loop's own count off most units.
inline std::size_t copy_until_zero(WideChar const* text, unsigned char* out, std::size_t room, std::uint32_t& bits)
{
    constexpr std::size_t round = 8;
    std::uint32_t seen = 0;
    std::size_t count = 0;
    for (; room - count >= round; count += round) {
        WideChar const* const from = text + count;
        unsigned char* const to = out + count;
        for (std::size_t i = 0; i < round; ++i) {
            std::uint32_t const unit = from[i];
            if (unit == 0) {
                bits = seen;
                return count + i;
            }
            seen |= unit;
            to[i] = static_cast<unsigned char>(unit);
        }
    }
    for (; count < room; ++count) {
        std::uint32_t const unit = text[count];
        if (unit == 0)
            break;
        seen |= unit;
        out[count] = static_cast<unsigned char>(unit);
    }
    bits = seen;
    return count;
}

} // namespace qmt
