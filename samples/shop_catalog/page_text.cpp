#include "page_text.h"

#include <cstdlib>

namespace shop {

PageText::~PageText() { std::free(m_units); }

void PageText::append(OLECHAR unit)
{
    if (m_failed)
        return;
    // One unit more than the length, always: the terminating zero of text().
    if (m_length + 1 >= m_capacity) {
        std::size_t const capacity = m_capacity == 0 ? 256 : m_capacity * 2;
        void* grown = std::realloc(m_units, capacity * sizeof(OLECHAR));
        if (grown == nullptr) {
            m_failed = true;
            return;
        }
        m_units = static_cast<OLECHAR*>(grown);
        m_capacity = capacity;
    }
    m_units[m_length++] = unit;
}

PageText& PageText::literal(std::string_view ascii)
{
    for (char const c : ascii)
        append(static_cast<OLECHAR>(static_cast<unsigned char>(c)));
    return *this;
}

void PageText::append_escaped(char32_t code_point)
{
    switch (code_point) {
    case U'&':
        literal("&amp;");
        return;
    case U'<':
        literal("&lt;");
        return;
    case U'>':
        literal("&gt;");
        return;
    case U'"':
        literal("&quot;");
        return;
    case U'\'':
        literal("&#39;");
        return;
    default:
        break;
    }
    if (code_point < 0x80) {
        append(static_cast<OLECHAR>(code_point));
        return;
    }
    literal("&#").number(static_cast<long long>(code_point)).literal(";");
}

PageText& PageText::escaped(OLECHAR const* text)
{
    if (text == nullptr)
        return *this;
    for (; *text != 0; ++text) {
        char32_t unit = static_cast<char16_t>(*text);
        // A surrogate pair is one character; a lone surrogate is no character at all.
        if (unit >= 0xD800 && unit <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char16_t>(text[1]) - 0xDC00);
            ++text;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            unit = 0xFFFD;
        }
        append_escaped(unit);
    }
    return *this;
}

void PageText::append_code_point(char32_t code_point)
{
    if (code_point < 0x10000) {
        append(static_cast<OLECHAR>(code_point));
        return;
    }
    append(static_cast<OLECHAR>(0xD800 + ((code_point - 0x10000) >> 10)));
    append(static_cast<OLECHAR>(0xDC00 + ((code_point - 0x10000) & 0x3FF)));
}

PageText& PageText::escaped_utf8(std::string_view utf8)
{
    decode_utf8(utf8, true);
    return *this;
}

PageText& PageText::utf8(std::string_view utf8)
{
    decode_utf8(utf8, false);
    return *this;
}

PageText& PageText::units(OLECHAR const* units, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        append(units[i]);
    return *this;
}

void PageText::decode_utf8(std::string_view utf8, bool escape)
{
    std::size_t at = 0;
    while (at < utf8.size()) {
        auto const lead = static_cast<unsigned char>(utf8[at]);
        std::size_t const length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        char32_t code_point = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = length != 0 && at + length <= utf8.size();
        for (std::size_t i = 1; valid && i < length; ++i) {
            auto const next = static_cast<unsigned char>(utf8[at + i]);
            valid = (next & 0xC0) == 0x80;
            code_point = (code_point << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are refused as well.
        static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code_point >= smallest[length] && code_point <= 0x10FFFF
            && !(code_point >= 0xD800 && code_point <= 0xDFFF);
        char32_t const decoded = valid ? code_point : 0xFFFD;
        if (escape)
            append_escaped(decoded);
        else
            append_code_point(decoded);
        at += valid ? length : 1;
    }
}

PageText& PageText::number(long long value)
{
    char digits[24];
    std::size_t count = 0;
    unsigned long long magnitude
        = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        append(u'-');
    while (count > 0)
        append(static_cast<OLECHAR>(digits[--count]));
    return *this;
}

OLECHAR const* PageText::text()
{
    append(0);
    if (m_failed)
        return nullptr;
    --m_length;
    return m_units;
}

} // namespace shop
