// One line for standard error, where web servers log what a CGI program complains about:
// the step that failed and its cause, built in a fixed buffer. Nothing here allocates, so a
// line can be made when memory is short and, natively, inside a signal handler. Texts from
// outside (form data, file names, the loader's messages) have their control characters
// written as \xNN, so that a line stays one line in the server's log.
#pragma once

#include "common/wide_text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qmt {

class DiagnosticText {
public:
    static constexpr std::size_t capacity = 2048;

    DiagnosticText& add(std::string_view text);
    // Converted to the ANSI code page; a missing text adds nothing.
    DiagnosticText& add(WideChar const* text);
    // In double quotes, so that an empty or blank text shows.
    DiagnosticText& add_quoted(std::string_view text);
    DiagnosticText& add_quoted(WideChar const* text);
    // "0x80040154 (REGDB_E_CLASSNOTREG)"; on Windows the system's text for it when it has one.
    DiagnosticText& add_status(std::int32_t status); // an HRESULT
    DiagnosticText& add_decimal(std::int64_t value);

    void clear() { m_length = 0; }
    std::string_view view() const { return {m_text, m_length}; }
    bool empty() const { return m_length == 0; }

private:
    void put(char byte);

    char m_text[capacity];
    std::size_t m_length {0};
};

// The name a status is known by ("E_FAIL"), or null.
char const* status_name(std::int32_t status);

} // namespace qmt
