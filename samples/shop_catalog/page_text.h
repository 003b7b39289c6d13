// A text being put together for a page: UTF-16 on the process heap, grown as needed, with
// the appends a page needs. Request values and file data go in HTML-escaped: the five
// characters that mean something in markup become references, and so does every character
// beyond ASCII, so that a page means the same whatever code page the gateway writes it in.
// A failed allocation is remembered and reported once, by text(): the caller checks one status.
#pragma once

#include "quillmate/runtime.h"

#include <cstddef>
#include <string_view>

namespace shop {

class PageText {
public:
    PageText() = default;
    PageText(PageText const&) = delete;
    PageText& operator=(PageText const&) = delete;
    ~PageText();

    // ASCII text that the sample itself writes: markup, numbers, names of its own.
    PageText& literal(std::string_view ascii);
    // A request value (UTF-16), escaped.
    PageText& escaped(OLECHAR const* text);
    // Bytes of the sample's data file (UTF-8), escaped; invalid sequences become U+FFFD.
    PageText& escaped_utf8(std::string_view utf8);
    // UTF-8 taken as it is (a file name): no escaping.
    PageText& utf8(std::string_view utf8);
    // UTF-16 units taken as they are.
    PageText& units(OLECHAR const* units, std::size_t count);
    PageText& number(long long value);

    void clear() { m_length = 0; }
    bool empty() const { return m_length == 0; }
    // The text so far, zero-terminated, or null when memory ran short on the way.
    OLECHAR const* text();

private:
    void append(OLECHAR unit);
    void append_escaped(char32_t code_point);
    void append_code_point(char32_t code_point);
    void decode_utf8(std::string_view utf8, bool escape);

    OLECHAR* m_units = nullptr;
    std::size_t m_length = 0;
    std::size_t m_capacity = 0;
    bool m_failed = false;
};

} // namespace shop
