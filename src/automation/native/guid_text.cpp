#include "automation/native/guid_text.h"

#include <type_traits>

namespace qmt::runtime {
namespace {

int hex_value(char32_t unit)
{
    if (unit >= '0' && unit <= '9')
        return static_cast<int>(unit - '0');
    if (unit >= 'A' && unit <= 'F')
        return static_cast<int>(unit - 'A' + 10);
    if (unit >= 'a' && unit <= 'f')
        return static_cast<int>(unit - 'a' + 10);
    return -1;
}

// Reads `digits` hex digits starting at `position`; false on anything else.
template<typename Unit>
bool read_hex(Unit const* units, std::size_t position, int digits, std::uint32_t& value)
{
    value = 0;
    for (int i = 0; i < digits; ++i) {
        int const digit
            = hex_value(static_cast<char32_t>(static_cast<std::make_unsigned_t<Unit>>(units[position + i])));
        if (digit < 0)
            return false;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

template<typename Unit>
bool parse(Unit const* units, std::size_t length, GUID& guid)
{
    if (units == nullptr || length != guid_text_length)
        return false;
    if (units[0] != '{' || units[9] != '-' || units[14] != '-' || units[19] != '-' || units[24] != '-'
        || units[37] != '}')
        return false;
    GUID parsed {};
    std::uint32_t value = 0;
    if (!read_hex(units, 1, 8, value))
        return false;
    parsed.Data1 = value;
    if (!read_hex(units, 10, 4, value))
        return false;
    parsed.Data2 = static_cast<std::uint16_t>(value);
    if (!read_hex(units, 15, 4, value))
        return false;
    parsed.Data3 = static_cast<std::uint16_t>(value);
    // Data4: two bytes before the last hyphen, six after it.
    constexpr std::size_t byte_positions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!read_hex(units, byte_positions[i], 2, value))
            return false;
        parsed.Data4[i] = static_cast<std::uint8_t>(value);
    }
    guid = parsed;
    return true;
}

} // namespace

bool parse_guid_text(char16_t const* units, std::size_t length, GUID& guid) { return parse(units, length, guid); }

bool parse_guid_text(char const* units, std::size_t length, GUID& guid) { return parse(units, length, guid); }

void format_guid_text(GUID const& guid, char (&text)[guid_text_length + 1])
{
    constexpr char digits[] = "0123456789ABCDEF";
    std::size_t position = 0;
    auto put_hex = [&](std::uint32_t value, int count) {
        for (int shift = (count - 1) * 4; shift >= 0; shift -= 4)
            text[position++] = digits[(value >> shift) & 0xF];
    };
    text[position++] = '{';
    put_hex(guid.Data1, 8);
    text[position++] = '-';
    put_hex(guid.Data2, 4);
    text[position++] = '-';
    put_hex(guid.Data3, 4);
    text[position++] = '-';
    put_hex(guid.Data4[0], 2);
    put_hex(guid.Data4[1], 2);
    text[position++] = '-';
    for (int i = 2; i < 8; ++i)
        put_hex(guid.Data4[i], 2);
    text[position++] = '}';
    text[position] = '\0';
}

} // namespace qmt::runtime
