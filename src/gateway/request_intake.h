// What the web server hands over through CGI (or a worker's request): 24 server variables,
// the request method, the length of the form data and the form data itself.
#pragma once

#include "common/heap_ptr.h"
#include "environment/item_collection.h"
#include "gateway/request_source.h"

#include <cstddef>
#include <cstdint>

namespace qmt {

enum class RequestMethod {
    None,
    Get,
    Post,
};

struct RequestLine {
    RequestMethod method {RequestMethod::None};
    std::int32_t data_length {0};
};

inline constexpr char const* server_variable_names[24] = {
    "AUTH_TYPE",       "CONTENT_LENGTH",       "CONTENT_TYPE",    "GATEWAY_INTERFACE",
    "HTTP_ACCEPT",     "HTTP_ACCEPT_LANGUAGE", "HTTP_COOKIE",     "HTTP_CONNECTION",
    "HTTP_HOST",       "HTTP_REFERER",         "HTTP_USER_AGENT", "PATH_INFO",
    "PATH_TRANSLATED", "REFERER_URL",          "REMOTE_ADDR",     "REMOTE_HOST",
    "REMOTE_IDENT",    "REMOTE_USER",          "REQUEST_METHOD",  "SCRIPT_NAME",
    "SERVER_NAME",     "SERVER_PORT",          "SERVER_PROTOCOL", "SERVER_SOFTWARE",
};

// Adds the 24 server variables to `server_items`, in table order, and learns the method
// and the announced data length. False when storage for a variable or its item cannot be
// had: the request cannot be served as the server sent it.
bool take_in_request(RequestSource const& source, ServerItemCollection& server_items, RequestLine& request);

// Reads a CONTENT_LENGTH text whole: blanks, one sign, digits up to the first other
// character. Negative values count as 0; values beyond the data length's range saturate.
std::int32_t parse_content_length(char const* text);

struct FormData {
    HeapPtr<char> bytes; // zero-terminated after `count` bytes
    std::size_t count {0};
};

// The form data: QUERY_STRING for GET, the body (standard input, or the request's input
// stream) for POST. The POST body
// is read until the announced length has arrived, input ends or a read fails; storage
// grows with the bytes that really arrive, never ahead of them. False (and no data) when
// storage for the bytes that arrive cannot be had.
bool obtain_form_data(RequestSource const& source, RequestLine const& request, FormData& data);

} // namespace qmt
