// The byte matching of template expansion. Positions point into the mapped template, `end`
// one past its last byte; no search, test or skip reads at or beyond it.
#pragma once

#include <cstddef>

namespace qmt {

using TemplateByte = unsigned char;

// A marker in its two forms; a byte matches position k when it equals either form's byte
// there, so the letters may stand in any mix of case. Opener and closer have one form.
struct Marker {
    char const* upper;
    char const* lower;
    std::size_t length;
};

inline constexpr Marker comment_opener {"<!--", "<!--", 4};
inline constexpr Marker comment_closer {"-->", "-->", 3};
inline constexpr Marker template_marker {"TEMPLATE:", "template:", 9};
inline constexpr Marker section_start_marker {"BEGINSECTION:", "beginsection:", 13};
inline constexpr Marker section_end_marker {"ENDSECTION", "endsection", 10};

// The position right after the first match in [from, limit), or null. A byte that breaks
// a partial match is not tested again as the start of a new one: "<<!--" holds no opener,
// "--->" no closer.
TemplateByte const* find_marker(TemplateByte const* from, TemplateByte const* limit, Marker const& marker);

// Whether the bytes at `at` spell the marker (a window that reaches past `end` does not).
bool spells(TemplateByte const* at, TemplateByte const* end, Marker const& marker);

// Space, tab, line feed and carriage return, and nothing else.
inline bool is_template_whitespace(TemplateByte byte)
{
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r';
}

// The first byte at or after `at` that is not whitespace, or `end`.
TemplateByte const* skip_whitespace(TemplateByte const* at, TemplateByte const* end);

// Where a name starting at `at` ends: the first whitespace byte, or `end`.
TemplateByte const* name_end(TemplateByte const* at, TemplateByte const* end);

} // namespace qmt
