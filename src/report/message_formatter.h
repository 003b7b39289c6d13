// Fills a message row's "%s" placeholders with callers' texts. Callers' texts come from
// the client or from files, so they are HTML-escaped, and each is cut (on a character
// boundary) to what the page's buffers hold, never beyond them; two texts each get their own
// share of the room. Texts that need neither come out byte for byte.
#pragma once

#include "common/wide_text.h"

#include <cstddef>

namespace qmt {

inline constexpr std::size_t message_capacity = 1000; // formatted message, terminator included
inline constexpr std::size_t caller_text_capacity = 1000; // one converted caller's text, terminator included
inline constexpr int max_placeholders = 2; // the most "%s" a row has

// Pages escape callers' texts for HTML; the line on standard error takes them as they are.
enum class Escaping { html, none };

// Writes the formatted message into `out` (message_capacity bytes) and returns its length.
std::size_t format_message(char const* format, WideChar const* const* texts, int text_count, char* out,
                           Escaping escaping = Escaping::html);

// Appends the escaped narrow form of `text` to `out`, at most `budget` bytes, whole
// characters only. Returns the count of bytes appended.
std::size_t append_escaped(WideChar const* text, char* out, std::size_t budget, Escaping escaping = Escaping::html);

} // namespace qmt
