#include "common/text_conversion.h"

#include "platform/code_page.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

namespace qmt {
namespace {

// Copies the leading units below 0x80 of `wide` into `out`, one byte each, up to the first
// other unit or `length`; returns the count copied. Eight units a step while all of them are
// ASCII (one test of their high bits), then one at a time.
std::size_t copy_ascii_prefix(WideChar const* wide, std::size_t length, char* out)
{
    constexpr std::uint64_t high_bits = 0xFF80FF80FF80FF80u; // of four units, in either byte order
    static_assert(sizeof(WideChar) == 2, "the mask tests four 16-bit units");
    std::size_t copied = 0;
    for (; copied + 8 <= length; copied += 8) {
        std::uint64_t first = 0;
        std::uint64_t second = 0;
        std::memcpy(&first, wide + copied, sizeof first);
        std::memcpy(&second, wide + copied + 4, sizeof second);
        if (((first | second) & high_bits) != 0)
            break;
        for (std::size_t i = copied; i < copied + 8; ++i)
            out[i] = static_cast<char>(wide[i]);
    }
    for (; copied < length && wide[copied] < 0x80; ++copied)
        out[copied] = static_cast<char>(wide[copied]);
    return copied;
}

// The same the other way: the leading bytes below 0x80 of `narrow` into `out`.
std::size_t widen_ascii_prefix(char const* narrow, std::size_t length, WideChar* out)
{
    constexpr std::uint64_t high_bits = 0x8080808080808080u;
    std::size_t copied = 0;
    for (; copied + 8 <= length; copied += 8) {
        std::uint64_t bytes = 0;
        std::memcpy(&bytes, narrow + copied, sizeof bytes);
        if ((bytes & high_bits) != 0)
            break;
        for (std::size_t i = copied; i < copied + 8; ++i)
            out[i] = static_cast<WideChar>(narrow[i]);
    }
    for (; copied < length && static_cast<unsigned char>(narrow[copied]) < 0x80; ++copied)
        out[copied] = static_cast<WideChar>(narrow[copied]);
    return copied;
}

} // namespace

NarrowText narrow_from_wide(WideChar const* wide, std::size_t length)
{
    NarrowText result;
    if (length > INT_MAX)
        return result;
    // Every ANSI code page maps units below 0x80 to the same single bytes: plain ASCII, the
    // bulk of a page, is copied in one pass into room for one byte a unit, without the
    // platform's measuring first.
    result.bytes = HeapPtr<char>::allocate(length + 1);
    if (!result.bytes)
        return result;
    std::size_t const ascii = copy_ascii_prefix(wide, length, result.bytes.get());
    result.length = ascii;
    if (ascii < length) {
        // The rest, from the first other unit on, through the platform: measured, then
        // converted behind the copied prefix in storage of the size it needs.
        int const rest = static_cast<int>(length - ascii);
        int const needed = platform::narrow_from_wide(wide + ascii, rest, nullptr, 0);
        if (needed <= 0)
            return {};
        auto whole = HeapPtr<char>::allocate(ascii + static_cast<std::size_t>(needed) + 1);
        if (!whole)
            return {};
        std::memcpy(whole.get(), result.bytes.get(), ascii);
        int const written = platform::narrow_from_wide(wide + ascii, rest, whole.get() + ascii, needed);
        result.bytes = std::move(whole);
        result.length = ascii + static_cast<std::size_t>(written > 0 ? written : 0);
    }
    result.bytes.get()[result.length] = '\0';
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
    std::size_t const ascii = length < capacity ? widen_ascii_prefix(narrow, length, out) : 0;
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
