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

// Where the reader stands in the text, which ends at its first zero unit.
class Cursor {
public:
    explicit Cursor(const OLECHAR* text)
        : m_next(text)
    {
    }
    // The unit at the cursor, or `ahead` units further (never past the terminator).
    OLECHAR peek(int ahead = 0) const { return m_next[ahead]; }
    void advance(int count = 1) { m_next += count; }
    void skip_blanks()
    {
        while (is_blank(*m_next))
            ++m_next;
    }
    bool at_end() const { return *m_next == 0; }

private:
    const OLECHAR* m_next;
};

// What the symbols before the digits said: the later phases depend on it.
struct LeadingSymbols {
    bool plus = false;
    bool minus = false;
    bool parenthesis = false;
    bool currency = false;
    bool point = false; // the decimal point came before every digit and ended the symbols
};

enum class Digits {
    none,
    some,
    malformed, // "e" without exponent digits
};

// Takes `symbol` when it is the unit at hand and has not been taken before.
bool take_once(OLECHAR c, OLECHAR symbol, bool& taken)
{
    if (c != symbol || taken)
        return false;
    taken = true;
    return true;
}

// Blanks, signs, "(" and "$" in any order, each symbol at most once; a decimal point ends
// them. False for a separator before the first digit.
bool read_leading_symbols(Cursor& cursor, LeadingSymbols& leading)
{
    for (;;) {
        OLECHAR const c = cursor.peek();
        if (c == decimal_point) {
            leading.point = true;
            cursor.advance();
            return true;
        }
        if (c == thousands_separator)
            return false;
        if (is_blank(c)) {
            cursor.skip_blanks();
            continue;
        }
        if (!take_once(c, plus_sign, leading.plus) && !take_once(c, minus_sign, leading.minus)
            && !take_once(c, currency_sign, leading.currency) && !take_once(c, u'(', leading.parenthesis))
            return true;
        cursor.advance();
    }
}

// "&H" (hexadecimal) or "&O" (octal) makes the text a bit pattern, but not after "$" or a
// leading decimal point. A lone "&" is left for the later phases to refuse.
void read_radix_prefix(Cursor& cursor, LeadingSymbols const& leading, NumberText& number)
{
    if (leading.currency || leading.point || cursor.peek() != u'&')
        return;
    OLECHAR const letter = cursor.peek(1);
    if (letter == u'H' || letter == u'h')
        number.radix_shift = 4;
    else if (letter == u'O' || letter == u'o')
        number.radix_shift = 3;
    else
        return;
    cursor.advance(2);
}

// The digits of a bit pattern: nothing else belongs to it, not even a separator.
Digits read_radix_digits(Cursor& cursor, NumberText& number)
{
    Digits read = Digits::none;
    for (;; cursor.advance()) {
        OLECHAR const c = cursor.peek();
        int digit = is_digit(c) ? c - u'0' : -1;
        if (number.radix_shift == 3 && digit > 7)
            digit = -1;
        if (number.radix_shift == 4 && digit < 0)
            digit = hex_letter_value(c);
        if (digit < 0)
            return read;
        append_radix_digit(number, digit);
        read = Digits::some;
    }
}

// After the "e": any signs and separators, then the exponent's digits. False when no digit
// follows.
bool read_exponent(Cursor& cursor, NumberText& number)
{
    bool negative = false;
    for (;; cursor.advance()) {
        OLECHAR const c = cursor.peek();
        if (c == minus_sign)
            negative = true;
        else if (c != plus_sign && c != thousands_separator)
            break;
    }
    if (!is_digit(cursor.peek()))
        return false;
    std::int64_t value = 0;
    for (; is_digit(cursor.peek()); cursor.advance())
        value = std::min(value * 10 + (cursor.peek() - u'0'), exponent_limit);
    number.power += negative ? -value : value;
    return true;
}

// Decimal digits with separators anywhere among them, one decimal point and one exponent
// (none after "$"). A separator may follow the exponent, and digits after it are taken as
// digits of the number.
Digits read_decimal_digits(Cursor& cursor, LeadingSymbols const& leading, NumberText& number)
{
    Digits read = Digits::none;
    bool after_point = leading.point;
    bool exponent = false;
    for (;;) {
        OLECHAR const c = cursor.peek();
        if (is_digit(c)) {
            append_decimal_digit(number, c - u'0', after_point);
            read = Digits::some;
        } else if (c == decimal_point && !after_point && !exponent) {
            after_point = true;
        } else if ((c == u'e' || c == u'E') && !leading.currency && !exponent) {
            exponent = true;
            cursor.advance();
            if (!read_exponent(cursor, number))
                return Digits::malformed;
            continue;
        } else if (c != thousands_separator) {
            return read;
        }
        cursor.advance();
    }
}

// Blanks and symbols after the digits, each as often as it comes: a sign that did not lead,
// ")" after "(", and (not in bit patterns) separators and "$".
void read_trailing_symbols(Cursor& cursor, LeadingSymbols const& leading, NumberText& number)
{
    bool const radix = number.radix_shift != 0;
    for (;;) {
        OLECHAR const c = cursor.peek();
        if (is_blank(c)) {
            cursor.skip_blanks();
            continue;
        }
        bool const negates = (c == minus_sign && !leading.minus) || (c == u')' && leading.parenthesis);
        bool const passes
            = (c == plus_sign && !leading.plus) || ((c == thousands_separator || c == currency_sign) && !radix);
        if (!negates && !passes)
            return;
        if (negates)
            number.negative = true;
        cursor.advance();
    }
}

} // namespace

bool parse_number_text(const OLECHAR* text, NumberText& number)
{
    number = NumberText {};
    if (text == nullptr)
        return false;
    Cursor cursor(text);
    LeadingSymbols leading;
    if (!read_leading_symbols(cursor, leading))
        return false;
    number.negative = leading.minus;
    read_radix_prefix(cursor, leading, number);
    Digits const digits
        = number.radix_shift != 0 ? read_radix_digits(cursor, number) : read_decimal_digits(cursor, leading, number);
    if (digits == Digits::malformed)
        return false;
    read_trailing_symbols(cursor, leading, number);
    if (leading.parenthesis && !number.negative)
        return false; // "(" never closed
    // Anything left is not part of a number.
    return cursor.at_end() && digits == Digits::some;
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
