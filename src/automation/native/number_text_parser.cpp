// The grammar follows the runtime's own number reader step by step (leading symbols,
// digits, trailing symbols) because callers depend on its oddities: thousands separators
// are taken anywhere among the digits but never first, a sign may lead or trail but not
// both, and "(...)" makes the number negative.
#include "automation/native/number_text_parser.h"

#include "automation/native/long_coercion.h"

#include <algorithm>

namespace qmt::runtime {
namespace {

constexpr OLECHAR minus_sign = u'-';
constexpr OLECHAR plus_sign = u'+';
constexpr OLECHAR decimal_point = u'.';
constexpr OLECHAR thousands_separator = u',';
constexpr OLECHAR currency_sign = u'$';

// An exponent beyond this is already far outside every destination type; the text's own
// length bounds everything else that moves the decimal point, so 64 bits never overflow.
constexpr std::int64_t exponent_limit = 1'000'000;

bool is_digit(OLECHAR c) { return c >= u'0' && c <= u'9'; }

bool is_blank(OLECHAR c)
{
    // The characters the runtime's character classification calls white space.
    switch (c) {
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x20:
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

int hex_letter_value(OLECHAR c)
{
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Adds one decimal digit read from the text.
void append_decimal_digit(NumberText& number, int digit, bool after_point)
{
    if (number.digit_count == 0 && digit == 0) {
        // Zeros before the first significant digit only move the decimal point.
        if (after_point)
            --number.power;
        return;
    }
    if (number.digit_count < NumberText::max_digits) {
        number.digits[static_cast<std::size_t>(number.digit_count++)] = static_cast<std::uint8_t>(digit);
        if (after_point)
            --number.power;
        return;
    }
    // No room: the digit lands below the kept ones.
    if (digit != 0)
        number.rest_nonzero = true;
    if (!after_point)
        ++number.power;
}

void append_radix_digit(NumberText& number, int digit)
{
    // Once the value no longer fits 64 bits it is only ever reported as too large.
    if (number.radix_value > (~std::uint64_t {0} >> number.radix_shift))
        number.radix_overflow = true;
    if (!number.radix_overflow)
        number.radix_value = (number.radix_value << number.radix_shift) + static_cast<std::uint64_t>(digit);
}

} // namespace

bool parse_number_text(const OLECHAR* text, NumberText& number)
{
    number = NumberText {};
    if (text == nullptr)
        return false;

    const OLECHAR* p = text;
    bool leading_plus = false;
    bool leading_minus = false;
    bool parentheses = false;
    bool currency = false;
    bool after_point = false;
    bool saw_digit = false;

    // Leading symbols and blanks, in any order, each sign and bracket at most once.
    for (;;) {
        OLECHAR const c = *p;
        if (c == decimal_point) {
            after_point = true;
            ++p;
            break;
        }
        if (is_blank(c)) {
            while (is_blank(*p))
                ++p;
        } else if (c == thousands_separator) {
            return false; // a separator may not come before the first digit
        } else if (c == plus_sign && !leading_plus) {
            leading_plus = true;
            ++p;
        } else if (c == minus_sign && !leading_minus) {
            leading_minus = true;
            number.negative = true;
            ++p;
        } else if (c == currency_sign && !currency) {
            currency = true;
            ++p;
        } else if (c == u'(' && !parentheses) {
            parentheses = true;
            ++p;
        } else {
            break;
        }
    }

    if (!currency && !after_point && p[0] == u'&') {
        if (p[1] == u'H' || p[1] == u'h')
            number.radix_shift = 4;
        else if (p[1] == u'O' || p[1] == u'o')
            number.radix_shift = 3;
        if (number.radix_shift != 0)
            p += 2;
    }
    bool const radix = number.radix_shift != 0;

    // Digits, separators, the decimal point and the exponent.
    bool exponent = false;
    bool reading_exponent = false;
    bool negative_exponent = false;
    while (*p != 0) {
        OLECHAR const c = *p;
        if (is_digit(c)) {
            if (reading_exponent) {
                std::int64_t value = 0;
                while (is_digit(*p)) {
                    value = std::min(value * 10 + (*p - u'0'), exponent_limit);
                    ++p;
                }
                number.power += negative_exponent ? -value : value;
                reading_exponent = false;
                continue;
            }
            int const digit = c - u'0';
            if (radix) {
                if (number.radix_shift == 3 && digit > 7)
                    break;
                append_radix_digit(number, digit);
            } else {
                append_decimal_digit(number, digit, after_point);
            }
            saw_digit = true;
        } else if (c == thousands_separator && !radix) {
            // taken anywhere among the digits
        } else if (c == decimal_point && !radix && !after_point && !exponent) {
            after_point = true;
        } else if (number.radix_shift == 4 && hex_letter_value(c) >= 0) {
            append_radix_digit(number, hex_letter_value(c));
            saw_digit = true;
        } else if ((c == u'e' || c == u'E') && !radix && !currency && !exponent) {
            exponent = true;
            reading_exponent = true;
        } else if (reading_exponent && c == plus_sign) {
            // an explicit positive exponent
        } else if (reading_exponent && c == minus_sign) {
            negative_exponent = true;
        } else {
            break;
        }
        ++p;
    }
    if (reading_exponent)
        return false; // "e" without exponent digits

    // Trailing symbols and blanks.
    for (;;) {
        OLECHAR const c = *p;
        if (c == thousands_separator) {
            if (radix)
                break;
            ++p;
        } else if (is_blank(c)) {
            while (is_blank(*p))
                ++p;
        } else if (c == plus_sign && !leading_plus) {
            ++p;
        } else if (c == minus_sign && !leading_minus) {
            number.negative = true;
            ++p;
        } else if (c == u')' && parentheses) {
            number.negative = true;
            ++p;
        } else if (c == currency_sign && !radix) {
            ++p;
        } else {
            break;
        }
    }

    if (parentheses && !number.negative)
        return false; // "(" never closed
    if (*p != 0)
        return false; // something that is not part of a number
    return saw_digit;
}

HRESULT long_from_number_text(NumberText const& number, LONG& out)
{
    if (number.radix_shift != 0) {
        if (number.radix_overflow || (number.radix_value >> 32) != 0)
            return DISP_E_OVERFLOW;
        out = static_cast<LONG>(static_cast<ULONG>(number.radix_value));
        return S_OK;
    }
    if (number.digit_count == 0) {
        out = 0;
        return S_OK;
    }

    // Whole part: the first n + power digits, then power zeros when power is positive.
    std::int64_t const count = number.digit_count;
    std::int64_t const whole_digits = count + number.power;
    if (whole_digits > 10)
        return DISP_E_OVERFLOW; // at least 10^10
    std::uint64_t magnitude = 0;
    for (std::int64_t i = 0; i < whole_digits; ++i)
        magnitude = magnitude * 10 + (i < count ? number.digits[static_cast<std::size_t>(i)] : 0);

    // Round half to even on the first dropped digit and whatever follows it.
    if (number.power < 0) {
        int first = 0;
        bool rest = number.rest_nonzero;
        if (whole_digits >= 0) {
            first = number.digits[static_cast<std::size_t>(whole_digits)];
            for (std::int64_t i = whole_digits + 1; i < count && !rest; ++i)
                rest = number.digits[static_cast<std::size_t>(i)] != 0;
        } else {
            rest = true; // leading zeros come first, then a nonzero digit
        }
        magnitude = round_half_even(magnitude, static_cast<unsigned>(first), rest);
    }
    return long_from_magnitude(number.negative, magnitude, out);
}

} // namespace qmt::runtime
