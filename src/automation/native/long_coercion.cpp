#include "automation/native/long_coercion.h"

#include <cmath>
#include <cstdint>

namespace qmt::runtime {

std::uint64_t round_half_even(std::uint64_t whole, unsigned first_dropped, bool rest_nonzero)
{
    if (first_dropped > 5 || (first_dropped == 5 && (rest_nonzero || (whole & 1) != 0)))
        return whole + 1;
    return whole;
}

HRESULT long_from_magnitude(bool negative, std::uint64_t magnitude, LONG& out)
{
    if (negative) {
        if (magnitude > 0x80000000u)
            return DISP_E_OVERFLOW;
        out = static_cast<LONG>(-static_cast<std::int64_t>(magnitude));
    } else {
        if (magnitude > 0x7FFFFFFFu)
            return DISP_E_OVERFLOW;
        out = static_cast<LONG>(magnitude);
    }
    return S_OK;
}

namespace {

constexpr BYTE max_decimal_scale = 28;

// Divides the 96-bit magnitude hi:mid:lo by ten in place and returns the remainder.
unsigned divide_by_ten(ULONG& hi, ULONG& mid, ULONG& lo)
{
    std::uint64_t part = hi;
    hi = static_cast<ULONG>(part / 10);
    part = ((part % 10) << 32) | mid;
    mid = static_cast<ULONG>(part / 10);
    part = ((part % 10) << 32) | lo;
    lo = static_cast<ULONG>(part / 10);
    return static_cast<unsigned>(part % 10);
}

} // namespace

HRESULT long_from_double(double value, LONG& out)
{
    // Both bounds round to the nearest even integer: -2147483648.5 still fits, 2147483647.5 not.
    if (!(value >= -2147483648.5 && value < 2147483647.5))
        return DISP_E_OVERFLOW;
    double whole = std::floor(value);
    double const fraction = value - whole; // exact: both lie within 2^32 of each other
    // Parity from the integer: a library call here would load the maths library per request.
    if (fraction > 0.5 || (fraction == 0.5 && (static_cast<std::int64_t>(whole) & 1) != 0))
        whole += 1.0;
    out = static_cast<LONG>(whole);
    return S_OK;
}

HRESULT long_from_currency(LONGLONG ten_thousandths, LONG& out)
{
    bool const negative = ten_thousandths < 0;
    std::uint64_t const magnitude
        = negative ? 0 - static_cast<std::uint64_t>(ten_thousandths) : static_cast<std::uint64_t>(ten_thousandths);
    std::uint64_t const fraction = magnitude % 10000;
    // The first dropped digit decides unless it is a 5; then the other three do.
    unsigned const first = static_cast<unsigned>(fraction / 1000);
    return long_from_magnitude(negative, round_half_even(magnitude / 10000, first, fraction % 1000 != 0), out);
}

HRESULT long_from_decimal(const DECIMAL& value, LONG& out)
{
    if (value.scale > max_decimal_scale || (value.sign & ~DECIMAL_NEG) != 0)
        return E_INVALIDARG;
    ULONG hi = value.Hi32;
    ULONG mid = value.Mid32;
    ULONG lo = value.Lo32;
    unsigned first = 0;
    bool rest = false;
    for (BYTE digit = 0; digit < value.scale; ++digit) {
        rest = rest || first != 0;
        first = divide_by_ten(hi, mid, lo);
    }
    if (hi != 0)
        return DISP_E_OVERFLOW;
    std::uint64_t const whole = (static_cast<std::uint64_t>(mid) << 32) | lo;
    if (whole > 0x80000000u)
        return DISP_E_OVERFLOW; // also keeps the rounding increment below from wrapping
    return long_from_magnitude(value.sign == DECIMAL_NEG, round_half_even(whole, first, rest), out);
}

} // namespace qmt::runtime
