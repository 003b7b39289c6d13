// The registry text form of a class identifier: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
#pragma once

#include "quillmate/com_abi.h"

#include <cstddef>

namespace qmt::runtime {

// Characters in the text form, braces included, terminator excluded.
inline constexpr std::size_t guid_text_length = 38;

// Parses exactly the text form (hex digits in either case, nothing before or after).
// `units` holds `length` code units; false leaves `guid` unchanged.
bool parse_guid_text(char16_t const* units, std::size_t length, GUID& guid);
bool parse_guid_text(char const* units, std::size_t length, GUID& guid);

// Writes the text form with upper-case digits, as Windows writes registry keys, and a
// terminating zero.
void format_guid_text(GUID const& guid, char (&text)[guid_text_length + 1]);

} // namespace qmt::runtime
