// What a method needs every day: runtime strings owned and freed, text sent from UTF-8,
// text put together and escaped for HTML, a field looked up without an error page when it is
// missing, and a collection walked. Header only; needs nothing of the C++ runtime.
//
//   quillmate::Text const name = quillmate::field(environment, "name");   // null when missing
//   quillmate::send(environment, "Content-type: text/html; charset=utf-8\n\n<p>Hello, ");
//   quillmate::send_html(environment, name ? name.get() : QMT_TEXT("world"));
//
//   quillmate::TextBuilder heading;                    // a template field's value
//   heading.utf8("Articles in ").html(name.get()).number(count);
//   environment.SendTemplate(placeholder.get(), heading.take().get());
//
// The gateway converts what SendString is given to its ANSI code page: UTF-8 on the native
// build, so text sent from UTF-8 arrives as those bytes; on Windows the system's code page.
#pragma once

#include "quillmate/interfaces.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

// A literal of the runtime's text unit (OLECHAR: char16_t natively, wchar_t on Windows).
#ifdef _WIN32
#    define QMT_TEXT(literal) L"" literal
#else
#    define QMT_TEXT(literal) u"" literal
#endif

namespace quillmate {

namespace detail {

// Reads one code point of UTF-8 at `at`, advancing it; a malformed sequence gives U+FFFD
// and skips one byte.
inline char32_t next_code_point(std::string_view text, std::size_t& at)
{
    auto const byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char const lead = byte(at);
    int const trailing = lead < 0x80 ? 0 : lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (trailing <= 0 || lead >= 0xF5 || trailing > static_cast<int>(text.size() - at - 1)) {
        ++at;
        return trailing == 0 ? lead : U'\uFFFD';
    }
    char32_t point = lead & (0x3F >> trailing);
    for (int i = 1; i <= trailing; ++i) {
        if ((byte(at + static_cast<std::size_t>(i)) & 0xC0) != 0x80) {
            ++at;
            return U'\uFFFD';
        }
        point = point << 6 | (byte(at + static_cast<std::size_t>(i)) & 0x3F);
    }
    constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (point < smallest[trailing] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) {
        ++at;
        return U'\uFFFD';
    }
    at += static_cast<std::size_t>(trailing) + 1;
    return point;
}

// Writes the UTF-16 units of `point` to `out` (when not null); returns how many there are.
inline std::size_t put_units(char32_t point, OLECHAR* out)
{
    if (point < 0x10000) {
        if (out != nullptr)
            out[0] = static_cast<OLECHAR>(point);
        return 1;
    }
    if (out != nullptr) {
        out[0] = static_cast<OLECHAR>(0xD800 + ((point - 0x10000) >> 10));
        out[1] = static_cast<OLECHAR>(0xDC00 + ((point - 0x10000) & 0x3FF));
    }
    return 2;
}

inline std::size_t length_of(OLECHAR const* text)
{
    std::size_t length = 0;
    while (text != nullptr && text[length] != 0)
        ++length;
    return length;
}

// Exact, case-sensitive comparison of a text (null counts as empty) with UTF-8 text, unit by
// unit as the collections compare names.
inline bool same_text(OLECHAR const* text, std::string_view utf8)
{
    std::size_t unit = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        OLECHAR pair[2];
        std::size_t const count = put_units(next_code_point(utf8, at), pair);
        for (std::size_t i = 0; i < count; ++i, ++unit)
            if (text == nullptr || text[unit] == 0 || text[unit] != pair[i])
                return false;
    }
    return text == nullptr || text[unit] == 0;
}

} // namespace detail

// One runtime string (BSTR), freed when dropped. It may be null: a missing text.
class Text {
public:
    Text() = default;
    explicit Text(BSTR adopted)
        : m_text(adopted)
    {
    }
    Text(Text&& other) noexcept
        : m_text(std::exchange(other.m_text, nullptr))
    {
    }
    Text& operator=(Text&& other) noexcept
    {
        if (this != &other)
            SysFreeString(std::exchange(m_text, std::exchange(other.m_text, nullptr)));
        return *this;
    }
    Text(Text const&) = delete;
    Text& operator=(Text const&) = delete;
    ~Text() { SysFreeString(m_text); }

    // A copy of `text` up to its first zero unit; null stays null.
    static Text copy(OLECHAR const* text) { return Text(text == nullptr ? nullptr : SysAllocString(text)); }
    // The text of UTF-8 bytes (malformed sequences become U+FFFD); null when memory is short.
    static Text from_utf8(std::string_view utf8)
    {
        std::size_t units = 0;
        for (std::size_t at = 0; at < utf8.size();)
            units += detail::put_units(detail::next_code_point(utf8, at), nullptr);
        BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(units));
        if (text != nullptr)
            for (std::size_t at = 0, unit = 0; at < utf8.size();)
                unit += detail::put_units(detail::next_code_point(utf8, at), text + unit);
        return Text(text);
    }

    explicit operator bool() const { return m_text != nullptr; }
    BSTR get() const { return m_text; }
    // Units before the first zero unit (0 for a missing text).
    std::size_t length() const { return detail::length_of(m_text); }
    // Exact, case-sensitive comparison with UTF-8 text, as the collections compare names.
    bool equals(std::string_view utf8) const { return detail::same_text(m_text, utf8); }

    // For out-parameters: frees the text held so far.
    BSTR* out()
    {
        SysFreeString(std::exchange(m_text, nullptr));
        return &m_text;
    }
    // Hands the string over to the caller, who frees it.
    BSTR detach() { return std::exchange(m_text, nullptr); }

private:
    BSTR m_text {nullptr};
};

// Which characters TextBuilder::html writes as character references: the five that mean
// something in markup (& < > " '), or those and every character beyond ASCII (as &#233;), so
// that a page means the same whatever code page the gateway writes it in (on Windows the
// system's ANSI code page, natively UTF-8).
enum class Escape { markup, markup_and_non_ascii };

// A text put together piece by piece: a template field's value, an error's description. A
// failed allocation is remembered and the pieces after it are dropped; take() then gives a null
// Text, so the caller checks once.
class TextBuilder {
public:
    // UTF-8 (or ASCII) as it is; malformed sequences become U+FFFD.
    TextBuilder& utf8(std::string_view utf8)
    {
        for (std::size_t at = 0; at < utf8.size();)
            code_point(detail::next_code_point(utf8, at));
        return *this;
    }
    // Runtime text as it is, up to its first zero unit (a null text adds nothing).
    TextBuilder& text(OLECHAR const* text)
    {
        for (std::size_t i = 0, length = detail::length_of(text); i < length; ++i)
            unit(text[i]);
        return *this;
    }
    TextBuilder& number(long long value)
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
            unit('-');
        while (count > 0)
            unit(static_cast<OLECHAR>(digits[--count]));
        return *this;
    }
    // Runtime text escaped for HTML. A surrogate pair is one character; a lone surrogate is
    // kept as it is with Escape::markup and becomes U+FFFD with Escape::markup_and_non_ascii.
    TextBuilder& html(OLECHAR const* text, Escape escape = Escape::markup)
    {
        for (std::size_t i = 0, length = detail::length_of(text); i < length; ++i) {
            char32_t point = static_cast<char16_t>(text[i]);
            auto const next = static_cast<char16_t>(text[i + 1]);
            if (point >= 0xD800 && point <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
                point = 0x10000 + ((point - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            } else if (point >= 0xD800 && point <= 0xDFFF && escape == Escape::markup_and_non_ascii) {
                point = 0xFFFD;
            }
            html_code_point(point, escape);
        }
        return *this;
    }
    // UTF-8 escaped for HTML; malformed sequences become U+FFFD.
    TextBuilder& html(std::string_view utf8, Escape escape = Escape::markup)
    {
        for (std::size_t at = 0; at < utf8.size();)
            html_code_point(detail::next_code_point(utf8, at), escape);
        return *this;
    }

    // The text so far, and the builder empty again; null when memory ran short on the way.
    Text take()
    {
        Text made(m_failed ? nullptr : SysAllocStringLen(m_buffer.get(), static_cast<UINT>(m_length)));
        m_length = 0;
        m_failed = false;
        return made;
    }

private:
    void unit(OLECHAR value)
    {
        if (m_failed)
            return;
        if (m_length == m_capacity) {
            std::size_t const capacity = m_capacity == 0 ? 64 : m_capacity * 2;
            Text grown(SysAllocStringLen(nullptr, static_cast<UINT>(capacity)));
            if (!grown) {
                m_failed = true;
                return;
            }
            for (std::size_t i = 0; i < m_length; ++i)
                grown.get()[i] = m_buffer.get()[i];
            m_buffer = std::move(grown);
            m_capacity = capacity;
        }
        m_buffer.get()[m_length++] = value;
    }
    void code_point(char32_t point)
    {
        OLECHAR units[2];
        for (std::size_t i = 0, count = detail::put_units(point, units); i < count; ++i)
            unit(units[i]);
    }
    void html_code_point(char32_t point, Escape escape)
    {
        char const* reference = point == '&' ? "&amp;"
            : point == '<'                   ? "&lt;"
            : point == '>'                   ? "&gt;"
            : point == '"'                   ? "&quot;"
            : point == '\''                  ? "&#39;"
                                             : nullptr;
        if (reference != nullptr)
            utf8(reference);
        else if (point >= 0x80 && escape == Escape::markup_and_non_ascii)
            utf8("&#").number(static_cast<long long>(point)).utf8(";");
        else
            code_point(point);
    }

    Text m_buffer; // m_capacity units, the first m_length of them the text
    std::size_t m_length {0};
    std::size_t m_capacity {0};
    bool m_failed {false};
};

// SendString with a copy of `text` (a runtime string is what the environment is owed).
inline HRESULT send(QmtEnvironment& environment, OLECHAR const* text)
{
    Text const copy = Text::copy(text);
    if (text != nullptr && !copy)
        return E_OUTOFMEMORY;
    return environment.SendString(copy.get(), nullptr);
}

inline HRESULT send(QmtEnvironment& environment, std::string_view utf8)
{
    Text const text = Text::from_utf8(utf8);
    return text ? environment.SendString(text.get(), nullptr) : E_OUTOFMEMORY;
}

// Sends `text` with & < > " ' written as character references, so that a field's value
// shows as text, never as markup.
namespace detail {

template<typename Source>
HRESULT send_escaped(QmtEnvironment& environment, Source text)
{
    TextBuilder escaped;
    Text const page_text = escaped.html(text).take();
    return page_text ? environment.SendString(page_text.get(), nullptr) : E_OUTOFMEMORY;
}

} // namespace detail

inline HRESULT send_html(QmtEnvironment& environment, OLECHAR const* text)
{
    return detail::send_escaped(environment, text);
}
inline HRESULT send_html(QmtEnvironment& environment, std::string_view utf8)
{
    return detail::send_escaped(environment, utf8);
}

namespace detail {

template<typename Collection>
struct ItemOf;
template<>
struct ItemOf<::ServerItems> {
    using Type = ::ServerItem;
};
template<>
struct ItemOf<::CustomItems> {
    using Type = ::CustomItem;
};

// The item at `position` (from 1) of ServerItems or CustomItems.
template<typename Collection>
HRESULT item_at(Collection& items, LONG position, typename ItemOf<Collection>::Type*& item)
{
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = position;
    item = nullptr;
    return items.get_Item(&index, &item);
}

} // namespace detail

// Calls visit(name, value) for every item of ServerItems or CustomItems in order, by position
// from 1 to Count (positions in range never write an error page). `visit` takes two BSTRs
// and returns nothing or a status; a status other than S_OK stops the walk and is returned.
template<typename Collection, typename Visit>
HRESULT for_each_item(Collection& items, Visit&& visit)
{
    LONG count = 0;
    HRESULT status = items.get_Count(&count);
    for (LONG position = 1; status == S_OK && position <= count; ++position) {
        typename detail::ItemOf<Collection>::Type* item = nullptr;
        status = detail::item_at(items, position, item);
        if (status != S_OK)
            break;
        Text name;
        Text value;
        status = item->get_Name(name.out());
        if (status == S_OK)
            status = item->get_Value(value.out());
        item->Release();
        if (status != S_OK)
            break;
        if constexpr (requires { static_cast<HRESULT>(visit(name.get(), value.get())); })
            status = visit(name.get(), value.get());
        else
            visit(name.get(), value.get());
    }
    return status;
}

// The same for the form fields (CustomItems: every pair after the first).
template<typename Visit>
HRESULT for_each_field(QmtEnvironment& environment, Visit&& visit)
{
    ::CustomItems* fields = nullptr;
    HRESULT status = environment.get_CustomItems(&fields);
    if (status != S_OK)
        return status;
    status = for_each_item(*fields, visit);
    fields->Release();
    return status;
}

namespace detail {

// The value of the first item called `name`: S_OK, S_FALSE (and a null Text) when there is
// none, or the failure of the collection.
template<typename Collection>
HRESULT find_value(HRESULT opened, Collection* items, std::string_view name, Text& value)
{
    value = Text();
    if (opened != S_OK || items == nullptr)
        return opened != S_OK ? opened : E_POINTER;
    // Only names are read until one matches; its value is the one fetched.
    LONG count = 0;
    HRESULT status = items->get_Count(&count);
    bool found = false;
    for (LONG position = 1; status == S_OK && !found && position <= count; ++position) {
        typename ItemOf<Collection>::Type* item = nullptr;
        status = item_at(*items, position, item);
        if (status != S_OK)
            break;
        Text item_name;
        status = item->get_Name(item_name.out());
        if (status == S_OK && same_text(item_name.get(), name)) {
            status = item->get_Value(value.out());
            found = status == S_OK;
        }
        item->Release();
    }
    items->Release();
    return status != S_OK ? status : found ? S_OK : S_FALSE;
}

} // namespace detail

// The value of the first field called `name` (exact, case-sensitive, as CustomItems.Item
// compares): S_OK, S_FALSE with a null Text when there is none, or the collection's failure.
// Unlike CustomItems.Item, a missing field writes no error page: for optional fields.
inline HRESULT field(QmtEnvironment& environment, std::string_view name, Text& value)
{
    ::CustomItems* fields = nullptr;
    HRESULT const opened = environment.get_CustomItems(&fields);
    return detail::find_value(opened, fields, name, value);
}

// The same as a value: a null Text when there is no such field (or the lookup failed).
inline Text field(QmtEnvironment& environment, std::string_view name)
{
    Text value;
    field(environment, name, value);
    return value;
}

// The value of a server variable ("REMOTE_ADDR"), or a null Text when there is none.
inline Text server_variable(QmtEnvironment& environment, std::string_view name)
{
    ::ServerItems* variables = nullptr;
    HRESULT const opened = environment.get_ServerItems(&variables);
    Text value;
    detail::find_value(opened, variables, name, value);
    return value;
}

} // namespace quillmate
