#include "common/text_conversion.h"

#include "platform/code_page.h"

#include <climits>

namespace qmt {

NarrowText narrow_from_wide(WideChar const* wide, std::size_t length)
{
    NarrowText result;
    if (length > INT_MAX)
        return result;
    int const wide_count = static_cast<int>(length);
    int const needed = wide_count == 0 ? 0 : platform::narrow_from_wide(wide, wide_count, nullptr, 0);
    if (wide_count > 0 && needed <= 0)
        return result;
    result.bytes = HeapPtr<char>::allocate(static_cast<std::size_t>(needed) + 1);
    if (!result.bytes)
        return result;
    int const written = needed == 0 ? 0 : platform::narrow_from_wide(wide, wide_count, result.bytes.get(), needed);
    result.bytes.get()[written] = '\0';
    result.length = static_cast<std::size_t>(written);
    return result;
}

std::size_t wide_from_narrow_into(char const* narrow, std::size_t length, WideChar* out, std::size_t capacity)
{
    if (capacity == 0)
        return 0;
    // Every ANSI code page maps bytes below 0x80 to the same code points: plain ASCII, the
    // bulk of form data, needs no call into the platform's conversion.
    // Only what follows the first other byte goes through the platform: no byte of the ASCII
    // prefix can be part of a multi-byte character, as lead bytes are never below 0x80.
    std::size_t ascii = 0;
    if (length < capacity) {
        while (ascii < length && static_cast<unsigned char>(narrow[ascii]) < 0x80) {
            out[ascii] = static_cast<WideChar>(narrow[ascii]);
            ++ascii;
        }
    }
    std::size_t const rest = length - ascii;
    std::size_t const room = capacity - 1 - ascii;
    int converted = 0;
    if (rest > 0 && rest <= INT_MAX && room > 0 && room <= INT_MAX)
        converted
            = platform::wide_from_narrow(narrow + ascii, static_cast<int>(rest), out + ascii, static_cast<int>(room));
    if (converted < 0)
        converted = 0;
    std::size_t const units = rest == 0 ? ascii : (converted == 0 ? 0 : ascii + static_cast<std::size_t>(converted));
    out[units] = 0;
    return units;
}

std::size_t wide_length_of_narrow(char const* narrow, std::size_t length)
{
    if (length == 0 || length > INT_MAX)
        return 0;
    int const needed = platform::wide_from_narrow(narrow, static_cast<int>(length), nullptr, 0);
    return needed < 0 ? 0 : static_cast<std::size_t>(needed);
}

} // namespace qmt
