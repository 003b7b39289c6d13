// One placeholder/replacement pair of a section, as SendTemplate sent it: the placeholder by
// number (each distinct placeholder text is numbered once), the replacement already in the
// ANSI code page.
#pragma once

#include <cstdint>

namespace qmt {

using PlaceholderNumber = std::uint32_t;
inline constexpr std::int64_t no_placeholder = -1;

struct SectionEntry {
    PlaceholderNumber placeholder;
    std::uint32_t length; // of the replacement, in bytes
    unsigned char const* replacement;
};

} // namespace qmt
