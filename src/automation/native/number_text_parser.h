// Reading a number out of runtime text the way the automation runtime does for the
// system locale (US English): blanks and signs around the digits, "(...)" for negative,
// "," between digits, "." before decimals, an exponent, "$", and "&H"/"&O" bit patterns.
#pragma once

#include "quillmate/com_abi.h"

#include <array>
#include <cstdint>

namespace qmt::runtime {

// A parsed number, not yet fitted to any destination type.
struct NumberText {
    // Kept significant digits; a long text keeps only the leading ones, which is enough to
    // decide every integer result and its rounding exactly.
    static constexpr int max_digits = 64;

    bool negative = false;

    // "&H" (4) or "&O" (3) texts: the value is a bit pattern and the sign is not applied.
    int radix_shift = 0;
    std::uint64_t radix_value = 0;
    bool radix_overflow = false;

    // Decimal texts: value = digits x 10^power + rest, 0 <= rest < 10^power, and rest > 0
    // exactly when rest_nonzero. No digits means zero; the first kept digit is never 0.
    std::array<std::uint8_t, max_digits> digits {};
    int digit_count = 0;
    std::int64_t power = 0;
    bool rest_nonzero = false;
};

// False when the text is not a number (DISP_E_TYPEMISMATCH to the caller). A null text is
// not a number; the text ends at its first zero unit.
bool parse_number_text(const OLECHAR* text, NumberText& number);

// The number rounded half to even into a 32-bit integer. A bit pattern of up to 32 bits is
// taken as it is (so "&HFFFFFFFF" is -1). DISP_E_OVERFLOW when it does not fit.
HRESULT long_from_number_text(NumberText const& number, LONG& out);

} // namespace qmt::runtime
