// Readable reports of byte strings that should have been equal.
#pragma once

#include <string>
#include <string_view>

namespace e2e {

// Printable ASCII as it is; backslash, line feed, carriage return, tab and every other byte
// as a C-style escape, so that zero bytes and bytes above 127 show.
std::string escape_bytes(std::string_view bytes);

// Empty when equal; otherwise the lengths, the first differing offset and both texts around
// it (escaped), and both texts whole when they are short.
std::string describe_difference(std::string_view expected, std::string_view actual);

} // namespace e2e
