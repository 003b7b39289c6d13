#include "probe_text.h"

#ifndef _WIN32
#    include <unistd.h>
#endif

namespace probe {

std::size_t length_of(OLECHAR const* text)
{
    std::size_t length = 0;
    if (text != nullptr)
        while (text[length] != 0)
            ++length;
    return length;
}

bool equal(OLECHAR const* a, OLECHAR const* b)
{
    std::size_t const length = length_of(a);
    if (length != length_of(b))
        return false;
    for (std::size_t i = 0; i < length; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

Text join(std::initializer_list<OLECHAR const*> pieces)
{
    std::size_t total = 0;
    for (OLECHAR const* piece : pieces)
        total += length_of(piece);
    Text joined(SysAllocStringLen(nullptr, static_cast<UINT>(total)));
    if (joined.get() == nullptr)
        return joined;
    OLECHAR* out = joined.get();
    for (OLECHAR const* piece : pieces) {
        std::size_t const length = length_of(piece);
        for (std::size_t i = 0; i < length; ++i)
            *out++ = piece[i];
    }
    *out = 0;
    return joined;
}

Text from_ascii(char const* text)
{
    std::size_t length = 0;
    while (text[length] != '\0')
        ++length;
    Text wide(SysAllocStringLen(nullptr, static_cast<UINT>(length)));
    if (wide.get() == nullptr)
        return wide;
    for (std::size_t i = 0; i <= length; ++i)
        wide.get()[i] = static_cast<OLECHAR>(static_cast<unsigned char>(text[i]));
    return wide;
}

std::int32_t parse_int32(OLECHAR const* text)
{
    if (text == nullptr)
        return 0;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    std::int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        if (value <= INT32_MAX + std::int64_t {1})
            value = value * 10 + (*text - '0');
    if (negative)
        value = -value;
    if (value < INT32_MIN)
        return INT32_MIN;
    if (value > INT32_MAX)
        return INT32_MAX;
    return static_cast<std::int32_t>(value);
}

void write_to_standard_error(char const* bytes, std::size_t length)
{
#ifdef _WIN32
    HANDLE const error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    WriteFile(error, bytes, static_cast<DWORD>(length), &written, nullptr);
#else
    while (length > 0) {
        ssize_t const written = ::write(STDERR_FILENO, bytes, length);
        if (written <= 0)
            return;
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
#endif
}

void write_to_standard_error(OLECHAR const* text)
{
    char chunk[64];
    std::size_t filled = 0;
    for (std::size_t i = 0, length = length_of(text); i < length; ++i) {
        chunk[filled++] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
        if (filled == sizeof chunk || i + 1 == length) {
            write_to_standard_error(chunk, filled);
            filled = 0;
        }
    }
}

} // namespace probe
