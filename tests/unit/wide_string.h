// Wide texts in tests: written as UTF-16 literals, handed to the program in its own unit
// type (qmt::WideChar, wchar_t on Windows and char16_t elsewhere) and read back as UTF-16,
// unit for unit, so that expectations read the same on every build.
#pragma once

#include "platform/code_page.h"
#include "platform/wide_char.h"

#include <string>
#include <string_view>

using WideString = std::basic_string<qmt::WideChar>;

inline WideString wide(std::u16string_view text) { return WideString(text.begin(), text.end()); }

inline std::u16string utf16(std::basic_string_view<qmt::WideChar> text)
{
    return std::u16string(text.begin(), text.end());
}

// What the system's ANSI code page (UTF-8 on the native build) makes of these units...
inline std::string in_code_page(std::u16string_view text)
{
    WideString const units = wide(text);
    std::string bytes(units.size() * 4, '\0');
    int const length = qmt::platform::narrow_from_wide(units.data(), static_cast<int>(units.size()), bytes.data(),
                                                       static_cast<int>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
}

// ... and of these bytes.
inline std::u16string from_code_page(std::string_view bytes)
{
    WideString units(bytes.size(), 0);
    int const length = qmt::platform::wide_from_narrow(bytes.data(), static_cast<int>(bytes.size()), units.data(),
                                                       static_cast<int>(units.size()));
    units.resize(static_cast<std::size_t>(length));
    return utf16(units);
}
