// Fitting the runtime's numeric representations into a 32-bit integer, rounding half to
// even as the runtime does (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
#pragma once

#include "quillmate/com_abi.h"

#include <cstdint>

namespace qmt::runtime {

// Rounds a magnitude whose dropped part starts with first_dropped (a digit) followed by
// more digits that are nonzero when rest_nonzero.
std::uint64_t round_half_even(std::uint64_t whole, unsigned first_dropped, bool rest_nonzero);

// A sign and a magnitude as a 32-bit integer, or DISP_E_OVERFLOW.
HRESULT long_from_magnitude(bool negative, std::uint64_t magnitude, LONG& out);

// DISP_E_OVERFLOW outside [-2147483648.5, 2147483647.5) and for NaN.
HRESULT long_from_double(double value, LONG& out);

// A currency amount counted in ten-thousandths.
HRESULT long_from_currency(LONGLONG ten_thousandths, LONG& out);

// E_INVALIDARG for a scale above 28 or a sign byte other than 0 or DECIMAL_NEG.
HRESULT long_from_decimal(const DECIMAL& value, LONG& out);

} // namespace qmt::runtime
