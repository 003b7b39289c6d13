// The copy of a UTF-16 text into bytes that serves most template values: unit for unit,
// while every unit is ASCII, which every ANSI code page writes as the same single byte.
#pragma once

#include "platform/wide_char.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#    include <emmintrin.h>
#endif

namespace qmt {

// The count of units of `text` before its terminating zero, or `limit` when none of the
// first `limit` units is zero. Each unit is tested before the next is read, so none is read
// past the zero; eight units a round keep the loop's own count off most of them.
inline std::size_t units_before_zero(WideChar const* text, std::size_t limit)
{
    constexpr std::size_t round = 8;
    std::size_t count = 0;
    for (; limit - count >= round; count += round) {
        WideChar const* const from = text + count;
        for (std::size_t i = 0; i < round; ++i)
            if (from[i] == 0)
                return count + i;
    }
    while (count < limit && text[count] != 0)
        ++count;
    return count;
}

#if defined(__SSE2__)
// The low bytes of `count` units, 4 ≤ count, every unit read known to be there: eight
// or four units a load, the last load ending at the last unit (overlapping the one before
// when the count is not a multiple), so no load reaches past the text. Gives every bit
// set in a unit read.
inline std::uint32_t narrow_known_units(WideChar const* text, std::size_t count, unsigned char* out)
{
    __m128i seen = _mm_setzero_si128();
    if (count >= 8) {
        auto const narrow_eight = [&](std::size_t at) {
            __m128i const units = _mm_loadu_si128(reinterpret_cast<__m128i const*>(text + at));
            seen = _mm_or_si128(seen, units);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + at), _mm_packus_epi16(units, units));
        };
        std::size_t at = 0;
        for (; count - at > 8; at += 8)
            narrow_eight(at);
        narrow_eight(count - 8);
    } else {
        auto const narrow_four = [&](std::size_t at) {
            __m128i const units = _mm_loadl_epi64(reinterpret_cast<__m128i const*>(text + at));
            seen = _mm_or_si128(seen, units);
            int const bytes = _mm_cvtsi128_si32(_mm_packus_epi16(units, units));
            std::memcpy(out + at, &bytes, 4);
        };
        narrow_four(0);
        narrow_four(count - 4);
    }
    // Any unit from 0x80 up leaves a bit in the high byte or in bit 7 of some lane.
    __m128i const high = _mm_and_si128(seen, _mm_set1_epi16(static_cast<short>(0xFF80)));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF ? 0u : 0x80u;
}
#endif

// Copies the units of `text` as bytes into `out` up to its terminating zero, or until
// `room` bytes are written, and gives the count copied: less than `room` only when the
// zero was reached. The zero is found first (units_before_zero); the units before it are
// then known to be there and are narrowed several at a time where the processor can. Whether
// all were ASCII is asked of `bits`, every bit set in a unit copied (or, narrowed several at
// a time, 0x80 when any unit was not ASCII).
inline std::size_t copy_until_zero(WideChar const* text, unsigned char* out, std::size_t room, std::uint32_t& bits)
{
    std::size_t const count = units_before_zero(text, room);
#if defined(__SSE2__)
    if (count >= 4) {
        bits = narrow_known_units(text, count, out);
        return count;
    }
#endif
    std::uint32_t seen = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t const unit = text[i];
        seen |= unit;
        out[i] = static_cast<unsigned char>(unit);
    }
    bits = seen;
    return count;
}

} // namespace qmt
