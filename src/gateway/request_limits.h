// Opt-in limits on the request's form data, set by the operator in the server's environment:
// QUILLMATE_MAX_BODY_BYTES (bytes of form data: the POST body, or the query string of a GET)
// and QUILLMATE_MAX_FIELDS (form fields after the first pair, which names the target).
// Unset, there is no limit. A value is decimal digits and nothing else; any other value
// counts as 0, so that a mistyped limit refuses every request's data instead of none.
#pragma once

#include "gateway/request_source.h"

#include <cstdint>
#include <optional>

namespace qmt {

struct RequestLimits {
    std::optional<std::uint64_t> body_bytes;
    std::optional<std::uint64_t> fields;
};

RequestLimits read_request_limits(RequestSource const& source);

// A limit's text: its decimal value (saturating), or 0 when it is anything but digits.
std::uint64_t parse_limit(char const* text);

} // namespace qmt
