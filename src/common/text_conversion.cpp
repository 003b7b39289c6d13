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
    if (length < capacity) {
        std::size_t index = 0;
        while (index < length && static_cast<unsigned char>(narrow[index]) < 0x80) {
            out[index] = static_cast<WideChar>(narrow[index]);
            ++index;
        }
        if (index == length) {
            out[length] = 0;
            return length;
        }
    }
    int converted = 0;
    if (length > 0 && length <= INT_MAX && capacity > 1 && capacity - 1 <= INT_MAX)
        converted = platform::wide_from_narrow(narrow, static_cast<int>(length), out, static_cast<int>(capacity - 1));
    if (converted < 0)
        converted = 0;
    out[converted] = 0;
    return static_cast<std::size_t>(converted);
}

std::size_t wide_length_of_narrow(char const* narrow, std::size_t length)
{
    if (length == 0 || length > INT_MAX)
        return 0;
    int const needed = platform::wide_from_narrow(narrow, static_cast<int>(length), nullptr, 0);
    return needed < 0 ? 0 : static_cast<std::size_t>(needed);
}

} // namespace qmt
