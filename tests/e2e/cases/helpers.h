// What several groups of the table share. Scripts for the probe's Run method are form
// fields: "send=a+b" sends "a b", "file={DIR}/x" sends that file, and so on (the commands are
// listed in tests/objects/probe_script.h).
#pragma once

#include <cstddef>
#include <string>

namespace e2e {

std::string repeated(std::string const& piece, std::size_t times);

// Room a caller's text has on the page beside the row's own words (message_with_empty_text).
std::size_t room_beside(std::string const& message_with_empty_text);

// A file's bytes that no text conversion leaves alone: zeros, DEL, high bytes, CR LF.
std::string binary_file_bytes();

} // namespace e2e
