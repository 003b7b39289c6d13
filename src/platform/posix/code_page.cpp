// The native build's ANSI code page is UTF-8. Malformed input is not an error: as on
// Windows, a lone surrogate becomes U+FFFD when encoded and an invalid byte becomes
// U+FFFD when decoded, so every input converts to something of predictable size.
#include "platform/code_page.h"

#include <cstddef>

namespace qmt::platform {
namespace {

constexpr char32_t replacement_character = 0xFFFD;

template<typename Unit>
int length_with_terminator(Unit const* text)
{
    int length = 0;
    while (text[length] != 0)
        ++length;
    return length + 1;
}

// Reads one code point from UTF-16 at `index`, advancing it.
char32_t next_code_point(WideChar const* wide, int length, int& index)
{
    char32_t const unit = static_cast<char16_t>(wide[index++]);
    if (unit >= 0xD800 && unit <= 0xDBFF && index < length) {
        char32_t const low = static_cast<char16_t>(wide[index]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++index;
            return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return replacement_character;
    return unit;
}

int encode_utf8(char32_t code_point, unsigned char* out)
{
    if (code_point < 0x80) {
        out[0] = static_cast<unsigned char>(code_point);
        return 1;
    }
    if (code_point < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (code_point >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
        return 2;
    }
    if (code_point < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | (code_point >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((code_point >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | (code_point >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((code_point >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((code_point >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (code_point & 0x3F));
    return 4;
}

// Reads one code point from UTF-8 at `index`, advancing it; an invalid byte yields U+FFFD.
char32_t decode_utf8(unsigned char const* bytes, int length, int& index)
{
    unsigned char const lead = bytes[index++];
    if (lead < 0x80)
        return lead;
    int continuation;
    char32_t code_point;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuation = 1, code_point = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuation = 2, code_point = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuation = 3, code_point = lead & 0x07, minimum = 0x10000;
    } else {
        return replacement_character;
    }
    if (index + continuation > length)
        return replacement_character;
    for (int i = 0; i < continuation; ++i) {
        unsigned char const next = bytes[index + i];
        if ((next & 0xC0) != 0x80)
            return replacement_character;
        code_point = (code_point << 6) | (next & 0x3F);
    }
    if (code_point < minimum || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF))
        return replacement_character;
    index += continuation;
    return code_point;
}

} // namespace

int narrow_from_wide(WideChar const* wide, int wide_length, char* narrow, int narrow_capacity)
{
    if (wide_length < 0)
        wide_length = length_with_terminator(wide);
    auto* out = reinterpret_cast<unsigned char*>(narrow);
    std::size_t needed = 0;
    for (int index = 0; index < wide_length;) {
        if (wide[index] < 0x80) { // the common case, one byte per unit
            if (narrow_capacity > 0) {
                if (needed >= static_cast<std::size_t>(narrow_capacity))
                    return 0;
                out[needed] = static_cast<unsigned char>(wide[index]);
            }
            ++needed;
            ++index;
            continue;
        }
        unsigned char encoded[4];
        int const count = encode_utf8(next_code_point(wide, wide_length, index), encoded);
        if (narrow_capacity > 0) {
            if (needed + static_cast<std::size_t>(count) > static_cast<std::size_t>(narrow_capacity))
                return 0;
            for (int i = 0; i < count; ++i)
                out[needed + static_cast<std::size_t>(i)] = encoded[i];
        }
        needed += static_cast<std::size_t>(count);
        if (needed > 0x7FFFFFFF)
            return 0;
    }
    return static_cast<int>(needed);
}

int wide_from_narrow(char const* narrow, int narrow_length, WideChar* wide, int wide_capacity)
{
    if (narrow_length < 0)
        narrow_length = length_with_terminator(narrow);
    auto const* bytes = reinterpret_cast<unsigned char const*>(narrow);
    int needed = 0;
    for (int index = 0; index < narrow_length;) {
        if (bytes[index] < 0x80) { // the common case, one unit per byte
            if (wide_capacity > 0) {
                if (needed >= wide_capacity)
                    return 0;
                wide[needed] = static_cast<WideChar>(bytes[index]);
            }
            ++needed;
            ++index;
            continue;
        }
        char32_t const code_point = decode_utf8(bytes, narrow_length, index);
        int const count = code_point >= 0x10000 ? 2 : 1;
        if (wide_capacity > 0) {
            if (needed + count > wide_capacity)
                return 0;
            if (count == 2) {
                wide[needed] = static_cast<WideChar>(0xD800 + ((code_point - 0x10000) >> 10));
                wide[needed + 1] = static_cast<WideChar>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
            } else {
                wide[needed] = static_cast<WideChar>(code_point);
            }
        }
        needed += count;
    }
    return needed;
}

} // namespace qmt::platform
